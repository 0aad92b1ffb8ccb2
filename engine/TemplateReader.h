#pragma once
// Reads a template file; says what is wrong and where when it cannot.

#include "ReportTemplate.h"

#include <QByteArray>

namespace TemplateReader {
// Throws ReportError with the problem (not the file name) when the text is no template.
ReportTemplate fromJson(const QByteArray &json);
} // namespace TemplateReader

#pragma once
// Writes a template as readable, diffable JSON: only what differs from the defaults.

#include "ReportTemplate.h"

#include <QByteArray>

namespace TemplateWriter {
QByteArray toJson(const ReportTemplate &report);
// Writes atomically: a failed save leaves the file as it was. Throws ReportError.
void save(const ReportTemplate &report, const QString &path);
} // namespace TemplateWriter

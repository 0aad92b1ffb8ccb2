#pragma once
// The template file format: its identity and version, and the names it writes for
// kinds and alignments, shared by the reader and the writer.

#include "ReportTemplate.h"

#include <QString>

namespace TemplateFormat {
inline const QString Identity = QStringLiteral("roviradavev-report-template");
constexpr int Version = 2;
// A template without a detail band is written as version 1, so that programs before the band
// still read it; one with a band as version 2, which they refuse rather than print it wrong.
constexpr int VersionWithoutBand = 1;

QString kindName(ElementKind kind);
bool kindFromName(const QString &name, ElementKind &kind);
QString systemValueName(SystemValueKind kind);
bool systemValueFromName(const QString &name, SystemValueKind &kind);
QString horizontalName(Qt::Alignment alignment);
QString verticalName(Qt::Alignment alignment);
bool alignmentFromNames(const QString &horizontal, const QString &vertical,
                        Qt::Alignment &alignment);
QString fieldTypeName(FieldType type);
bool fieldTypeFromName(const QString &name, FieldType &type);
} // namespace TemplateFormat

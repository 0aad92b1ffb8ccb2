#pragma once
// The template file format: its identity and version, and the names it writes for
// kinds and alignments, shared by the reader and the writer.

#include "ReportTemplate.h"

#include <QString>

namespace TemplateFormat {
inline const QString Identity = QStringLiteral("roviradavev-report-template");
constexpr int Version = 3;
// A template is written in the lowest version that holds it, so that older programs still
// read what they understand: version 1 without a detail band; version 2 with one, which
// programs before the band refuse rather than print it wrong; version 3 with 回函区, which
// programs before them refuse rather than drop them when the template is saved again.
constexpr int VersionWithoutBand = 1;
constexpr int VersionWithBand = 2;
int versionFor(const ReportTemplate &report);

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

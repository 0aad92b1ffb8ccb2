#pragma once
// Elements on the system clipboard: template JSON under a MIME type of our own, so a paste
// into another designer window gives the same elements, and their texts as plain text for
// every other program.

#include "engine/ReportTemplate.h"

#include <optional>

class QMimeData;

namespace ElementClipboard {
inline const QString MimeType = QStringLiteral("application/x-roviradavev-elements+json");

// The elements, with the declarations of the fields they use.
QMimeData *toMime(const QList<ReportElement> &elements, const QList<FieldDeclaration> &fields);
// The elements and fields on the clipboard; plain text alone becomes one text element.
// Nothing when the clipboard holds neither.
std::optional<ReportTemplate> fromMime(const QMimeData *mime);
} // namespace ElementClipboard

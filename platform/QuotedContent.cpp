#include "QuotedContent.h"

namespace QuotedContent {

QString of(const QString &text)
{
    if (text.size() <= MaxLength)
        return text;
    qsizetype end = MaxLength;
    // Never half a character beyond the basic plane.
    if (text.at(end - 1).isHighSurrogate())
        --end;
    return text.left(end) + QStringLiteral("…");
}

} // namespace QuotedContent

#pragma once
// What a message quotes of a user's text (a code's content, a cell, a name typed in): the
// whole text when it is short, else its beginning and "…", so that a long text cannot
// swamp the message that names it.

#include <QString>

namespace QuotedContent {
// The most characters quoted before the "…".
constexpr qsizetype MaxLength = 80;
// The text as a message quotes it.
QString of(const QString &text);
} // namespace QuotedContent

#pragma once
// Addresses, phone numbers and names as a comparison sees them: what a reply's waybill says
// and what the letter was sent to are typed by different people, in different widths and
// with or without the province and city.

#include <QString>

namespace ContactText {
// Full-width made plain, spaces and punctuation gone, letters lower-cased.
QString plain(const QString &text);
// plain(), then the leading province (…省, …自治区) and city (…市) dropped.
QString address(const QString &text);
// The digits alone, a leading country code 86 (or 0086, +86) dropped.
QString phone(const QString &text);
// True when both addresses are the same place: one, its province and city dropped, ends
// the other (a waybill often leaves out the district's city).
bool sameAddress(const QString &a, const QString &b);
// True when both phones are the same line: equal digits, or one the other without its
// area code.
bool samePhone(const QString &a, const QString &b);
} // namespace ContactText

#pragma once
// Display formats of field values: dates (yyyy年M月d日 and the like), numbers
// (#,##0.00, ¥#,##0.00, 0.00元 ...) and the Chinese capital amount ("大写").

#include <QString>
#include <QVariant>

namespace DisplayFormat {
inline const QString ChineseCapitals = QStringLiteral("大写");
inline const QString DefaultDate = QStringLiteral("yyyy年M月d日");

// A value as shown: a QDate or QDateTime through a date format, a double through a
// number format, text as it is or one character of it ("第1字", for a postcode's boxes); an
// empty format takes the default for the value.
QString apply(const QVariant &value, const QString &format);
QString number(double value, const QString &pattern);
} // namespace DisplayFormat

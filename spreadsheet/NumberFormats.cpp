#include "NumberFormats.h"

bool NumberFormats::isBuiltInDate(int id)
{
    // 14-22 dates and times, 45-47 times; 27-36 and 50-58 the East Asian date formats.
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) ||
           (id >= 50 && id <= 58);
}

bool NumberFormats::isDateCode(const QString &code)
{
    int dateParts = 0;
    int numberParts = 0;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i);
        switch (c.unicode()) {
        case '"': // literal text
            i = code.indexOf(QLatin1Char('"'), i + 1);
            if (i < 0)
                return dateParts > numberParts;
            break;
        case '\\': // escaped character
        case '_':  // space as wide as the next character
        case '*':  // fill with the next character
            ++i;
            break;
        case '[': { // colours, conditions, locales; [h] [m] [s] are elapsed times
            const qsizetype end = code.indexOf(QLatin1Char(']'), i + 1);
            if (end < 0)
                return dateParts > numberParts;
            const QString inner = code.mid(i + 1, end - i - 1).toLower();
            if (!inner.isEmpty() &&
                (inner.startsWith(QLatin1Char('h')) || inner.startsWith(QLatin1Char('m')) ||
                 inner.startsWith(QLatin1Char('s'))) &&
                inner.count(inner.at(0)) == inner.size())
                ++dateParts;
            i = end;
            break;
        }
        case ';': // only the first section counts
            return dateParts > numberParts;
        case 'y':
        case 'Y':
        case 'm':
        case 'M':
        case 'd':
        case 'D':
        case 'h':
        case 'H':
        case 's':
        case 'S':
        case 'e':
            ++dateParts;
            break;
        case 'G':
        case 'g':
            // "General" beside a colour, a condition or padding is a number.
            if (QStringView(code).mid(i, 7).compare(QLatin1String("General"),
                                                    Qt::CaseInsensitive) == 0) {
                ++numberParts;
                i += 6;
            }
            break;
        case '0':
        case '#':
        case '?':
            ++numberParts;
            break;
        default:
            if (c.unicode() == 0x5E74 || c.unicode() == 0x6708 || c.unicode() == 0x65E5) // 年 月 日
                ++dateParts;
            break;
        }
    }
    if (code.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0)
        return false;
    return dateParts > numberParts;
}

bool NumberFormats::isDate(int id) const
{
    const auto cached = m_cache.constFind(id);
    if (cached != m_cache.constEnd())
        return *cached;
    const auto code = m_codes.constFind(id);
    const bool date = code != m_codes.constEnd() ? isDateCode(*code) : isBuiltInDate(id);
    m_cache.insert(id, date);
    return date;
}

double automationDateFromSerial(double serial, bool dateSystem1904)
{
    if (dateSystem1904)
        return serial + 1462;
    // The 1900 system counts a 29 February 1900 that never was: serials before it are
    // one day behind the automation dates.
    if (serial >= 1 && serial < 60)
        return serial + 1;
    return serial;
}

#include "RegionalSettings.h"

#include <algorithm>

namespace {

struct DatePart
{
    QChar letter;  // 'd', 'M' or 'y'
    QString token; // the token written into the numeric format
    qsizetype position = -1;
};

bool isQuote(QChar c)
{
    return c == QLatin1Char('\'');
}

} // namespace

RegionalSettings RegionalSettings::fromLocale(const QLocale &locale)
{
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    DatePart day{QLatin1Char('d'), QStringLiteral("d")};
    DatePart month{QLatin1Char('M'), QStringLiteral("M")};
    DatePart year{QLatin1Char('y'), QStringLiteral("yyyy")};
    QChar separator;
    bool quoted = false;

    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format.at(i);
        if (isQuote(c)) {
            quoted = !quoted;
            ++i;
            continue;
        }
        qsizetype run = 1;
        while (i + run < format.size() && format.at(i + run) == c)
            ++run;
        if (!quoted) {
            if (c == QLatin1Char('d') && run <= 2 && day.position < 0) {
                day.position = i;
                day.token = QString(run, QLatin1Char('d'));
            } else if (c == QLatin1Char('M') && month.position < 0) {
                month.position = i;
                month.token = run == 2 ? QStringLiteral("MM") : QStringLiteral("M");
            } else if (c == QLatin1Char('y') && year.position < 0) {
                year.position = i;
            } else if (separator.isNull() && !c.isLetter() && !c.isSpace() &&
                       day.position + month.position + year.position > -3) {
                separator = c;
            }
        }
        i += run;
    }

    RegionalSettings settings;
    settings.dateSeparator = separator.isNull() ? QLatin1Char('/') : separator;
    QList<DatePart> parts{day, month, year};
    if (day.position < 0 || month.position < 0 || year.position < 0) {
        parts = {month, day, year};
    } else {
        std::sort(parts.begin(), parts.end(),
                  [](const DatePart &a, const DatePart &b) { return a.position < b.position; });
    }
    settings.shortDateFormat = parts[0].token + settings.dateSeparator + parts[1].token +
                               settings.dateSeparator + parts[2].token;
    const QString decimal = locale.decimalPoint();
    settings.decimalSeparator = decimal.isEmpty() ? QLatin1Char('.') : decimal.at(0);
    settings.timeFormat = QStringLiteral("H:mm:ss");
    return settings;
}

const RegionalSettings &RegionalSettings::user()
{
    static const RegionalSettings settings = fromLocale(QLocale::system());
    return settings;
}

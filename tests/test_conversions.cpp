// Regional settings derived from locales, and the texts of numbers, dates and currency.

#include "platform/RegionalSettings.h"
#include "platform/ValueText.h"

#include <QTest>

#include <cmath>
#include <cstring>
#include <random>

namespace {
RegionalSettings settingsWith(QChar decimal, const QString &dateFormat = QStringLiteral("yyyy/M/d"))
{
    RegionalSettings settings;
    settings.shortDateFormat = dateFormat;
    settings.dateSeparator = QLatin1Char('/');
    settings.decimalSeparator = decimal;
    settings.timeFormat = QStringLiteral("H:mm:ss");
    return settings;
}
} // namespace

class TestConversions : public QObject
{
    Q_OBJECT
private slots:
    void numericDateFormatFromLocale_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("decimal");
        QTest::newRow("zh_CN") << "zh_CN"
                               << "yyyy/M/d"
                               << "/"
                               << ".";
        QTest::newRow("en_US") << "en_US"
                               << "M/d/yyyy"
                               << "/"
                               << ".";
        QTest::newRow("de_DE") << "de_DE"
                               << "dd.MM.yyyy"
                               << "."
                               << ",";
        QTest::newRow("en_CA") << "en_CA"
                               << "yyyy-MM-dd"
                               << "-"
                               << ".";
        QTest::newRow("C has month names and spaces") << "C"
                                                      << "d/M/yyyy"
                                                      << "/"
                                                      << ".";
        QTest::newRow("hu_HU dots after spaces") << "hu_HU"
                                                 << "yyyy.MM.dd"
                                                 << "."
                                                 << ",";
        QTest::newRow("ko_KR two-digit year") << "ko_KR"
                                              << "yyyy.M.d"
                                              << "."
                                              << ".";
        QTest::newRow("fr_FR") << "fr_FR"
                               << "dd/MM/yyyy"
                               << "/"
                               << ",";
    }
    void numericDateFormatFromLocale()
    {
        QFETCH(QString, locale);
        QFETCH(QString, format);
        QFETCH(QString, separator);
        QFETCH(QString, decimal);
        const RegionalSettings settings = RegionalSettings::fromLocale(QLocale(locale));
        QCOMPARE(settings.shortDateFormat, format);
        QCOMPARE(QString(settings.dateSeparator), separator);
        QCOMPARE(QString(settings.decimalSeparator), decimal);
    }

    void numberText_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("negative zero") << -0.0 << "0";
        QTest::newRow("plain") << 1234.5 << "1234.5";
        QTest::newRow("integer") << 56320.0 << "56320";
        QTest::newRow("smallest fixed") << 0.0001 << "0.0001";
        QTest::newRow("below fixed") << 0.00001 << "1E-5";
        QTest::newRow("scientific fraction") << 1.5e-5 << "1.5E-5";
        QTest::newRow("largest fixed") << 999999999999999.0 << "999999999999999";
        QTest::newRow("1E15") << 1e15 << "1E15";
        QTest::newRow("rounds up to 1E15") << 999999999999999.9 << "1E15";
        QTest::newRow("15 digits") << 123456789012345678.0 << "1.23456789012346E17";
        QTest::newRow("float noise") << 0.1 + 0.2 << "0.3";
        QTest::newRow("negative") << -12.3 << "-12.3";
        QTest::newRow("negative scientific") << -2.5e20 << "-2.5E20";
        QTest::newRow("tiny") << 1e-300 << "1E-300";
        QTest::newRow("many decimals") << 1234.56789012345678 << "1234.56789012346";
    }
    void numberText()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(ValueText::fromNumber(value, settingsWith(QLatin1Char('.'))), text);
    }

    // The shown digits are the value rounded once to 15 significant digits, whichever way
    // the text is made: checked against the C library's own rounding over many values.
    void numberDigitsAreFifteenDigitRounding()
    {
        // Digits without trailing zeros and the decimal exponent, of either text form.
        auto significand = [](QString text) {
            if (text.startsWith(QLatin1Char('-')))
                text.remove(0, 1);
            int exponent = 0;
            if (const qsizetype e = text.indexOf(QLatin1Char('E')); e >= 0) {
                exponent = text.mid(e + 1).toInt();
                text.truncate(e);
            }
            const qsizetype point = text.indexOf(QLatin1Char('.'));
            const qsizetype intDigits = point < 0 ? text.size() : point;
            text.remove(QLatin1Char('.'));
            qsizetype leading = 0;
            while (leading < text.size() && text[leading] == QLatin1Char('0'))
                ++leading;
            exponent += int(intDigits) - 1 - int(leading);
            return std::pair(text.sliced(leading), exponent);
        };
        auto reference = [](double value) {
            char buffer[64];
            std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
            QString text = QString::fromLatin1(buffer);
            const qsizetype e = text.indexOf(QLatin1Char('e'));
            const int exponent = text.mid(e + 1).toInt();
            text.truncate(e);
            text.remove(QLatin1Char('.'));
            return std::pair(text, exponent);
        };
        std::mt19937_64 random(20261209);
        const RegionalSettings settings = settingsWith(QLatin1Char('.'));
        auto withoutTrailingZeros = [](std::pair<QString, int> digits) {
            while (digits.first.endsWith(QLatin1Char('0')))
                digits.first.chop(1);
            return digits;
        };
        for (int i = 0; i < 40000; ++i) {
            double value = 0;
            switch (i % 4) {
            case 0: // amounts in cents
                value = double(random() % 1000000000000000ULL) / 100;
                break;
            case 1: // any finite double
                do {
                    const quint64 bits = random();
                    std::memcpy(&value, &bits, sizeof value);
                } while (!std::isfinite(value) || value == 0);
                break;
            case 2: // 15 to 17 digits near the rounding edge
                value = double(random() % 100000000000000000ULL) *
                        std::pow(10.0, int(random() % 40) - 20);
                break;
            default: // small fractions and negatives
                value = -double(random() % 100000) / 7;
            }
            if (value == 0)
                continue;
            const QString text = ValueText::fromNumber(value, settings);
            QVERIFY2(withoutTrailingZeros(significand(text)) ==
                         withoutTrailingZeros(reference(value)),
                     qPrintable(QStringLiteral("%1 shown as %2").arg(value, 0, 'g', 17).arg(text)));
        }
    }

    void numberUsesDecimalSeparator()
    {
        QCOMPARE(ValueText::fromNumber(1234.5, settingsWith(QLatin1Char(','))),
                 QStringLiteral("1234,5"));
        QCOMPARE(ValueText::fromNumber(1.5e-5, settingsWith(QLatin1Char(','))),
                 QStringLiteral("1,5E-5"));
    }

    void currencyText_data()
    {
        QTest::addColumn<qint64>("tenThousandths");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << qint64(12340000) << "1234";
        QTest::newRow("four decimals") << qint64(12345678) << "1234,5678";
        QTest::newRow("trailing zeros") << qint64(12345000) << "1234,5";
        QTest::newRow("negative") << qint64(-5) << "-0,0005";
        QTest::newRow("largest") << std::numeric_limits<qint64>::max() << "922337203685477,5807";
    }
    void currencyText()
    {
        QFETCH(qint64, tenThousandths);
        QFETCH(QString, text);
        QCOMPARE(ValueText::fromCurrency(tenThousandths, settingsWith(QLatin1Char(','))), text);
    }

    void dateText_data()
    {
        QTest::addColumn<double>("automationDate");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("text");
        QTest::newRow("zh date") << 45382.0 << "yyyy/M/d"
                                 << "2024/3/31";
        QTest::newRow("de date") << 45382.0 << "dd.MM.yyyy"
                                 << "31.03.2024";
        QTest::newRow("with time") << 45382.6041666667 << "yyyy/M/d"
                                   << "2024/3/31 14:30:00";
        QTest::newRow("time alone") << 0.34375 << "yyyy/M/d"
                                    << "8:15:00";
        QTest::newRow("epoch day alone") << 0.0 << "yyyy/M/d"
                                         << "1899/12/30";
        QTest::newRow("1970 keeps four digits") << 25569.0 << "M/d/yyyy"
                                                << "1/1/1970";
        QTest::newRow("seconds round up to the next day") << 45382.999999999 << "yyyy/M/d"
                                                          << "2024/4/1";
        QTest::newRow("year 9999") << 2958465.0 << "yyyy/M/d"
                                   << "9999/12/31";
        // No calendar date: the number itself, never a cast out of range.
        QTest::newRow("after year 9999") << 2958466.0 << "yyyy/M/d"
                                         << "2958466";
        QTest::newRow("serial 1e300") << 1e300 << "yyyy/M/d"
                                      << "1E300";
        QTest::newRow("serial -1e300") << -1e300 << "yyyy/M/d"
                                       << "-1E300";
    }
    void dateText()
    {
        QFETCH(double, automationDate);
        QFETCH(QString, format);
        QFETCH(QString, text);
        QCOMPARE(ValueText::fromDate(automationDate, settingsWith(QLatin1Char('.'), format)), text);
    }

    void booleans()
    {
        QCOMPARE(ValueText::fromBoolean(true), QStringLiteral("True"));
        QCOMPARE(ValueText::fromBoolean(false), QStringLiteral("False"));
    }
};

QTEST_GUILESS_MAIN(TestConversions)
#include "test_conversions.moc"

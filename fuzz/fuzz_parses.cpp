// The record fetch's date and number parses, under three regional settings.

#include "platform/Exception.h"
#include "platform/RegionalSettings.h"
#include "platform/TextToValue.h"

#include <QLocale>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const RegionalSettings settings[] = {
        RegionalSettings::fromLocale(QLocale(QStringLiteral("zh_CN"))),
        RegionalSettings::fromLocale(QLocale(QStringLiteral("de_DE"))),
        RegionalSettings::fromLocale(QLocale(QStringLiteral("en_US")))};
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const RegionalSettings &s : settings) {
        try {
            (void)TextToValue::date(text, s, QDate(2026, 12, 8));
        } catch (const EConvertError &) {
        }
        try {
            (void)TextToValue::number(text, s);
        } catch (const EConvertError &) {
        }
    }
    return 0;
}

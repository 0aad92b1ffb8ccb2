#pragma once
// The text the import stores for a typed cell value, under the user's regional settings.

#include "platform/RegionalSettings.h"
#include "platform/ValueText.h"
#include "spreadsheet/CellStore.h"

#include <QHash>

// Empty and error values give the empty text.
QString cellText(const CellValue &value, const RegionalSettings &settings);

// The texts of one import: a date column repeats its days, so each day's text is made
// once and shared; a text cell's own text is handed on as it is.
class CellTexts
{
public:
    explicit CellTexts(const RegionalSettings &settings) : m_settings(settings) {}
    // Valid until the next call.
    QStringView operator()(const CellRef &cell);

private:
    const RegionalSettings &m_settings;
    QHash<double, QString> m_dates;
    QString m_last;
    char16_t m_cents[ValueText::kCentsLength];
};

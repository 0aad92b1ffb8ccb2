#pragma once
// The text the import stores for a typed cell value, under the user's regional settings.

#include "platform/RegionalSettings.h"
#include "spreadsheet/CellValue.h"

#include <QHash>

// Empty and error values give the empty text.
QString cellText(const CellValue &value, const RegionalSettings &settings);

// The texts of one import: a date column repeats its days, so each day's text is made
// once and shared.
class CellTexts
{
public:
    explicit CellTexts(const RegionalSettings &settings) : m_settings(settings) {}
    QString operator()(const CellValue &value);

private:
    const RegionalSettings &m_settings;
    QHash<double, QString> m_dates;
};

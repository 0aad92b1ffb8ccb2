#include "CellText.h"

#include "platform/ValueText.h"

QString cellText(const CellValue &value, const RegionalSettings &settings)
{
    switch (value.kind) {
    case CellValue::Text:
        return value.text;
    case CellValue::Number:
        return ValueText::fromNumber(value.number, settings);
    case CellValue::Date:
        return ValueText::fromDate(value.number, settings);
    case CellValue::Boolean:
        return ValueText::fromBoolean(value.number != 0);
    case CellValue::Empty:
    case CellValue::Error:
        break;
    }
    return QString();
}

QString CellTexts::operator()(const CellValue &value)
{
    if (value.kind != CellValue::Date)
        return cellText(value, m_settings);
    if (const auto found = m_dates.constFind(value.number); found != m_dates.constEnd())
        return *found;
    // Bounded: a column of distinct date-times would otherwise keep every text twice.
    if (m_dates.size() >= 4096)
        m_dates.clear();
    return *m_dates.insert(value.number, cellText(value, m_settings));
}

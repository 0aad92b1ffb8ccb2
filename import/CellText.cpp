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

QStringView CellTexts::operator()(const CellRef &cell)
{
    switch (cell.kind) {
    case CellValue::Text:
        return cell.text;
    case CellValue::Date:
        break;
    case CellValue::Empty:
    case CellValue::Error:
        return {};
    case CellValue::Number:
        if (const qsizetype length = ValueText::writeCents(cell.number, m_settings, m_cents))
            return QStringView(m_cents, length); // the common amount, without a string made
        [[fallthrough]];
    default:
        m_last = cellText({cell.kind, cell.number, {}}, m_settings);
        return m_last;
    }
    if (const auto found = m_dates.constFind(cell.number); found != m_dates.constEnd())
        return *found;
    // Bounded: a column of distinct date-times would otherwise keep every text twice.
    if (m_dates.size() >= 4096)
        m_dates.clear();
    return *m_dates.insert(cell.number, cellText({cell.kind, cell.number, {}}, m_settings));
}

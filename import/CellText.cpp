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
    case CellValue::Currency:
        return ValueText::fromCurrency(value.currency, settings);
    case CellValue::Empty:
    case CellValue::Error:
        break;
    }
    return QString();
}

#pragma once
// How a field's type is named to the user.

#include "engine/ReportTemplate.h"

#include <QString>

inline QString fieldTypeName(FieldType type)
{
    switch (type) {
    case FieldType::Date:
        return QStringLiteral("日期");
    case FieldType::Number:
        return QStringLiteral("数值");
    case FieldType::Text:
        break;
    }
    return QStringLiteral("文本");
}

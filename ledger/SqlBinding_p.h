#pragma once
// Binds values in order; a null text goes in as an empty one, since no text column is NULL.

#include <QSqlQuery>
#include <QVariant>

inline void bindAll(QSqlQuery &query, const QVariantList &values)
{
    for (const QVariant &value : values)
        query.addBindValue(value.typeId() == QMetaType::QString && value.toString().isNull()
                               ? QVariant(QStringLiteral(""))
                               : value);
}

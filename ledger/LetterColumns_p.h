#pragma once
// The letters table's columns: the kept fields in the order of LetterField, and a letter's
// identity as every query that reads one selects it.

#include "LedgerTypes.h"
#include "LetterRecordText.h"

#include <QSqlQuery>
#include <iterator>

namespace LetterColumns {
inline const char *const Fields[] = {
    "send_method", "waybill", "send_date", "reply_date", "reply_channel", "reply_amount", "result",
    "difference_reason", "alternative", "note", "email",
    // 地址 and 电话 of the letter, and the reply's custody: who sent it from where and when.
    "address", "phone", "respondent", "reply_address", "reply_phone", "reply_waybill",
    "reply_time"};
constexpr int Count = int(std::size(Fields));
} // namespace LetterColumns

namespace LetterColumns {
// A letter's identity, as every query that reads one selects it.
inline const char *const Identity = "number, customer, cut_off, cents, template, fields";

// The identity read from 'query' at 'first', the first of the Identity columns.
inline LetterIdentity identityAt(const QSqlQuery &query, int first)
{
    LetterIdentity identity;
    identity.number = query.value(first).toString();
    identity.customer = query.value(first + 1).toString();
    identity.cutOff = QDate::fromString(query.value(first + 2).toString(), Qt::ISODate);
    if (!query.value(first + 3).isNull())
        identity.cents = query.value(first + 3).toLongLong();
    identity.templateName = query.value(first + 4).toString();
    identity.fields = LetterRecordText::fieldsFromText(query.value(first + 5).toString());
    return identity;
}
} // namespace LetterColumns

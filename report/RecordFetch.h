#pragma once
// Turns the receivables table into the report's detail records: one record per data row
// (rows 1 onwards, those with any text), with the customer, cut-off date, amount and letter number
// from columns 0 to 3, and every other field of the template from the column titled with its name.

#include "platform/RegionalSettings.h"

#include <QDate>
#include <QPoint>
#include <QStringList>

#include "engine/ReportTemplate.h"

#include <optional>

class LetterRows;
class ReportEngine;
class StringGridModel;

namespace RecordFetch {
inline const QString Customer = QStringLiteral("客户单位");
inline const QString CutOffDate = QStringLiteral("截止日期");
inline const QString Amount = QStringLiteral("应收金额");
inline const QString LetterNumber = QStringLiteral("函编号");
// The four fields, in the order of the table's columns.
inline const QStringList Fields{Customer, CutOffDate, Amount, LetterNumber};
// The letter's code, which its reply is found by: never read from a column, even one titled
// so (a second request's table carries the first letter's). The fetch gives it the letter
// number; a run recorded in the ledger puts the keyed code in its place.
inline const QString LetterCode = QStringLiteral("函证码");
// Whether the fetch makes the field's value itself rather than reading it from a column.
bool derived(const QString &field);

// Raises the missing-column error before the first record when a field has no column.
// Stops at the first error, with the records of the rows before it committed. 'reading',
// when given, holds the (column, row) of the value being parsed, so the caller can show
// the cell that stopped it; (-1, -1) once every row is in.
// 'letters', when the caller has them already, are the table's rows that make letters.
void run(const StringGridModel &table, ReportEngine &report, const RegionalSettings &settings,
         const QDate &today, QPoint *reading = nullptr, const LetterRows *letters = nullptr);

// A row's cut-off date and amount as the fetch reads them; raise the fetch's errors.
double cutOffDate(const StringGridModel &table, int row, const RegionalSettings &settings,
                  const QDate &today);
double amount(const StringGridModel &table, int row, const RegionalSettings &settings);
// A date or number field's value from its titled column's text, as the fetch reads it;
// nothing for an empty cell. Raises the fetch's parse errors.
std::optional<double> titledValue(FieldType type, const QString &text,
                                  const RegionalSettings &settings, const QDate &today);
} // namespace RecordFetch

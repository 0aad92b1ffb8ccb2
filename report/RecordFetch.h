#pragma once
// Turns the receivables table into the report's detail records: one record per data row
// (rows 1 onwards), with the customer, cut-off date, amount and letter number.

#include "platform/RegionalSettings.h"

#include <QDate>

class ReportEngine;
class StringGridModel;

namespace RecordFetch {
inline const QString Customer = QStringLiteral("客户单位");
inline const QString CutOffDate = QStringLiteral("截止日期");
inline const QString Amount = QStringLiteral("应收金额");
inline const QString LetterNumber = QStringLiteral("函编号");

// Stops at the first error, with the records of the rows before it committed.
void run(const StringGridModel &table, ReportEngine &report, const RegionalSettings &settings,
         const QDate &today);
} // namespace RecordFetch

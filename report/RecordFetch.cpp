#include "RecordFetch.h"

#include "engine/ReportEngine.h"
#include "platform/TextToValue.h"
#include "table/StringGridModel.h"

namespace RecordFetch {

double cutOffDate(const StringGridModel &table, int row, const RegionalSettings &settings,
                  const QDate &today)
{
    return TextToValue::date(table.Cells(1, row), settings, today);
}

double amount(const StringGridModel &table, int row, const RegionalSettings &settings)
{
    return TextToValue::number(table.Cells(2, row), settings);
}

void run(const StringGridModel &table, ReportEngine &report, const RegionalSettings &settings,
         const QDate &today, QPoint *reading)
{
    QPoint unused;
    QPoint &at = reading ? *reading : unused;
    const int rowCount = table.RowCount();
    for (int row = 1; row < rowCount; ++row) {
        report.DetailRecords().AddRecord();
        report.LookupField(Customer).SetText(table.Cells(0, row));
        // Each value is parsed before its field is looked up.
        at = QPoint(1, row);
        const double date = cutOffDate(table, row, settings, today);
        report.LookupField(CutOffDate).SetDate(date);
        at = QPoint(2, row);
        const double value = amount(table, row, settings);
        report.LookupField(Amount).SetNumber(value);
        report.LookupField(LetterNumber).SetText(table.Cells(3, row));
        report.DetailRecords().CommitRecord();
    }
    at = QPoint(-1, -1);
}

} // namespace RecordFetch

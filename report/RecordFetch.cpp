#include "RecordFetch.h"

#include "ColumnBinding.h"
#include "LetterRows.h"
#include "engine/ReportEngine.h"
#include "platform/TextToValue.h"
#include "table/StringGridModel.h"

namespace RecordFetch {

bool derived(const QString &field)
{
    return field == LetterCode;
}

double cutOffDate(const StringGridModel &table, int row, const RegionalSettings &settings,
                  const QDate &today)
{
    return TextToValue::date(table.Cells(1, row), settings, today);
}

double amount(const StringGridModel &table, int row, const RegionalSettings &settings)
{
    return TextToValue::number(table.Cells(2, row), settings);
}

std::optional<double> titledValue(FieldType type, const QString &text,
                                  const RegionalSettings &settings, const QDate &today)
{
    if (text.trimmed().isEmpty())
        return std::nullopt;
    return type == FieldType::Date ? TextToValue::date(text, settings, today)
                                   : TextToValue::number(text, settings);
}

void run(const StringGridModel &table, ReportEngine &report, const RegionalSettings &settings,
         const QDate &today, QPoint *reading, const LetterRows *letters)
{
    QPoint unused;
    QPoint &at = reading ? *reading : unused;
    // A field without its column stops the run before its first letter.
    const ColumnBinding binding(report.reportTemplate().fields, table);
    binding.requireColumns();
    const QList<ColumnBinding::Source> titled = binding.titled();
    const bool coded = report.reportTemplate().fieldIndex(LetterCode) >= 0;
    // A row left empty in the middle of a list makes no letter.
    const std::optional<LetterRows> found =
        letters ? std::nullopt : std::optional<LetterRows>(std::in_place, table);
    for (int row : (letters ? *letters : *found).rows()) {
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
        if (coded)
            report.LookupField(LetterCode).SetText(table.Cells(3, row));
        for (const ColumnBinding::Source &source : titled) {
            at = QPoint(source.column, row);
            const QString text = table.Cells(source.column, row);
            if (source.type == FieldType::Text) {
                report.LookupField(source.field).SetText(text);
            } else if (const auto value = titledValue(source.type, text, settings, today)) {
                // Parsed before the lookup, as the four are.
                ReportField field = report.LookupField(source.field);
                source.type == FieldType::Date ? field.SetDate(*value) : field.SetNumber(*value);
            }
        }
        report.DetailRecords().CommitRecord();
    }
    at = QPoint(-1, -1);
}

} // namespace RecordFetch

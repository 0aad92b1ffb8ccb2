#include "SampleData.h"

#include "platform/Clock.h"

namespace SamplePreview {

QVariant placeholder(FieldType type)
{
    switch (type) {
    case FieldType::Date:
        return Clock::today();
    case FieldType::Number:
        return 123456.78;
    case FieldType::Text:
        break;
    }
    return QStringLiteral("示例文本");
}

ReportDocument document(const ReportTemplate &report, const SampleData &data, int record,
                        bool sampleValues)
{
    ReportDocument document;
    document.report = report;
    document.printDate = Clock::today();
    RecordValues values;
    const SampleRecord *sample =
        record >= 0 && record < data.records.size() ? &data.records[record] : nullptr;
    for (const FieldDeclaration &field : report.fields) {
        if (!sampleValues)
            values.append(QLatin1Char('{') + field.name + QLatin1Char('}'));
        else if (sample && sample->values.contains(field.name))
            values.append(sample->values.value(field.name));
        else
            values.append(placeholder(field.type));
    }
    document.records.append(values);
    return document;
}

} // namespace SamplePreview

#include "SampleData.h"

#include "engine/TemplateText.h"
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

namespace {

QString escaped(QString text)
{
    return text.replace(QLatin1Char('{'), QStringLiteral("{{"))
        .replace(QLatin1Char('}'), QStringLiteral("}}"));
}

QString written(const QString &name, const QString &format)
{
    return escaped(QLatin1Char('{') + name +
                   (format.isEmpty() ? QString() : QLatin1Char(':') + format) + QLatin1Char('}'));
}

// The template with every placeholder shown as written: fields and system values alike.
ReportTemplate byName(ReportTemplate report)
{
    static const QString systemNames[] = {TemplateText::PageNumber, TemplateText::PageCount,
                                          TemplateText::PrintDate};
    for (ReportElement &element : report.elements) {
        switch (element.kind) {
        case ElementKind::Text:
            element.text = escaped(element.text);
            break;
        case ElementKind::Field:
            element.kind = ElementKind::Text;
            element.text = written(element.field, element.format);
            break;
        case ElementKind::SystemValue:
            element.kind = ElementKind::Text;
            element.text = written(
                systemNames[int(element.systemValue)],
                element.systemValue == SystemValueKind::PrintDate ? element.format : QString());
            break;
        case ElementKind::Barcode:
            // A code of its content as written, the field names in braces, where the code
            // of a value would be: empty fields would leave nothing to see or to grab.
            element.text = escaped(element.text);
            if (element.symbology == BarcodeSymbology::Code128)
                for (QChar &c : element.text)
                    if (c.unicode() > 0x7e) // Code 128 holds ASCII alone
                        c = QLatin1Char('?');
            break;
        case ElementKind::Table:
            for (QList<TableCell> &row : element.cells)
                for (TableCell &cell : row)
                    cell.text = escaped(cell.text);
            break;
        default:
            break;
        }
    }
    return report;
}

} // namespace

ReportDocument document(const ReportTemplate &report, const SampleData &data, int record,
                        bool sampleValues)
{
    ReportDocument document;
    document.report = sampleValues ? report : byName(report);
    document.printDate = Clock::today();
    RecordValues values;
    const SampleRecord *sample =
        record >= 0 && record < data.records.size() ? &data.records[record] : nullptr;
    for (const FieldDeclaration &field : report.fields) {
        if (!sampleValues)
            values.append(QString());
        else if (sample && sample->values.contains(field.name))
            values.append(sample->values.value(field.name));
        else
            values.append(placeholder(field.type));
    }
    document.records.append(values);
    return document;
}

} // namespace SamplePreview

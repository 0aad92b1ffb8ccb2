#include "RecordsCommand.h"

#include "BatchLetters.h"
#include "engine/ReportEngine.h"
#include "report/RecordFetch.h"

#include <QDate>
#include <charconv>
#include <cmath>

namespace {

QString jsonString(const QString &text)
{
    QString out(QLatin1Char('"'));
    BatchOutput::appendEscaped(out, text, BatchOutput::Escapes::Json);
    return out += QLatin1Char('"');
}

// The shortest form that reads back as the same double, without an exponent where a
// reader would expect none: 300000, not 3e+05; 1280.5 as it is.
QString jsonNumber(double value)
{
    char buffer[400];
    const double size = std::abs(value);
    const auto format = size == 0 || (size >= 1e-6 && size < 1e21) ? std::chars_format::fixed
                                                                   : std::chars_format::general;
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, format).ptr;
    return QString::fromLatin1(buffer, end - buffer);
}

QString jsonValue(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QDate: {
        const QDate date = value.toDate();
        return QStringLiteral("\"%1-%2-%3\"")
            .arg(date.year(), 4, 10, QLatin1Char('0'))
            .arg(date.month(), 2, 10, QLatin1Char('0'))
            .arg(date.day(), 2, 10, QLatin1Char('0'));
    }
    case QMetaType::QDateTime:
        return jsonValue(value.toDateTime().date());
    case QMetaType::Double:
        return jsonNumber(value.toDouble());
    case QMetaType::UnknownType:
        return QStringLiteral("null");
    default:
        return jsonString(value.toString());
    }
}

} // namespace

int runRecordsCommand(BatchArguments arguments)
{
    ReportEngine engine;
    const ReportTemplate &report = engine.reportTemplate();
    batchLetters(arguments, engine, [&](const RecordValues &record) {
        // The four receivables fields first, then every other field of the template.
        QStringList fields = RecordFetch::Fields;
        for (const FieldDeclaration &field : report.fields)
            if (!fields.contains(field.name))
                fields.append(field.name);
        QStringList members;
        for (const QString &field : fields) {
            const int index = report.fieldIndex(field);
            members.append(jsonString(field) + QStringLiteral(": ") +
                           (index >= 0 ? jsonValue(record.value(index)) : QStringLiteral("null")));
        }
        BatchOutput::write(QLatin1Char('{') + members.join(QStringLiteral(", ")) +
                           QStringLiteral("}\n"));
    });
    return 0;
}

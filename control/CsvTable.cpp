#include "CsvTable.h"

#include "platform/ErrorText.h"
#include "platform/Exception.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace CsvTable {

QString decoded(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    // Text that is valid UTF-8 is taken for it: GB18030's Chinese is almost never valid
    // UTF-8, while UTF-8 is always valid GB18030 (of other characters).
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder chinese("GB18030");
    if (!chinese.isValid())
        throw Exception(QStringLiteral("无法读取 GB18030 编码的文件：请把它另存为 UTF-8"));
    return chinese(bytes);
}

QList<QStringList> parsed(const QString &text)
{
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false, fieldStarted = false;
    auto endField = [&] {
        record.append(field);
        field.clear();
        fieldStarted = false;
    };
    auto endRecord = [&] {
        endField();
        records.append(record);
        record.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c != QLatin1Char('"'))
                field += c;
            else if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"'))
                field += text[++i];
            else
                quoted = false;
            continue;
        }
        if (c == QLatin1Char('"') && !fieldStarted) {
            quoted = fieldStarted = true;
        } else if (c == QLatin1Char(',')) {
            endField();
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            endRecord();
        } else {
            field += c;
            fieldStarted = true;
        }
    }
    if (fieldStarted || !field.isEmpty() || !record.isEmpty())
        endRecord();
    return records;
}

QList<QStringList> read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("无法读取“%1”：%2")
                            .arg(QFileInfo(path).fileName(), fileErrorText(file.errorString())));
    return parsed(decoded(file.readAll()));
}

} // namespace CsvTable

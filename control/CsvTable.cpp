#include "CsvTable.h"

#include "platform/ErrorText.h"
#include "platform/Exception.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
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

QString text(const QList<QStringList> &records)
{
    QString out;
    for (const QStringList &record : records) {
        QStringList fields;
        for (const QString &field : record) {
            if (field.contains(QLatin1Char(',')) || field.contains(QLatin1Char('"')) ||
                field.contains(QLatin1Char('\n')) || field.contains(QLatin1Char('\r')))
                fields.append(QLatin1Char('"') +
                              QString(field).replace(QStringLiteral("\""), QStringLiteral("\"\"")) +
                              QLatin1Char('"'));
            else
                fields.append(field);
        }
        out += fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    return out;
}

void write(const QString &path, const QList<QStringList> &records)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write("\xEF\xBB\xBF") < 0 ||
        file.write(text(records).toUtf8()) < 0 || !file.commit())
        throw Exception(QStringLiteral("无法写入“%1”：%2")
                            .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()),
                                 fileErrorText(file.errorString())));
}

} // namespace CsvTable

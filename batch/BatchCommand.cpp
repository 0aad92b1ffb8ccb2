#include "BatchCommand.h"

#include "WorkbookTable.h"
#include "engine/ReportEngine.h"
#include "report/LetterRun.h"

#include <cstdio>
#include <unistd.h>

QString BatchArguments::takeOption(const QString &name, const QString &fallback)
{
    const qsizetype at = m_arguments.indexOf(name);
    if (at < 0)
        return fallback;
    if (at + 1 >= m_arguments.size())
        throw UsageError(QStringLiteral("选项 %1 缺少参数").arg(name));
    const QString value = m_arguments.at(at + 1);
    m_arguments.remove(at, 2);
    if (m_arguments.contains(name))
        throw UsageError(QStringLiteral("选项 %1 只能给出一次").arg(name));
    return value;
}

bool BatchArguments::hasOption(const QString &name) const
{
    return m_arguments.contains(name);
}

QStringList BatchArguments::positional(int count) const
{
    for (const QString &argument : m_arguments)
        if (argument.startsWith(QLatin1String("--")))
            throw UsageError(QStringLiteral("未知选项 %1").arg(argument));
    if (m_arguments.size() != count)
        throw UsageError(QStringLiteral("参数个数不对"));
    return m_arguments;
}

ReportDocument batchLetters(BatchArguments &arguments, ReportEngine &engine,
                            const std::function<void(const RecordValues &)> &committed)
{
    const QString templateFile = LetterRun::templateFile(
        arguments.takeOption(QStringLiteral("--template"), LetterRun::DefaultTemplateName));
    const WorkbookTable imported(arguments.positional(1).constFirst());
    return LetterRun(imported.table(), RegionalSettings::user())
        .generate(engine, templateFile, committed);
}

namespace BatchOutput {

void write(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

void writeError(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

QString escaped(const QString &text, Escapes escapes)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case '\t':
            out += QLatin1String("\\t");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '"':
            out += escapes == Escapes::Json ? QLatin1String("\\\"") : QLatin1String("\"");
            break;
        default:
            if (escapes == Escapes::Json && c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out;
}

bool errorIsTerminal()
{
    return isatty(fileno(stderr));
}

} // namespace BatchOutput

#include "BatchCommand.h"

#include "WorkbookTable.h"
#include "engine/ReportEngine.h"
#include "report/LetterRun.h"

#include <array>
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

void write(QStringView text)
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

char16_t *writeEscaped(char16_t *out, QStringView text, Escapes escapes)
{
    // Every escaped character lies below ']': one table look-up tells.
    static constexpr auto special = [] {
        std::array<std::array<bool, 0x5D>, 2> table{};
        for (char16_t c : {u'\t', u'\n', u'\r', u'\\'})
            table[0][c] = table[1][c] = true;
        for (char16_t c = 0; c < 0x20; ++c)
            table[1][c] = true;
        table[1]['"'] = true;
        return table;
    }();
    const auto &escapedHere = special[escapes == Escapes::Json];
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c >= 0x5D || !escapedHere[c]) {
            *out++ = c;
            continue;
        }
        *out++ = u'\\';
        switch (c) {
        case '\t':
            *out++ = u't';
            break;
        case '\n':
            *out++ = u'n';
            break;
        case '\r':
            *out++ = u'r';
            break;
        case '\\':
        case '"':
            *out++ = c;
            break;
        default: {
            static constexpr char16_t hex[] = u"0123456789abcdef";
            *out++ = u'u';
            *out++ = u'0';
            *out++ = u'0';
            *out++ = hex[c >> 4];
            *out++ = hex[c & 15];
        }
        }
    }
    return out;
}

void appendEscaped(QString &out, QStringView text, Escapes escapes)
{
    const qsizetype at = out.size();
    out.resize(at + text.size() * kMaxEscapedLength);
    char16_t *begin = reinterpret_cast<char16_t *>(out.data());
    out.truncate(writeEscaped(begin + at, text, escapes) - begin);
}

bool errorIsTerminal()
{
    return isatty(fileno(stderr));
}

} // namespace BatchOutput

#include "BatchCommand.h"

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

QStringList BatchArguments::takeRepeatedOption(const QString &name)
{
    QStringList values;
    for (qsizetype at = m_arguments.indexOf(name); at >= 0; at = m_arguments.indexOf(name)) {
        if (at + 1 >= m_arguments.size())
            throw UsageError(QStringLiteral("选项 %1 缺少参数").arg(name));
        values.append(m_arguments.at(at + 1));
        m_arguments.remove(at, 2);
    }
    return values;
}

bool BatchArguments::hasOption(const QString &name) const
{
    return m_arguments.contains(name);
}

bool BatchArguments::takeFlag(const QString &name)
{
    return m_arguments.removeAll(name) > 0;
}

QStringList BatchArguments::positional(int count) const
{
    const QStringList given = positionalList();
    if (given.size() != count)
        throw UsageError(QStringLiteral("参数个数不对"));
    return given;
}

QStringList BatchArguments::positionalList() const
{
    for (const QString &argument : m_arguments)
        if (argument.startsWith(QLatin1String("--")))
            throw UsageError(QStringLiteral("未知选项 %1").arg(argument));
    if (m_arguments.isEmpty())
        throw UsageError(QStringLiteral("参数个数不对"));
    return m_arguments;
}

void BatchArguments::requireNoneLeft() const
{
    if (!m_arguments.isEmpty())
        positional(0); // names an unknown option, or says the count is wrong
}

namespace BatchOutput {

void write(QStringView text)
{
    writeBytes(text.toUtf8());
}

void writeBytes(QByteArrayView bytes)
{
    std::fwrite(bytes.data(), 1, size_t(bytes.size()), stdout);
}

void writeError(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

namespace {

void put(char16_t *&out, QStringView, qsizetype &, char16_t c)
{
    *out++ = c;
}

// UTF-8 as QString::toUtf8 writes it, a lone surrogate as '?'.
void put(char *&out, QStringView text, qsizetype &i, char16_t c)
{
    if (c < 0x80) {
        *out++ = char(c);
    } else if (c < 0x800) {
        *out++ = char(0xC0 | c >> 6);
        *out++ = char(0x80 | (c & 0x3F));
    } else if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        const char32_t code = QChar::surrogateToUcs4(c, text[++i].unicode());
        *out++ = char(0xF0 | code >> 18);
        *out++ = char(0x80 | (code >> 12 & 0x3F));
        *out++ = char(0x80 | (code >> 6 & 0x3F));
        *out++ = char(0x80 | (code & 0x3F));
    } else if (QChar::isSurrogate(c)) {
        *out++ = '?';
    } else {
        *out++ = char(0xE0 | c >> 12);
        *out++ = char(0x80 | (c >> 6 & 0x3F));
        *out++ = char(0x80 | (c & 0x3F));
    }
}

template <typename Unit> Unit *escapeInto(Unit *out, QStringView text, Escapes escapes)
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
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x5D || !escapedHere[c]) {
            put(out, text, i, c);
            continue;
        }
        *out++ = '\\';
        switch (c) {
        case '\t':
            *out++ = 't';
            break;
        case '\n':
            *out++ = 'n';
            break;
        case '\r':
            *out++ = 'r';
            break;
        case '\\':
        case '"':
            *out++ = Unit(c);
            break;
        default: {
            static constexpr char hex[] = "0123456789abcdef";
            for (char part : {'u', '0', '0', hex[c >> 4], hex[c & 15]})
                *out++ = Unit(part);
        }
        }
    }
    return out;
}

} // namespace

char16_t *writeEscaped(char16_t *out, QStringView text, Escapes escapes)
{
    return escapeInto(out, text, escapes);
}

char *writeEscapedUtf8(char *out, QStringView text, Escapes escapes)
{
    return escapeInto(out, text, escapes);
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

void writeCells(const QStringList &cells)
{
    QString line;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i > 0)
            line += QLatin1Char('\t');
        appendEscaped(line, cells[i], Escapes::Table);
    }
    line += QLatin1Char('\n');
    write(line);
}

} // namespace BatchOutput

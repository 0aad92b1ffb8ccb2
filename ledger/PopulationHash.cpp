#include "PopulationHash.h"

#include <algorithm>

namespace {
// The hash is fed in blocks of about this size: large enough that each call is cheap,
// small enough to stay in the cache.
const size_t kBlock = 1 << 16;

// UTF-16 to UTF-8, at 'out', which has room for three bytes a character. A lone
// surrogate becomes U+FFFD, as QString::toUtf8 writes it.
char *writeUtf8(char *out, QStringView text)
{
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        char32_t c = text[i].unicode();
        if (c < 0x80) {
            *out++ = char(c);
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < size && text[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), text[++i].unicode());
        else if (QChar::isSurrogate(c))
            c = 0xFFFD;
        if (c < 0x800) {
            *out++ = char(0xC0 | (c >> 6));
        } else if (c < 0x10000) {
            *out++ = char(0xE0 | (c >> 12));
            *out++ = char(0x80 | ((c >> 6) & 0x3F));
        } else {
            *out++ = char(0xF0 | (c >> 18));
            *out++ = char(0x80 | ((c >> 12) & 0x3F));
            *out++ = char(0x80 | ((c >> 6) & 0x3F));
        }
        *out++ = char(0x80 | (c & 0x3F));
    }
    return out;
}

// Most cells have nothing to trim: seeing that inline saves a call per cell.
QStringView trimmed(QStringView text)
{
    if (text.isEmpty() || (!text.front().isSpace() && !text.back().isSpace()))
        return text;
    return text.trimmed();
}

} // namespace

PopulationHash::PopulationHash() : m_bytes(kBlock) {}

void PopulationHash::addRow(QStringView customer, QStringView cutOff, QStringView amount,
                            QStringView number)
{
    const QStringView fields[] = {trimmed(customer), trimmed(cutOff), trimmed(amount),
                                  trimmed(number)};
    size_t most = 4; // the tabs and the newline
    for (QStringView field : fields)
        most += 3 * size_t(field.size());
    if (m_used + most > m_bytes.size()) {
        flush();
        m_bytes.resize(std::max(m_bytes.size(), most));
    }
    char *out = m_bytes.data() + m_used;
    for (int column = 0; column < 4; ++column) {
        out = writeUtf8(out, fields[column]);
        *out++ = column < 3 ? '\t' : '\n';
    }
    m_used = size_t(out - m_bytes.data());
}

QByteArray PopulationHash::hex()
{
    flush();
    return m_hash.hex();
}

void PopulationHash::flush()
{
    m_hash.add(QByteArrayView(m_bytes.data(), qsizetype(m_used)));
    m_used = 0;
}

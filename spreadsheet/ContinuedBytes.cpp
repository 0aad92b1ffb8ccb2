#include "ContinuedBytes.h"

#include "ReadFailure.h"

#include <algorithm>

namespace {
[[noreturn]] void incomplete()
{
    damaged(QStringLiteral("共享字符串表不完整"));
}
} // namespace

quint8 ContinuedBytes::u8()
{
    settle();
    if (m_part >= m_parts.size())
        incomplete();
    return quint8(m_parts[m_part][m_pos++]);
}

void ContinuedBytes::skip(quint64 n)
{
    while (n > 0) {
        settle();
        if (m_part >= m_parts.size())
            incomplete();
        const qsizetype step =
            qsizetype(std::min<quint64>(n, quint64(m_parts[m_part].size() - m_pos)));
        m_pos += step;
        n -= quint64(step);
    }
}

QString ContinuedBytes::characters(quint32 count, bool wide)
{
    QString text;
    text.reserve(qsizetype(std::min<quint32>(count, 65535)));
    while (count > 0) {
        if (m_part >= m_parts.size())
            incomplete();
        if (m_pos >= m_parts[m_part].size()) {
            // The characters go on in the next part, after a fresh option byte.
            ++m_part;
            m_pos = 0;
            if (m_part >= m_parts.size() || m_parts[m_part].isEmpty())
                incomplete();
            wide = quint8(m_parts[m_part][m_pos++]) & 0x01;
            continue;
        }
        const QByteArrayView part = m_parts[m_part];
        const qsizetype width = wide ? 2 : 1;
        const quint32 here =
            quint32(std::min<qsizetype>(qsizetype(count), (part.size() - m_pos) / width));
        if (here == 0)
            damaged(QStringLiteral("字符串被截断"));
        const char *p = part.data() + m_pos;
        if (wide) {
            const qsizetype at = text.size();
            text.resize(at + qsizetype(here));
            char16_t *out = reinterpret_cast<char16_t *>(text.data()) + at;
            for (quint32 i = 0; i < here; ++i)
                out[i] = char16_t(quint8(p[2 * i]) | quint8(p[2 * i + 1]) << 8);
        } else {
            text.append(QLatin1String(p, qsizetype(here)));
        }
        m_pos += qsizetype(here) * width;
        count -= here;
    }
    return text;
}

bool ContinuedBytes::inPlace(quint32 count, bool wide, QByteArrayView &bytes)
{
    // Not settled: moving on to the next part here would take its option byte for a
    // character.
    const qsizetype size = qsizetype(count) * (wide ? 2 : 1);
    if (m_part >= m_parts.size() || m_parts[m_part].size() - m_pos < size)
        return false;
    bytes = m_parts[m_part].sliced(m_pos, size);
    m_pos += size;
    return true;
}

#pragma once
// An .xls file's shared strings: the SST record and its CONTINUE records, read on a thread
// of their own while the sheets are read (a sheet keeps its text cells' numbers and asks
// for the strings once it is done).

#include "ReadFailure.h"
#include "TextTable.h"

#include <QByteArray>
#include <QList>

#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace XlsDamage {
[[noreturn]] inline void damaged(const QString &detail)
{
    throw ReadFailure{ReadFailure::Damaged, detail};
}
} // namespace XlsDamage

// The data of a record and its CONTINUE records, read as one, where a string's
// characters may run into the next part, which then starts with a new option byte.
class ContinuedBytes
{
public:
    explicit ContinuedBytes(QList<QByteArrayView> parts) : m_parts(std::move(parts)) {}

    bool atEnd()
    {
        settle();
        return m_part >= m_parts.size();
    }
    quint8 u8()
    {
        settle();
        if (m_part >= m_parts.size())
            XlsDamage::damaged(QStringLiteral("共享字符串表不完整"));
        return quint8(m_parts[m_part][m_pos++]);
    }
    quint16 u16() { return quint16(u8() | u8() << 8); }
    quint32 u32() { return quint32(u16()) | quint32(u16()) << 16; }
    void skip(quint64 n)
    {
        while (n > 0) {
            settle();
            if (m_part >= m_parts.size())
                XlsDamage::damaged(QStringLiteral("共享字符串表不完整"));
            const qsizetype step =
                qsizetype(std::min<quint64>(n, quint64(m_parts[m_part].size() - m_pos)));
            m_pos += step;
            n -= quint64(step);
        }
    }
    QString characters(quint32 count, bool wide)
    {
        QString text;
        text.reserve(qsizetype(std::min<quint32>(count, 65535)));
        while (count > 0) {
            if (m_part >= m_parts.size())
                XlsDamage::damaged(QStringLiteral("共享字符串表不完整"));
            if (m_pos >= m_parts[m_part].size()) {
                // The characters go on in the next part, after a fresh option byte.
                ++m_part;
                m_pos = 0;
                if (m_part >= m_parts.size() || m_parts[m_part].isEmpty())
                    XlsDamage::damaged(QStringLiteral("共享字符串表不完整"));
                wide = quint8(m_parts[m_part][m_pos++]) & 0x01;
                continue;
            }
            const QByteArrayView part = m_parts[m_part];
            const qsizetype width = wide ? 2 : 1;
            const quint32 here =
                quint32(std::min<qsizetype>(qsizetype(count), (part.size() - m_pos) / width));
            if (here == 0)
                XlsDamage::damaged(QStringLiteral("字符串被截断"));
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

    // The characters' bytes in place when they all lie in the current part; false, with
    // nothing read, when they run on into the next.
    bool inPlace(quint32 count, bool wide, QByteArrayView &bytes)
    {
        settle();
        const qsizetype size = qsizetype(count) * (wide ? 2 : 1);
        if (m_part >= m_parts.size() || m_parts[m_part].size() - m_pos < size)
            return false;
        bytes = m_parts[m_part].sliced(m_pos, size);
        m_pos += size;
        return true;
    }

private:
    // Moves past exhausted parts, outside strings.
    void settle()
    {
        while (m_part < m_parts.size() && m_pos >= m_parts[m_part].size()) {
            ++m_part;
            m_pos = 0;
        }
    }

    QList<QByteArrayView> m_parts;
    qsizetype m_part = 0;
    qsizetype m_pos = 0;
};

class XlsSharedStrings
{
public:
    // 'bytes' holds what the parts view, and is kept while they are read. Each group is one
    // SST record's data and its CONTINUE records'; their strings follow each other.
    XlsSharedStrings(std::shared_ptr<const void> bytes, QList<QList<QByteArrayView>> groups);
    ~XlsSharedStrings();
    XlsSharedStrings(const XlsSharedStrings &) = delete;
    XlsSharedStrings &operator=(const XlsSharedStrings &) = delete;

    // Waits for the strings; throws what their reading threw.
    std::shared_ptr<const TextTable> get();

private:
    void read();

    std::shared_ptr<const void> m_bytes;
    QList<QList<QByteArrayView>> m_groups;
    std::shared_ptr<TextTable> m_table = std::make_shared<TextTable>();
    std::exception_ptr m_error;
    std::thread m_thread;
    std::once_flag m_joined;
};

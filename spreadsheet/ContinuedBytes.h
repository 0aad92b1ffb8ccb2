#pragma once
// The data of an .xls record and its CONTINUE records, read as one, where a string's
// characters may run into the next part, which then starts with a new option byte. Reading
// past the end throws ReadFailure (damaged).

#include <QByteArrayView>
#include <QList>
#include <QString>

class ContinuedBytes
{
public:
    explicit ContinuedBytes(QList<QByteArrayView> parts) : m_parts(std::move(parts)) {}

    bool atEnd()
    {
        settle();
        return m_part >= m_parts.size();
    }
    quint8 u8();
    quint16 u16() { return quint16(u8() | u8() << 8); }
    quint32 u32() { return quint32(u16()) | quint32(u16()) << 16; }
    void skip(quint64 n);
    QString characters(quint32 count, bool wide);
    // The characters' bytes in place when they all lie in the current part; false, with
    // nothing read, when they run on into the next, even when the current part ends right
    // before them: the next part then starts with an option byte of its own, which
    // characters() reads.
    bool inPlace(quint32 count, bool wide, QByteArrayView &bytes);

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

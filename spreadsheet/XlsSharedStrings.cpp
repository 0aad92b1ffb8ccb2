#include "XlsSharedStrings.h"

#include "ContinuedBytes.h"

#include <algorithm>
#include <system_error>

XlsSharedStrings::XlsSharedStrings(std::shared_ptr<const void> bytes,
                                   QList<QList<QByteArrayView>> groups)
    : m_bytes(std::move(bytes)), m_groups(std::move(groups))
{
    try {
        m_thread = std::thread([this] { read(); });
    } catch (const std::system_error &) {
        read(); // no thread to be had: read them now
    }
}

XlsSharedStrings::~XlsSharedStrings()
{
    if (m_thread.joinable())
        m_thread.join();
}

std::shared_ptr<const TextTable> XlsSharedStrings::get()
{
    std::call_once(m_joined, [&] {
        if (m_thread.joinable())
            m_thread.join();
    });
    if (m_error)
        std::rethrow_exception(m_error);
    return m_table;
}

void XlsSharedStrings::readString(ContinuedBytes &data)
{
    const quint16 length = data.u16();
    const quint8 options = data.u8();
    const quint16 runs = (options & 0x08) ? data.u16() : 0;
    const quint32 extension = (options & 0x04) ? data.u32() : 0;
    const bool wide = options & 0x01;
    QByteArrayView bytes;
    if (data.inPlace(length, wide, bytes)) // the common case, without a copy
        wide ? m_table->appendUtf16LE(bytes) : m_table->appendLatin1(bytes);
    else
        m_table->append(data.characters(length, wide));
    data.skip(quint64(runs) * 4 + extension);
}

void XlsSharedStrings::read()
{
    try {
        for (const QList<QByteArrayView> &parts : std::as_const(m_groups)) {
            ContinuedBytes data(parts);
            data.u32(); // total references
            // The count the file states bounds nothing: some writers state 0, or more than
            // they wrote. The strings are read until the records end; a text cell's number
            // is checked against what was read.
            const quint32 stated = data.u32();
            qsizetype recordBytes = 0;
            for (const QByteArrayView part : parts)
                recordBytes += part.size();
            // A string takes at least 3 bytes of the records.
            m_table->reserve(std::min<qsizetype>(stated, recordBytes / 3), recordBytes);
            while (!data.atEnd())
                readString(data);
        }
        m_table->squeeze();
    } catch (...) {
        m_error = std::current_exception();
    }
}

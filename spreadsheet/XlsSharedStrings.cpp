#include "XlsSharedStrings.h"

#include "ContinuedBytes.h"
#include "ReadFailure.h"

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

void XlsSharedStrings::read()
{
    try {
        for (const QList<QByteArrayView> &parts : std::as_const(m_groups)) {
            ContinuedBytes data(parts);
            data.u32(); // total references
            const quint32 unique = data.u32();
            // The text is no longer than the records that hold it (a count the file states
            // may be damaged, so it bounds nothing).
            qsizetype recordBytes = 0;
            for (const QByteArrayView part : parts)
                recordBytes += part.size();
            m_table->reserve(std::min<qsizetype>(unique, recordBytes / 3), recordBytes);
            for (quint32 i = 0; i < unique; ++i) {
                if (data.atEnd())
                    damaged(
                        QStringLiteral("共享字符串表只有 %1 项，而不是 %2 项").arg(i).arg(unique));
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
        }
        m_table->squeeze();
    } catch (...) {
        m_error = std::current_exception();
    }
}

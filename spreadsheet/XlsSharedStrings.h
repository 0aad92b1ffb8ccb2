#pragma once
// An .xls file's shared strings: the SST record and its CONTINUE records, read on a thread
// of their own while the sheets are read (a sheet keeps its text cells' numbers and asks
// for the strings once it is done).

#include "TextTable.h"

#include <QByteArrayView>
#include <QList>

#include <exception>
#include <memory>
#include <mutex>
#include <thread>

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
    void readString(class ContinuedBytes &data);

    std::shared_ptr<const void> m_bytes;
    QList<QList<QByteArrayView>> m_groups;
    std::shared_ptr<TextTable> m_table = std::make_shared<TextTable>();
    std::exception_ptr m_error;
    std::thread m_thread;
    std::once_flag m_joined;
};

#pragma once
// The detail records of a report being generated: one record is open at a time, and
// committing it appends it to the report.

#include "ReportDocument.h"

#include <functional>

class DetailRecordStore;

// A field of the open record, found by name; stores a value in it.
class ReportField
{
public:
    ReportField(DetailRecordStore &records, int index, quint64 record)
        : m_records(records), m_index(index), m_record(record)
    {
    }
    void SetText(const QString &text);
    // An automation date: days since 30 December 1899.
    void SetDate(double automationDate);
    void SetNumber(double value);

private:
    void set(const QVariant &value);
    DetailRecordStore &m_records;
    int m_index;
    quint64 m_record;
};

class DetailRecordStore
{
public:
    // Opens a new record; one still open and not committed is dropped.
    void AddRecord();
    // Commits the open record.
    void CommitRecord();

    // The engine's side.
    void start(int fieldCount);
    bool hasOpenRecord() const { return m_open; }
    quint64 openRecordNumber() const { return m_openNumber; }
    QList<RecordValues> takeCommitted() { return std::exchange(m_committed, {}); }
    const RecordValues &committed(qsizetype index) const { return m_committed.at(index); }
    // Called after each commit with the number committed so far; may throw to stop.
    void setCommitObserver(std::function<void(qsizetype)> observer)
    {
        m_observer = std::move(observer);
    }

private:
    friend class ReportField;
    int m_fieldCount = 0;
    bool m_open = false;
    quint64 m_openNumber = 0;
    RecordValues m_current;
    QList<RecordValues> m_committed;
    std::function<void(qsizetype)> m_observer;
};

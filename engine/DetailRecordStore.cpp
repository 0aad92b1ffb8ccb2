#include "DetailRecordStore.h"

#include "ReportError.h"
#include "platform/ValueText.h"

void DetailRecordStore::start(int fieldCount)
{
    m_fieldCount = fieldCount;
    m_open = false;
    m_current.clear();
    m_committed.clear();
}

void DetailRecordStore::AddRecord()
{
    m_current = RecordValues(m_fieldCount);
    m_open = true;
    ++m_openNumber;
}

void DetailRecordStore::CommitRecord()
{
    if (!m_open)
        throw ReportError(QStringLiteral("没有打开的明细记录可提交"));
    m_committed.append(std::move(m_current));
    m_current = RecordValues();
    m_open = false;
    if (m_observer)
        m_observer(m_committed.size());
}

void ReportField::set(const QVariant &value)
{
    if (!m_records.m_open || m_records.m_openNumber != m_record)
        throw ReportError(QStringLiteral("字段所属的明细记录已不再打开"));
    m_records.m_current[m_index] = value;
}

void ReportField::SetText(const QString &text)
{
    set(text);
}

void ReportField::SetDate(double automationDate)
{
    const QDateTime moment = ValueText::dateTimeFromAutomation(automationDate);
    if (moment.time() == QTime(0, 0))
        set(moment.date());
    else
        set(QDateTime(moment.date(), moment.time(), Qt::UTC));
}

void ReportField::SetNumber(double value)
{
    set(value);
}

#pragma once
// The report engine: holds a template, generates a report from detail records that it
// asks for through the fetch-record handler, and loads and saves template files.

#include "DetailRecordStore.h"
#include "ReportDocument.h"
#include "ReportTemplate.h"

#include <functional>

class ReportEngine
{
public:
    // False when the file does not exist: the engine then holds an empty template and
    // remembers the file as missing. A file that exists but cannot be read, is damaged
    // or is of a newer format version raises a ReportError naming it.
    bool LoadTemplateFile(const QString &path);
    // Writes the template atomically; raises a ReportError when it cannot.
    bool SaveTemplateFile(const QString &path);

    QString Title() const { return m_title; }
    void setTitle(const QString &title) { m_title = title; }

    // The record store of the report's detail part.
    DetailRecordStore &DetailRecords() { return m_records; }
    // The field of that name in the open record; fails for a name the template lacks.
    ReportField LookupField(const QString &name);

    // Raised during generation; an error it raises ends the generation unchanged.
    void setFetchRecordHandler(std::function<void()> handler)
    {
        m_fetchRecord = std::move(handler);
    }
    // Generates the report: the records the handler commits, one page each. The print
    // date is today by the program's clock, which tests can set.
    ReportDocument generate();
    ReportDocument generate(const QDate &printDate);

    const ReportTemplate &reportTemplate() const { return m_template; }
    void setReportTemplate(const ReportTemplate &report);
    bool isLoaded() const { return m_loaded; }
    QString templatePath() const { return m_path; }

private:
    ReportTemplate m_template;
    QString m_path;
    bool m_loaded = false;
    QString m_title;
    DetailRecordStore m_records;
    std::function<void()> m_fetchRecord;
};

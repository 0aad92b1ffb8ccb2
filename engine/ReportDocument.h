#pragma once
// A generated report: the template, its committed detail records (one page each, or as
// many as the template's detail band holds) and what the pages show besides them.

#include "ReportTemplate.h"

#include <QDate>
#include <QList>
#include <QVariant>

// One record's values in the order of the template's fields; QString, QDate or double.
using RecordValues = QList<QVariant>;

struct ReportDocument
{
    ReportTemplate report;
    QList<RecordValues> records;
    QString title; // the preview window's caption
    QDate printDate;
    // What print queues and the PDF's title call it, so one run is told from another (for
    // example 应收帐款确认函（12 封）); the title when empty.
    QString name;
    // What the file of one page by itself is titled: a template text, its fields filled in
    // for each page (for example 应收帐款确认函（{函编号}，{客户单位}）); the document's
    // name when empty.
    QString pageName;

    QString documentName() const { return name.isEmpty() ? title : name; }

    int pageCount() const
    {
        const int per = report.recordsPerPage();
        return int((records.size() + per - 1) / per);
    }
    // The first record a page shows: the one fields outside the detail band take.
    int firstRecordOf(int page) const { return page * report.recordsPerPage(); }
    // How many records a page shows (its band copies).
    int recordsOn(int page) const
    {
        const int first = firstRecordOf(page);
        return std::clamp(int(records.size()) - first, 0, report.recordsPerPage());
    }
};

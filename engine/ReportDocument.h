#pragma once
// A generated report: the template, its committed detail records (one page
// each) and what the pages show besides them.

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

    int pageCount() const { return int(records.size()); }
};

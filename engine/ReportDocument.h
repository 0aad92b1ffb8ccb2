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
    QString title;
    QDate printDate;

    int pageCount() const { return int(records.size()); }
};

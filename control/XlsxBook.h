#pragma once
// An .xlsx workbook the auditor keeps, written with libxlsxwriter beside its place and
// renamed into it: a failure leaves no half file and the old one as it was.

#include <QString>

#include <functional>

struct lxw_workbook;
struct lxw_format;
struct lxw_worksheet;

class XlsxBook
{
public:
    // Makes the workbook with 'fill' and puts it at 'path'. 'what' names the workbook in the
    // error raised on failure (无法写入<what>“<name>”：<reason>). 'rowByRow': 'fill' writes
    // each sheet's rows in order, so they go to disk as written, not all kept in memory.
    static void write(const QString &path, const QString &what,
                      const std::function<void(XlsxBook &)> &fill, bool rowByRow = false);

    lxw_workbook *get() const { return m_book; }
    lxw_format *format(const std::function<void(lxw_format *)> &set);
    lxw_worksheet *addSheet(const QString &name);
    void setProperties(const QString &title, const QString &subject);
    // The formats every workbook of ours uses.
    lxw_format *headerFormat();
    lxw_format *dateFormat();
    lxw_format *amountFormat();
    void writeTitles(lxw_worksheet *sheet, const QStringList &titles);

private:
    XlsxBook(const QString &path, bool rowByRow);
    ~XlsxBook();
    void close();
    lxw_workbook *m_book;
    lxw_format *m_header = nullptr, *m_date = nullptr, *m_amount = nullptr;
};

// An automation date (days since 1899-12-30), as the workbook stores dates.
double xlsxSerial(const class QDate &date);

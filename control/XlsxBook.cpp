#include "XlsxBook.h"

#include "platform/ErrorText.h"
#include "platform/Exception.h"

#include <xlsxwriter.h>

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <filesystem>
#include <sys/stat.h>
#include <utility>

XlsxBook::XlsxBook(const QString &path, bool rowByRow)
{
    lxw_workbook_options options = {};
    options.constant_memory = rowByRow ? LXW_TRUE : LXW_FALSE;
    m_book = workbook_new_opt(QFile::encodeName(path).constData(), &options);
    if (!m_book)
        throw Exception(QStringLiteral("无法创建工作簿"));
}

XlsxBook::~XlsxBook()
{
    if (m_book)
        workbook_close(m_book); // after a failure: frees, the file is thrown away
}

void XlsxBook::close()
{
    const lxw_error error = workbook_close(std::exchange(m_book, nullptr));
    if (error != LXW_NO_ERROR)
        throw Exception(QString::fromUtf8(lxw_strerror(error)));
}

lxw_format *XlsxBook::format(const std::function<void(lxw_format *)> &set)
{
    lxw_format *f = workbook_add_format(m_book);
    set(f);
    return f;
}

lxw_worksheet *XlsxBook::addSheet(const QString &name)
{
    lxw_worksheet *sheet = workbook_add_worksheet(m_book, name.toUtf8().constData());
    if (!sheet)
        throw Exception(QStringLiteral("无法添加工作表“%1”").arg(name));
    return sheet;
}

void XlsxBook::setProperties(const QString &title, const QString &subject)
{
    const QByteArray titleText = title.toUtf8(), subjectText = subject.toUtf8();
    lxw_doc_properties properties = {};
    properties.title = const_cast<char *>(titleText.constData());
    properties.subject = const_cast<char *>(subjectText.constData());
    properties.author = const_cast<char *>("roviradavev");
    properties.created = QDateTime::currentSecsSinceEpoch();
    workbook_set_properties(m_book, &properties); // copies the texts
}

lxw_format *XlsxBook::headerFormat()
{
    if (!m_header)
        m_header = format([](lxw_format *f) {
            format_set_bold(f);
            format_set_bg_color(f, 0xDDEBF7);
            format_set_border(f, LXW_BORDER_THIN);
        });
    return m_header;
}

lxw_format *XlsxBook::dateFormat()
{
    if (!m_date)
        m_date = format([](lxw_format *f) { format_set_num_format(f, "yyyy-mm-dd"); });
    return m_date;
}

lxw_format *XlsxBook::amountFormat()
{
    if (!m_amount)
        m_amount = format([](lxw_format *f) { format_set_num_format(f, "#,##0.00"); });
    return m_amount;
}

void XlsxBook::writeTitles(lxw_worksheet *sheet, const QStringList &titles)
{
    for (int c = 0; c < titles.size(); ++c)
        worksheet_write_string(sheet, 0, lxw_col_t(c), titles[c].toUtf8().constData(),
                               headerFormat());
}

void XlsxBook::write(const QString &path, const QString &what,
                     const std::function<void(XlsxBook &)> &fill, bool rowByRow)
{
    const QFileInfo target(path);
    const QString name = target.fileName();
    auto failure = [&](const QString &reason) {
        return Exception(QStringLiteral("无法写入%1“%2”：%3").arg(what, name, reason));
    };
    QTemporaryFile staging(
        target.absoluteDir().filePath(QStringLiteral(".%1-XXXXXX.xlsx").arg(what)));
    if (!staging.open())
        throw failure(fileErrorText(staging.errorString()));
    staging.close();
    try {
        XlsxBook book(staging.fileName(), rowByRow);
        fill(book);
        book.close();
    } catch (const Exception &error) {
        throw failure(error.message());
    }
    // A file of its own, as any the user saves: readable as the umask allows.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(QFile::encodeName(staging.fileName()).constData(), 0666 & ~mask);
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(staging.fileName()).toStdString(),
                            QFile::encodeName(target.absoluteFilePath()).toStdString(), error);
    if (error)
        throw failure(fileErrorText(QString::fromLocal8Bit(error.message())));
    staging.setAutoRemove(false); // it is the workbook now
}

double xlsxSerial(const QDate &date)
{
    return double(QDate(1899, 12, 30).daysTo(date));
}

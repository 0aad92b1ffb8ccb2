#include "ReplyListWriter.h"

#include "XlsxBook.h"

#include <xlsxwriter.h>

#include "platform/Exception.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace ReplyListWriter {

QStringList replyTitles()
{
    return QStringList{QStringLiteral("文件"),     QStringLiteral("页"),
                       QStringLiteral("函证编号"), QStringLiteral("被询证单位"),
                       QStringLiteral("金额"),     QStringLiteral("状态"),
                       QStringLiteral("说明")} +
           checkTitles();
}

QStringList checkTitles()
{
    return {QStringLiteral("二维码校验"), QStringLiteral("改动检查"), QStringLiteral("回函标记"),
            QStringLiteral("建议结果")};
}

QStringList unansweredTitles()
{
    return {QStringLiteral("函证编号"), QStringLiteral("被询证单位"), QStringLiteral("金额")};
}

namespace {

void writeText(lxw_worksheet *sheet, int row, int column, const QString &text)
{
    if (!text.isEmpty())
        worksheet_write_string(sheet, lxw_row_t(row), lxw_col_t(column), text.toUtf8().constData(),
                               nullptr);
}

void writeAmount(lxw_worksheet *sheet, int row, int column, const SentLetter &letter,
                 lxw_format *amount)
{
    if (letter.amount)
        worksheet_write_number(sheet, lxw_row_t(row), lxw_col_t(column), *letter.amount, amount);
    else
        writeText(sheet, row, column, letter.amountText);
}

} // namespace

bool sameFile(const QString &a, const QString &b)
{
    // Where the workbook goes: the path made absolute and clean, as XlsxBook renames into
    // it. "sub/../x" is x then, even where sub does not exist.
    const QString first = QDir::cleanPath(QFileInfo(a).absoluteFilePath());
    const QString second = QDir::cleanPath(QFileInfo(b).absoluteFilePath());
    struct stat firstStat, secondStat;
    if (::stat(QFile::encodeName(first).constData(), &firstStat) == 0 &&
        ::stat(QFile::encodeName(second).constData(), &secondStat) == 0)
        // Whatever names lead there: links, symbolic links, another spelling of a folder.
        return firstStat.st_dev == secondStat.st_dev && firstStat.st_ino == secondStat.st_ino;
    return first == second;
}

void checkTarget(const QString &path, const QString &registerFile)
{
    if (!registerFile.isEmpty() && sameFile(path, registerFile))
        throw Exception(
            QStringLiteral("函证控制表是审计工作底稿，不能被回函清单覆盖：请另选文件名"));
}

void write(const ReplyList &list, const QString &path, const QString &registerFile)
{
    checkTarget(path, registerFile);
    XlsxBook::write(path, QStringLiteral("回函清单"), [&](XlsxBook &book) {
        book.setProperties(QStringLiteral("回函清单"), QStringLiteral("扫描回函的识别与匹配"));
        lxw_format *amount = book.amountFormat();
        const QList<SentLetter> &letters = list.letters().letters();

        lxw_worksheet *replies = book.addSheet(QStringLiteral("回函清单"));
        book.writeTitles(replies, replyTitles());
        int row = 1;
        for (const ReplyLine &line : list.lines()) {
            writeText(replies, row, 0, QDir::toNativeSeparators(line.file));
            if (line.page > 0)
                worksheet_write_number(replies, lxw_row_t(row), 1, line.page, nullptr);
            writeText(replies, row, 2, line.number);
            if (line.letter >= 0) {
                writeText(replies, row, 3, letters[line.letter].customer);
                writeAmount(replies, row, 4, letters[line.letter], amount);
            }
            writeText(replies, row, 5, ReplyList::stateText(line.state));
            writeText(replies, row, 6, line.note);
            const QStringList checks = line.checkTexts();
            for (int c = 0; c < checks.size(); ++c)
                writeText(replies, row, 7 + c, checks[c]);
            ++row;
        }
        const double widths[] = {40, 5, 16, 34, 16, 10, 30, 10, 12, 30, 10};
        for (int c = 0; c < int(std::size(widths)); ++c)
            worksheet_set_column(replies, lxw_col_t(c), lxw_col_t(c), widths[c], nullptr);
        worksheet_freeze_panes(replies, 1, 0);
        if (row > 1)
            worksheet_autofilter(replies, 0, 0, lxw_row_t(row - 1),
                                 lxw_col_t(replyTitles().size() - 1));

        lxw_worksheet *missing = book.addSheet(QStringLiteral("未回函"));
        book.writeTitles(missing, unansweredTitles());
        row = 1;
        for (int index : list.unanswered()) {
            writeText(missing, row, 0, letters[index].number);
            writeText(missing, row, 1, letters[index].customer);
            writeAmount(missing, row, 2, letters[index], amount);
            ++row;
        }
        worksheet_set_column(missing, 0, 0, 16, nullptr);
        worksheet_set_column(missing, 1, 1, 34, nullptr);
        worksheet_set_column(missing, 2, 2, 16, nullptr);
        worksheet_freeze_panes(missing, 1, 0);
    });
}

} // namespace ReplyListWriter

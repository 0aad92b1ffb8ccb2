#include "WorkbookFile.h"

#include "ReadFailure.h"
#include "SpreadsheetError.h"
#include "XlsReader.h"
#include "XlsxReader.h"

#include <QFile>
#include <QFileInfo>

namespace WorkbookFile {

namespace {

QString quoted(const QString &path)
{
    return QStringLiteral("“%1”").arg(
        QFileInfo(path).fileName().isEmpty() ? path : QFileInfo(path).fileName());
}

QString failureMessage(const QString &path, const ReadFailure &failure)
{
    switch (failure.cause) {
    case ReadFailure::NotWorkbook:
        return QStringLiteral("文件%1不是 Excel 工作簿（.xls 或 .xlsx）").arg(quoted(path));
    case ReadFailure::Encrypted:
        return QStringLiteral("工作簿%1设有密码保护，请在电子表格程序中取消密码后再导入")
            .arg(quoted(path));
    case ReadFailure::OldFormat:
        return QStringLiteral("工作簿%1是早期的 Excel 格式（Excel 2.x–4.0），本程序不能读取，"
                              "请在电子表格程序中打开它，另存为 .xls 或 .xlsx 后再导入")
            .arg(quoted(path));
    case ReadFailure::BinaryWorkbook:
        return QStringLiteral("工作簿%1是 Excel 二进制工作簿（.xlsb），本程序不能读取，"
                              "请在电子表格程序中打开它，另存为 .xlsx 后再导入")
            .arg(quoted(path));
    case ReadFailure::Damaged:
        break;
    }
    if (failure.detail.isEmpty())
        return QStringLiteral("工作簿%1已损坏，无法读取").arg(quoted(path));
    return QStringLiteral("工作簿%1已损坏，无法读取：%2").arg(quoted(path), failure.detail);
}

// Excel 2.x to 4.x saved the bare record stream, without a container: it begins with the
// BOF record of BIFF2 (0x0009), BIFF3 (0x0209) or BIFF4 (0x0409) and its short length.
bool isEarlyExcel(const QByteArray &head)
{
    if (head.size() < 4 || head[0] != 0x09 || !(head[1] == 0 || head[1] == 2 || head[1] == 4))
        return false;
    const int length = uchar(head[2]) | uchar(head[3]) << 8;
    return length >= 4 && length <= 16;
}

template <typename Work> void translatingFailures(const QString &path, Work &&work)
{
    try {
        work();
    } catch (const ReadFailure &failure) {
        throw SpreadsheetError(failureMessage(path, failure));
    } catch (const std::bad_alloc &) {
        throw SpreadsheetError(
            failureMessage(path, {ReadFailure::Damaged, QStringLiteral("数据量超出可用内存")}));
    }
}

} // namespace

std::unique_ptr<WorkbookData> open(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw SpreadsheetError(QStringLiteral("找不到文件%1").arg(quoted(path)));
    if (info.isDir())
        throw SpreadsheetError(QStringLiteral("%1是文件夹，不是 Excel 工作簿").arg(quoted(path)));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw SpreadsheetError(QStringLiteral("没有读取文件%1的权限").arg(quoted(path)));
    const QByteArray head = file.read(8);
    file.close();
    if (head.isEmpty())
        throw SpreadsheetError(
            QStringLiteral("文件%1是空文件，不是 Excel 工作簿").arg(quoted(path)));

    std::unique_ptr<WorkbookData> workbook;
    translatingFailures(path, [&] {
        if (head.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
            workbook = XlsReader::read(path);
        else if (head.startsWith("PK\x03\x04"))
            workbook = XlsxReader::read(path);
        else if (isEarlyExcel(head))
            throw ReadFailure{ReadFailure::OldFormat, {}};
        else
            throw ReadFailure{ReadFailure::NotWorkbook, {}};
    });
    // A sheet is read when first asked for; its failures read as the open's would.
    for (const auto &sheet : workbook->sheets())
        if (SheetData::Loader load = sheet->takeLoader())
            sheet->setLoader(
                [load, path](SheetData &data) { translatingFailures(path, [&] { load(data); }); });
    return workbook;
}

} // namespace WorkbookFile

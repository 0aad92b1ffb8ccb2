// What the user waits for, whole commands from start to exit, each beside its baseline in
// the same run, on workbooks an office suite wrote (LibreOffice converting openpyxl's):
// the table of a 100,000-row .xlsx against `unzip -p` of the file, the table of a
// 65,000-row .xls against python3-xlrd reading it, and 1,000 letters as one PDF each
// against the same letters in one PDF.

#include "ChildRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

bool makeWorkbooks(const QString &dir)
{
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty()) {
        std::fprintf(stderr, "LibreOffice is missing: run scripts/install-bench-deps.sh\n");
        return false;
    }
    return runChild(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral(BENCH_SOURCE_DIR "/make_office_workbooks.py"), dir})
        .ok;
}

qint64 folderBytes(const QString &path)
{
    qint64 total = 0;
    for (const QFileInfo &file : QDir(path).entryInfoList(QDir::Files))
        total += file.size();
    return total;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    qputenv("LANG", "zh_CN.UTF-8");
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/workbooks");
    if (!makeWorkbooks(dir))
        return 1;
    const QString batch =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/roviradavev-batch");
    const QString xlsx = dir + QStringLiteral("/office-100k.xlsx");
    const QString xls = dir + QStringLiteral("/office-65k.xls");
    const QString letters = dir + QStringLiteral("/office-letters-1000.xlsx");

    const ChildRun table = bestChildRun(5, batch, {QStringLiteral("table"), xlsx});
    const ChildRun unzip = bestChildRun(5, QStringLiteral("unzip"), {QStringLiteral("-p"), xlsx});
    std::printf(".xlsx, 100,000 rows (LibreOffice): table %.0f ms, unzip -p %.0f ms: %.2f times "
                "(target <= 2); peak memory %.0f MB (target <= 100)\n",
                table.milliseconds, unzip.milliseconds, table.milliseconds / unzip.milliseconds,
                table.peakKilobytes / 1024.0);

    const ChildRun tableXls = bestChildRun(5, batch, {QStringLiteral("table"), xls});
    const QString xlrdScript = QStringLiteral("import sys, xlrd\n"
                                              "b = xlrd.open_workbook(sys.argv[1])\n"
                                              "s = b.sheet_by_index(0)\n"
                                              "v = [s.row_values(r) for r in range(s.nrows)]\n");
    const ChildRun xlrd = bestChildRun(3, QStringLiteral("/usr/bin/python3"),
                                       {QStringLiteral("-c"), xlrdScript, xls});
    std::printf(".xls, 65,000 rows (LibreOffice): table %.0f ms, python3-xlrd %.0f ms: %.1f times "
                "faster (target >= 10)\n",
                tableXls.milliseconds, xlrd.milliseconds,
                xlrd.milliseconds / tableXls.milliseconds);

    QTemporaryDir out;
    const QString onePdf = out.filePath(QStringLiteral("all.pdf"));
    const ChildRun one =
        bestChildRun(3, batch, {QStringLiteral("print"), letters, QStringLiteral("--pdf"), onePdf});
    const QString split = out.filePath(QStringLiteral("each"));
    const ChildRun each = bestChildRun(
        3, batch, {QStringLiteral("print"), letters, QStringLiteral("--split"), split});
    const int files = int(QDir(split).entryList(QDir::Files).size());
    QProcess text;
    text.start(QStringLiteral("pdftotext"),
               {QDir(split).entryInfoList(QDir::Files).value(0).filePath(), QStringLiteral("-")});
    text.waitForFinished(-1);
    const bool searchable =
        QString::fromUtf8(text.readAllStandardOutput()).contains(QStringLiteral("询证函"));
    std::printf("1,000 letters: one PDF %.0f ms, one PDF each %.0f ms: %.1f times (target <= 5); "
                "%d files of %.1f KB a letter, text %s\n",
                one.milliseconds, each.milliseconds, each.milliseconds / one.milliseconds, files,
                folderBytes(split) / 1024.0 / std::max(files, 1),
                searchable ? "searchable" : "NOT searchable");
    return 0;
}

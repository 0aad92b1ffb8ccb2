// What the user waits for, whole commands from start to exit, each beside its baseline in
// the same run, on workbooks as several programs write them (see make_office_workbooks.py):
// the table of each .xlsx against `unzip -p` of the same file, with its peak memory; the
// table of each .xls against python3-xlrd reading it; and 1,000 letters as one PDF each
// against the same letters in one PDF. Runs alternate with their baselines, and the best
// of each counts, so that a busy moment of the machine falls on both alike.
//
// Usage: bench_batch [--batch PATH] [--quick]. --batch times another build of the command
// (an earlier commit's, for a before-and-after); --quick leaves out the million-row files.
// Exits 1 when a target is missed.

#include "support/ChildRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

bool g_allMet = true;

const char *verdict(bool met)
{
    g_allMet = g_allMet && met;
    return met ? "met" : "MISSED";
}

bool makeWorkbooks(const QString &dir, bool million)
{
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty()) {
        std::fprintf(stderr, "LibreOffice is missing: run scripts/install-bench-deps.sh\n");
        return false;
    }
    QStringList arguments{QStringLiteral(BENCH_SOURCE_DIR "/make_office_workbooks.py"), dir};
    if (million)
        arguments.append(QStringLiteral("--million"));
    return runChild(QStringLiteral("/usr/bin/python3"), arguments).ok;
}

// The best of 'runs' of each command, the two run by turns.
std::pair<ChildRun, ChildRun> bestByTurns(int runs, const QString &program,
                                          const QStringList &arguments, const QString &baseline,
                                          const QStringList &baselineArguments)
{
    ChildRun ours{1e300, 0, false}, theirs{1e300, 0, false};
    for (int i = 0; i < runs; ++i) {
        const ChildRun a = runChild(program, arguments);
        const ChildRun b = runChild(baseline, baselineArguments);
        ours = a.milliseconds < ours.milliseconds ? a : ours;
        theirs = b.milliseconds < theirs.milliseconds ? b : theirs;
    }
    return {ours, theirs};
}

void tableAgainstUnzip(const QString &batch, const QString &workbook, double peakTargetMb)
{
    const int runs = QFileInfo(workbook).size() > 20'000'000 ? 3 : 7;
    const auto [table, unzip] =
        bestByTurns(runs, batch, {QStringLiteral("table"), workbook}, QStringLiteral("unzip"),
                    {QStringLiteral("-p"), workbook});
    const double ratio = table.milliseconds / unzip.milliseconds;
    const double peak = table.peakKilobytes / 1024.0;
    std::printf("%-22s table %6.0f ms, unzip -p %6.0f ms: %.2f times (<= 1.5: %s); peak %5.0f MB "
                "(<= %.0f: %s)\n",
                qPrintable(QFileInfo(workbook).fileName()), table.milliseconds, unzip.milliseconds,
                ratio, verdict(ratio <= 1.5 && table.ok), peak, peakTargetMb,
                verdict(peak <= peakTargetMb));
}

void tableAgainstXlrd(const QString &batch, const QString &workbook)
{
    const QString script = QStringLiteral("import sys, xlrd\n"
                                          "b = xlrd.open_workbook(sys.argv[1])\n"
                                          "s = b.sheet_by_index(0)\n"
                                          "v = [s.row_values(r) for r in range(s.nrows)]\n");
    const auto [table, xlrd] =
        bestByTurns(5, batch, {QStringLiteral("table"), workbook},
                    QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, workbook});
    const double times = xlrd.milliseconds / table.milliseconds;
    std::printf("%-22s table %6.0f ms, python3-xlrd %6.0f ms: %.1f times faster (>= 10: %s); "
                "peak %.0f MB\n",
                qPrintable(QFileInfo(workbook).fileName()), table.milliseconds, xlrd.milliseconds,
                times, verdict(times >= 10 && table.ok), table.peakKilobytes / 1024.0);
}

qint64 folderBytes(const QString &path)
{
    qint64 total = 0;
    for (const QFileInfo &file : QDir(path).entryInfoList(QDir::Files))
        total += file.size();
    return total;
}

void lettersOneFileEach(const QString &batch, const QString &letters)
{
    QTemporaryDir out;
    const QString onePdf = out.filePath(QStringLiteral("all.pdf"));
    // Each run into a folder of its own, as a first export is.
    ChildRun each{1e300, 0, false}, one{1e300, 0, false};
    QString split;
    for (int i = 0; i < 3; ++i) {
        split = out.filePath(QStringLiteral("each-%1").arg(i));
        const ChildRun a =
            runChild(batch, {QStringLiteral("print"), letters, QStringLiteral("--split"), split});
        const ChildRun b =
            runChild(batch, {QStringLiteral("print"), letters, QStringLiteral("--pdf"), onePdf});
        each = a.milliseconds < each.milliseconds ? a : each;
        one = b.milliseconds < one.milliseconds ? b : one;
    }
    const int files = int(QDir(split).entryList(QDir::Files).size());
    QProcess text;
    text.start(QStringLiteral("pdftotext"),
               {QDir(split).entryInfoList(QDir::Files).value(0).filePath(), QStringLiteral("-")});
    text.waitForFinished(-1);
    const bool searchable =
        QString::fromUtf8(text.readAllStandardOutput()).contains(QStringLiteral("询证函"));
    const double ratio = each.milliseconds / one.milliseconds;
    std::printf("1,000 letters: one PDF %.0f ms (%.0f letters/s), one PDF each %.0f ms: %.2f times "
                "(<= 2: %s); %d files of %.1f KB a letter, text %s\n",
                one.milliseconds, 1000 / (one.milliseconds / 1000), each.milliseconds, ratio,
                verdict(ratio <= 2 && each.ok && files == 1000 && searchable), files,
                folderBytes(split) / 1024.0 / std::max(files, 1),
                searchable ? "searchable" : "NOT searchable");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    qputenv("LANG", "zh_CN.UTF-8");
    const QStringList arguments = app.arguments();
    const bool quick = arguments.contains(QStringLiteral("--quick"));
    const qsizetype batchAt = arguments.indexOf(QStringLiteral("--batch"));
    const QString batch =
        batchAt > 0 && batchAt + 1 < arguments.size()
            ? arguments[batchAt + 1]
            : QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/roviradavev-batch");
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/workbooks");
    if (!makeWorkbooks(dir, !quick))
        return 1;
    auto workbook = [&](const char *name) { return dir + QLatin1Char('/') + QLatin1String(name); };
    std::printf("timing %s\n", qPrintable(QFileInfo(batch).canonicalFilePath()));

    for (const char *name :
         {"office-100k.xlsx", "openpyxl-100k.xlsx", "stream-100k.xlsx", "mixed-100k.xlsx"})
        tableAgainstUnzip(batch, workbook(name), 60);
    if (!quick)
        for (const char *name :
             {"office-1m.xlsx", "openpyxl-1m.xlsx", "stream-1m.xlsx", "mixed-1m.xlsx"})
            tableAgainstUnzip(batch, workbook(name), 250);
    for (const char *name : {"office-65k.xls", "xlwt-65k.xls"})
        tableAgainstXlrd(batch, workbook(name));
    lettersOneFileEach(batch, workbook("office-letters-1000.xlsx"));
    std::printf("%s\n", g_allMet ? "every target met" : "a target was MISSED");
    return g_allMet ? 0 : 1;
}

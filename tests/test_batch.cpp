// roviradavev-batch as a user runs it: output, escapes, exit codes, no display needed.

#include "support/BatchProcess.h"
#include "support/Python.h"
#include "support/TestData.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

using Run = BatchProcessRun;

// The sample workbook's letters printed to one PDF and registered, in 'dir'.
struct PrintedSample
{
    QString sample, letters, registerFile;
    bool ok = false;
};
PrintedSample printedSample(const QTemporaryDir &dir)
{
    PrintedSample printed{qEnvironmentVariable("PROGRAM_DIR") + QStringLiteral("/导入模板.xls"),
                          dir.filePath(QStringLiteral("letters.pdf")),
                          dir.filePath(QStringLiteral("函证控制表.xlsx"))};
    printed.ok =
        batch({QStringLiteral("print"), printed.sample, QStringLiteral("--pdf"), printed.letters})
                .status == 0 &&
        batch({QStringLiteral("register"), printed.sample, QStringLiteral("--out"),
               printed.registerFile})
                .status == 0;
    return printed;
}

// The shipped letter as its file says it.
QJsonObject shippedLetter()
{
    QFile shipped(qEnvironmentVariable("PROGRAM_DIR") + QStringLiteral("/应收帐款确认函.grf"));
    return shipped.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(shipped.readAll()).object()
                                             : QJsonObject();
}

// Writes a template; its path, or nothing when it could not be written.
QString writeTemplate(const QJsonObject &letter, const QString &path)
{
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return QString();
    out.write(QJsonDocument(letter).toJson());
    return path;
}

// The shipped letter with more fields declared, written to 'folder'.
QString letterWithFields(const QString &folder, const QStringList &names)
{
    QJsonObject letter = shippedLetter();
    QJsonArray fields = letter.value(QStringLiteral("fields")).toArray();
    for (const QString &name : names)
        fields.append(QJsonObject{{QStringLiteral("name"), name},
                                  {QStringLiteral("type"), QStringLiteral("text")}});
    letter.insert(QStringLiteral("fields"), fields);
    return writeTemplate(letter, folder + QStringLiteral("/带地址.grf"));
}

// The shipped letter without anything that shows its number (its code, its "编号" line), as
// a template of another kind would be: its rows need no numbers of their own.
QString letterWithoutNumbers(const QString &folder)
{
    QJsonObject letter = shippedLetter();
    QJsonArray kept;
    for (const QJsonValue element : letter.value(QStringLiteral("elements")).toArray())
        if (!QJsonDocument(element.toObject()).toJson().contains("{函编号"))
            kept.append(element);
    letter.insert(QStringLiteral("elements"), kept);
    return writeTemplate(letter, folder + QStringLiteral("/应收帐款确认函.grf"));
}

} // namespace

class TestBatch : public QObject
{
    Q_OBJECT
private slots:
    void tablePrintsEveryRowAndColumn()
    {
        const Run run = batch({QStringLiteral("table"), workbookPath("receivables.xlsx")});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.err, QString());
        const QStringList lines = run.out.split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 12); // 11 rows, each ended by a line feed
        QCOMPARE(lines[0], QStringLiteral("客户名称\t截止日期\t应收金额\t函编号"));
        QCOMPARE(lines[1],
                 QStringLiteral("北京华信科技有限公司\t2024/12/31\t128000.5\tWL-2024-001"));
        QCOMPARE(lines[11], QString());
    }

    // Characters beyond the basic plane, gaps between texts, and rows of the longest texts
    // a cell holds, enough to fill the output's block several times, all come out whole
    // and in order.
    void tableWritesAnyTextWhole()
    {
        QTemporaryDir dir;
        const QString workbook = dir.filePath(QStringLiteral("wide.xlsx"));
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral("-c"),
                      QStringLiteral("import sys, openpyxl\n"
                                     "b = openpyxl.Workbook(); s = b.active\n"
                                     "s['A1'] = '\\U00020000汉'; s['D1'] = 'x'\n"
                                     "for r in range(2, 32):\n"
                                     "    s.cell(r, 3, '长' * 32767); s.cell(r, 4, str(r))\n"
                                     "b.save(sys.argv[1])\n"),
                      workbook});
        QVERIFY(python.waitForFinished(60000) && python.exitCode() == 0);
        const Run run = batch({QStringLiteral("table"), workbook});
        QCOMPARE(run.status, 0);
        QString expected = QStringLiteral("\U00020000汉\t\t\tx\n");
        for (int row = 2; row < 32; ++row)
            expected += QStringLiteral("\t\t") + QString(32767, QChar(u'长')) +
                        QStringLiteral("\t%1\n").arg(row);
        QVERIFY(run.out == expected);
    }

    void tableFollowsTheLocale()
    {
        const Run run = batch({QStringLiteral("table"), workbookPath("receivables.xls")},
                              QStringLiteral("de_DE.UTF-8"));
        QCOMPARE(run.out.split(QLatin1Char('\n'))[1],
                 QStringLiteral("北京华信科技有限公司\t31.12.2024\t128000,5\tWL-2024-001"));
    }

    void tableEscapesControlCharacters()
    {
        const Run run = batch({QStringLiteral("table"), workbookPath("escapes.xlsx")});
        QCOMPARE(run.out, QStringLiteral("a\\tb\tline1\\nline2\tback\\\\slash\ncr\\rx\t\tend\n"));
    }

    void tableOfANamedSheet()
    {
        Run run = batch({QStringLiteral("table"), workbookPath("second_active.xlsx"),
                         QStringLiteral("--sheet"), QStringLiteral("第一页")});
        QCOMPARE(run.out, QStringLiteral("第一页的数据\n"));
        run = batch({QStringLiteral("table"), workbookPath("second_active.xlsx"),
                     QStringLiteral("--sheet"), QStringLiteral("第三页")});
        QCOMPARE(run.status, 1);
        QCOMPARE(run.out, QString());
        QCOMPARE(run.err, QStringLiteral("工作簿中没有名为“第三页”的工作表：Excel worksheet 第三页 "
                                         "not found.\n"));
    }

    void recordsAsJsonLines()
    {
        const Run run = batch({QStringLiteral("records"), qEnvironmentVariable("PROGRAM_DIR") +
                                                              QStringLiteral("/导入模板.xls")});
        QCOMPARE(run.status, 0);
        const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 12);
        QCOMPARE(
            lines[0],
            QStringLiteral("{\"客户单位\": \"北京华信科技有限公司\", \"截止日期\": \"2025-12-31\", "
                           "\"应收金额\": 128000.5, \"函编号\": \"YS-2025-001\", "
                           "\"函证码\": \"YS-2025-001\"}"));
        QCOMPARE(
            lines[7],
            QStringLiteral("{\"客户单位\": \"南京金陵印刷有限公司\", \"截止日期\": \"2025-12-31\", "
                           "\"应收金额\": 1000.05, \"函编号\": \"YS-2025-008\", "
                           "\"函证码\": \"YS-2025-008\"}"));
        // Whole amounts are JSON integers, as a reader expects them.
        QVERIFY(lines[3].contains(QStringLiteral("\"应收金额\": 300000,")));
        // Under another locale the same workbook gives the same records.
        QCOMPARE(batch({QStringLiteral("records"),
                        qEnvironmentVariable("PROGRAM_DIR") + QStringLiteral("/导入模板.xls")},
                       QStringLiteral("de_DE.UTF-8"))
                     .out,
                 run.out);
    }

    void recordsStopAtTheFirstBadRow()
    {
        const Run run = batch({QStringLiteral("records"), workbookPath("bad_rows.xlsx"),
                               QStringLiteral("--template"), QStringLiteral("预收帐款确认函")});
        QCOMPARE(run.status, 1);
        QCOMPARE(run.out.count(QLatin1Char('\n')), 2);
        QVERIFY(run.out.contains(QStringLiteral("\"函编号\": \"BAD-2\"")));
        QCOMPARE(run.err, QStringLiteral("第6行B列: '2024年13月1日' is not a valid date.\n"));
        const Run missing =
            batch({QStringLiteral("records"), workbookPath("bad_rows.xlsx"),
                   QStringLiteral("--template"), QStringLiteral("/nowhere/letter.grf")});
        QCOMPARE(missing.status, 1);
        QCOMPARE(missing.err, QStringLiteral("找不到打印模板文件“/nowhere/letter.grf”.\n"));
    }

    // Fields beyond the four come from the columns titled with their names; a field the
    // workbook has no column for stops the run and the check, naming the titles it has.
    void extraFieldsByColumnTitle()
    {
        QTemporaryDir dir;
        const QString sample =
            qEnvironmentVariable("PROGRAM_DIR") + QStringLiteral("/导入模板.xls");
        const QString letter =
            letterWithFields(dir.path(), {QStringLiteral("地址"), QStringLiteral("联系人")});
        const Run run =
            batch({QStringLiteral("records"), sample, QStringLiteral("--template"), letter});
        QCOMPARE(run.status, 0);
        QCOMPARE(
            run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).value(0),
            QStringLiteral("{\"客户单位\": \"北京华信科技有限公司\", \"截止日期\": \"2025-12-31\", "
                           "\"应收金额\": 128000.5, \"函编号\": \"YS-2025-001\", "
                           "\"函证码\": \"YS-2025-001\", "
                           "\"地址\": \"北京市海淀区中关村大街 18 号\", \"联系人\": \"王立新\"}"));

        const QString withFax = letterWithFields(dir.path(), {QStringLiteral("传真")});
        const QString missing = QStringLiteral(
            "导入的表格第 1 行没有标题为“传真”的列，打印模板的字段“传真”无法取值。表格的列标题有："
            "客户名称、截止日期、应收金额、函编号、邮编、地址、联系人.\n");
        const Run records =
            batch({QStringLiteral("records"), sample, QStringLiteral("--template"), withFax});
        QCOMPARE(records.status, 1);
        QCOMPARE(records.out, QString());
        QCOMPARE(records.err, missing);
        const Run check =
            batch({QStringLiteral("check"), sample, QStringLiteral("--template"), withFax});
        QCOMPARE(check.status, 1);
        QCOMPARE(check.out, missing);
    }

    void checkNamesTheWorkbookRows()
    {
        Run run = batch({QStringLiteral("check"), workbookPath("bad_rows.xlsx")});
        QCOMPARE(run.status, 1);
        QCOMPARE(run.out,
                 QStringLiteral("第6行B列: '2024年13月1日' is not a valid date.\n"
                                "第7行C列: '1,000.00' is not a valid floating point value.\n"));
        // Texts that do not fit even shrunk are warnings: the letters still print.
        run = batch({QStringLiteral("check"), workbookPath("long_names.xlsx")});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringLiteral("警告：第3行: “客户单位”的文字放不下.\n"
                                         "警告：第5行: “客户单位”的文字放不下.\n"
                                         "共 4 行数据，全部可以打印，2 行有警告\n"));
        run = batch({QStringLiteral("check"), workbookPath("receivables.xlsx")});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringLiteral("共 10 行数据，全部可以打印\n"));
    }

    // Letters that carry their numbers stop before the first when a number is missing or
    // repeated, and so do the check and the register, naming the rows.
    void lettersNeedNumbersOfTheirOwn()
    {
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("全部.pdf"));
        const QString named =
            QStringLiteral("第3行D列：没有函编号\n第4行、第5行：函编号“同号”重复.\n");
        Run run = batch({QStringLiteral("print"), workbookPath("letter_names.xlsx"),
                         QStringLiteral("--pdf"), pdf});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.endsWith(named), qPrintable(run.err));
        QVERIFY(!QFile::exists(pdf));
        run = batch({QStringLiteral("register"), workbookPath("letter_names.xlsx"),
                     QStringLiteral("--out"), dir.filePath(QStringLiteral("控制表.xlsx"))});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.endsWith(named), qPrintable(run.err));
        QVERIFY(QDir(dir.path()).isEmpty());
        run = batch({QStringLiteral("check"), workbookPath("letter_names.xlsx")});
        QCOMPARE(run.status, 1);
        QCOMPARE(run.out,
                 QStringLiteral("第3行D列: 没有函编号.\n第4行、第5行: 函编号“同号”重复.\n"));
        // The register tells letters apart by number even when the template shows none.
        const QString plain = letterWithoutNumbers(dir.path());
        run = batch({QStringLiteral("register"), workbookPath("letter_names.xlsx"),
                     QStringLiteral("--template"), plain, QStringLiteral("--out"),
                     dir.filePath(QStringLiteral("控制表.xlsx"))});
        QCOMPARE(run.status, 1);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("控制表.xlsx"))));
        run = batch({QStringLiteral("check"), workbookPath("letter_names.xlsx"),
                     QStringLiteral("--template"), plain});
        QCOMPARE(run.status, 0);
    }

    // A row left empty in the middle makes no letter and stops nothing; what does stop the
    // run is named by its cell as the sheet shows it, its used range beginning at B2.
    void emptyRowsAreSkippedAndStopsNamed()
    {
        Run run = batch({QStringLiteral("records"), workbookPath("gaps.xlsx")});
        QCOMPARE(run.status, 1);
        QCOMPARE(run.out.count(QLatin1Char('\n')), 3);
        QVERIFY(run.out.contains(QStringLiteral("\"函编号\": \"G-3\"")));
        QCOMPARE(run.err, QStringLiteral("第8行C列: '2024/13/31' is not a valid date.\n"));
        run = batch({QStringLiteral("check"), workbookPath("gaps.xlsx")});
        QCOMPARE(run.status, 1);
        QCOMPARE(run.out, QStringLiteral("跳过 2 个空行：第5行、第6行\n"
                                         "第8行C列: '2024/13/31' is not a valid date.\n"));
    }

    // An element moved off the page (a left edge of 999 for 99) prints nowhere: the check
    // says so, and that the letters print with a warning.
    void theCheckWarnsOfElementsOffThePage()
    {
        QTemporaryDir dir;
        QJsonObject letter = shippedLetter();
        QJsonArray elements = letter.value(QStringLiteral("elements")).toArray();
        QJsonObject moved = elements.first().toObject();
        QJsonArray box = moved.value(QStringLiteral("rect")).toArray();
        QVERIFY(!box.isEmpty());
        box[0] = 999;
        moved.insert(QStringLiteral("rect"), box);
        elements[0] = moved;
        letter.insert(QStringLiteral("elements"), elements);
        const QString path = writeTemplate(letter, dir.filePath(QStringLiteral("移走.grf")));
        QVERIFY(!path.isEmpty());
        const Run run = batch({QStringLiteral("check"), workbookPath("receivables.xlsx"),
                               QStringLiteral("--template"), path});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.out.startsWith(QStringLiteral("警告：1 个元素超出页面")), qPrintable(run.out));
        QVERIFY2(run.out.endsWith(QStringLiteral("共 10 行数据，全部可以打印，另有 1 条警告\n")),
                 qPrintable(run.out));
    }

    void printToOnePdfAndToOnePerLetter()
    {
        QTemporaryDir dir;
        QTemporaryDir templates;
        // Letters that show no number: their file names stand in for missing and repeated ones.
        const QString plain = letterWithoutNumbers(templates.path());
        const QString pdf = dir.filePath(QStringLiteral("全部.pdf"));
        Run run = batch({QStringLiteral("print"), workbookPath("letter_names.xlsx"),
                         QStringLiteral("--template"), plain, QStringLiteral("--pdf"), pdf});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringLiteral("已导出 6 封询证函到“%1”\n").arg(pdf));
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        QVERIFY(text.waitForFinished(30000));
        const QString letters = QString::fromUtf8(text.readAllStandardOutput());
        QCOMPARE(letters.count(QStringLiteral("企业询证函")), 6);
        // Named after the template and the run, not the preview's caption.
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {pdf});
        QVERIFY(info.waitForFinished(30000));
        QVERIFY(QString::fromUtf8(info.readAllStandardOutput())
                    .contains(QStringLiteral("Title:           应收帐款确认函（6 封）\n")));
        QVERIFY(letters.contains(QStringLiteral("客户6：")));
        QVERIFY(letters.contains(QStringLiteral("陆佰元整")));

        const QString folder = dir.filePath(QStringLiteral("逐封"));
        run = batch({QStringLiteral("print"), workbookPath("letter_names.xlsx"),
                     QStringLiteral("--template"), plain, QStringLiteral("--split"), folder});
        QCOMPARE(run.status, 0);
        QStringList files = QDir(folder).entryList(QDir::Files, QDir::Name);
        QStringList expected{"A_1.pdf",    "第2封.pdf", "同号.pdf",
                             "同号-2.pdf", "__.pdf",    "正常.pdf"};
        std::sort(expected.begin(), expected.end());
        QCOMPARE(files, expected);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 QStringList{"全部.pdf"}); // nothing outside
        QCOMPARE(run.out,
                 QStringLiteral("已导出 6 封询证函到文件夹“%1”，每封一个 PDF 文件\n").arg(folder));
        for (const QString &file : files) { // each a letter poppler reads
            QProcess page;
            page.start(QStringLiteral("pdftotext"),
                       {QDir(folder).filePath(file), QStringLiteral("-")});
            QVERIFY(page.waitForFinished(30000));
            QCOMPARE(
                QString::fromUtf8(page.readAllStandardOutput()).count(QStringLiteral("企业询证函")),
                1);
        }

        // Letters of an earlier run are not written over unasked, and nothing is written.
        QFile::remove(QDir(folder).filePath(QStringLiteral("正常.pdf")));
        run = batch({QStringLiteral("print"), workbookPath("letter_names.xlsx"),
                     QStringLiteral("--template"), plain, QStringLiteral("--split"), folder});
        QCOMPARE(run.status, 1);
        QCOMPARE(run.out, QString());
        QCOMPARE(run.err,
                 QStringLiteral("文件夹“%1”中已有 5 个同名文件，未导出任何文件；要覆盖它们，"
                                "请加 --overwrite.\n")
                     .arg(folder));
        QVERIFY(!QFile::exists(QDir(folder).filePath(QStringLiteral("正常.pdf"))));
        run = batch({QStringLiteral("print"), workbookPath("letter_names.xlsx"),
                     QStringLiteral("--template"), plain, QStringLiteral("--split"), folder,
                     QStringLiteral("--overwrite")});
        QCOMPARE(run.status, 0);
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 6);

        run = batch({QStringLiteral("print"), workbookPath("letter_names.xlsx")});
        QCOMPARE(run.status, 2);
        run = batch({QStringLiteral("print"), workbookPath("bad_rows.xlsx"),
                     QStringLiteral("--pdf"), dir.filePath("bad.pdf")});
        QCOMPARE(run.status, 1);
        QVERIFY(!QFile::exists(dir.filePath("bad.pdf")));
    }

    // The ledger from the command line: made, printed into, listed, checked; a run the ledger
    // cannot take writes nothing; a ledger changed past the program fails its check with 4.
    void printIntoTheLedger()
    {
        QTemporaryDir dir;
        const QString ledger = dir.filePath(QStringLiteral("审计项目.rvledger"));
        const QString sample =
            qEnvironmentVariable("PROGRAM_DIR") + QStringLiteral("/导入模板.xls");
        Run run = batch({"ledger", "new", ledger, "--engagement", "华信审计2025"});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringLiteral("已建立函证台账“%1”（项目：华信审计2025）\n").arg(ledger));
        QCOMPARE(batch({"ledger", "new", ledger}).status, 1);

        const QString folder = dir.filePath(QStringLiteral("逐封"));
        run = batch({"print", sample, "--split", folder, "--ledger", ledger});
        QCOMPARE(run.status, 0);
        QVERIFY2(
            run.out.endsWith(
                QStringLiteral("已记入函证台账“%1”：第 1 批，新发 12 封，重印 0 封\n").arg(ledger)),
            qPrintable(run.out));

        run = batch({"ledger", "letters", ledger});
        QCOMPARE(run.status, 0);
        const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 13);
        QVERIFY(
            lines[0].startsWith(QStringLiteral("函证编号\t被询证单位\t函证基准日\t账面金额\t"
                                               "模板\t状态\t首次发函批次\t重印次数\t页面SHA-256\t"
                                               "发函方式\t")));
        const QStringList first = lines[1].split(QLatin1Char('\t'));
        QCOMPARE(first.mid(0, 8), (QStringList{"YS-2025-001", "北京华信科技有限公司", "2025-12-31",
                                               "128000.50", "应收帐款确认函", "已发函", "1", "0"}));
        QFile file(QDir(folder).filePath(QStringLiteral("YS-2025-001.pdf")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(first[8].toLatin1(),
                 QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex());

        // The same numbers with another template's content: refused before the first letter.
        const QString other = dir.filePath(QStringLiteral("预收.pdf"));
        run = batch(
            {"print", sample, "--template", "预收帐款确认函", "--pdf", other, "--ledger", ledger});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(QStringLiteral("（YS-2025-001）、")) &&
                     run.err.contains(QStringLiteral("的函证编号已按其他内容发出过")) &&
                     run.err.contains(QStringLiteral("请先在函证台账中作废原来的询证函")),
                 qPrintable(run.err));
        QVERIFY(!QFile::exists(other));
        // The same content again: a reprint.
        run = batch({"print", sample, "--pdf", dir.filePath("全部.pdf"), "--ledger", ledger});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.out.contains(QStringLiteral("第 2 批，新发 0 封，重印 12 封")),
                 qPrintable(run.out));

        struct Listing
        {
            QStringList arguments;
            int status;
            int lines;
        };
        const QList<Listing> listings{
            {{"ledger", "letters", ledger, "--state", "已发函"}, 0, 13},
            {{"ledger", "letters", ledger, "--state", "已回函"}, 0, 1},
            {{"ledger", "letters", ledger, "--state", "寄丢了"}, 2, 0},
            // 发函, 登记 of the row's 地址 as 询证地址, 重印
            {{"ledger", "log", ledger, "--letter", "YS-2025-001"}, 0, 4},
            // The first run's letters each with its 登记 of 询证地址; the reprint adds none.
            {{"ledger", "log", ledger}, 0, 1 + 1 + 1 + 12 + 12 + 1 + 12},
            {{"ledger", "info", ledger}, 0, 10},
            {{"ledger", "verify", ledger}, 0, 1},
            {{"ledger", "frobnicate", ledger}, 2, 0},
            {{"ledger"}, 2, 0},
            {{"ledger", "info", dir.filePath("没有.rvledger")}, 1, 0},
        };
        for (const Listing &listing : listings) {
            run = batch(listing.arguments);
            QVERIFY2(run.status == listing.status,
                     qPrintable(listing.arguments.join(' ') + ": " + run.err));
            QVERIFY2(run.out.count(QLatin1Char('\n')) == listing.lines,
                     qPrintable(listing.arguments.join(' ') + ":\n" + run.out));
        }
        const QString info = batch({"ledger", "info", ledger}).out;
        QVERIFY2(info.contains(QStringLiteral("项目\t华信审计2025\n")) &&
                     info.contains(QStringLiteral("询证函\t12\n已作废\t0\n发函批次\t2\n")),
                 qPrintable(info));

        // A letter's amount changed past the program, then a log entry's text.
        auto tamper = [&](const QString &statement) {
            QProcess sqlite;
            sqlite.start(QStringLiteral("sqlite3"), {ledger, statement});
            QVERIFY(sqlite.waitForFinished(30000));
            QCOMPARE(sqlite.exitCode(), 0);
        };
        tamper(QStringLiteral("UPDATE letters SET cents = 1 WHERE number = 'YS-2025-002'"));
        run = batch({"ledger", "verify", ledger});
        QCOMPARE(run.status, 4);
        QCOMPARE(run.out, QStringLiteral("函证台账已损坏：函证编号 YS-2025-002 的询证函内容与发函时"
                                         "的记录不符：函证台账在本程序之外被改动过\n"));
        tamper(QStringLiteral("UPDATE log SET new_value = 'x' WHERE id = 5"));
        run = batch({"ledger", "verify", ledger});
        QCOMPARE(run.status, 4);
        QCOMPARE(run.out, QStringLiteral("函证台账已损坏：操作记录第 5 条的内容与它的校验值不符："
                                         "函证台账在本程序之外被改动过\n"));
    }

    // Each letter's own file is named by its number, cut short where the name would pass
    // the 255 bytes a file system takes (the run goes on, and says which), and titled with
    // its own number and customer rather than the run's.
    void eachLettersFileIsNamedAndTitledAsItsOwn()
    {
        QTemporaryDir dir;
        const QString longNumber = QString(QStringLiteral("编号")).repeated(50); // 300 bytes
        const QString workbook = dir.filePath(QStringLiteral("long.xlsx"));
        const PythonRun made = runPython(
            QStringLiteral(
                "import sys, datetime, openpyxl\n"
                "book = openpyxl.Workbook(); sheet = book.active\n"
                "sheet.append(['客户名称', '截止日期', '应收金额', '函编号'])\n"
                "for i, number in enumerate(sys.argv[2:], start=1):\n"
                "    sheet.append([f'客户{i}', datetime.date(2024, 12, 31), i * 100, number])\n"
                "book.save(sys.argv[1])\n"),
            {workbook, QStringLiteral("WL-1"), longNumber, longNumber + QStringLiteral("甲")});
        QVERIFY(made.ok);
        // The letter without its code, which could not hold so long a number.
        QFile shipped(qEnvironmentVariable("PROGRAM_DIR") + QStringLiteral("/应收帐款确认函.grf"));
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        QJsonObject letter = QJsonDocument::fromJson(shipped.readAll()).object();
        QJsonArray elements;
        for (const QJsonValue element : letter.value(QStringLiteral("elements")).toArray())
            if (element.toObject().value(QStringLiteral("type")) != QStringLiteral("barcode"))
                elements.append(element);
        letter.insert(QStringLiteral("elements"), elements);
        const QString codeless = dir.filePath(QStringLiteral("无码.grf"));
        QFile out(codeless);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(QJsonDocument(letter).toJson());
        out.close();
        const QString folder = dir.filePath(QStringLiteral("逐封"));
        const Run run = batch({QStringLiteral("print"), workbook, QStringLiteral("--template"),
                               codeless, QStringLiteral("--split"), folder});
        QCOMPARE(run.err, QString());
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringLiteral("已导出 3 封询证函到文件夹“%1”，每封一个 PDF 文件\n"
                                         "注意：第2封、第3封的文件名过长，已缩短到 255 字节以内\n")
                              .arg(folder));
        const QString cut = longNumber.left(83);
        QStringList expected{QStringLiteral("WL-1.pdf"), cut + QStringLiteral(".pdf"),
                             cut + QStringLiteral("-2.pdf")};
        std::sort(expected.begin(), expected.end());
        QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name), expected);

        const QStringList titles{QStringLiteral("WL-1，客户1"),
                                 longNumber + QStringLiteral("，客户2"),
                                 longNumber + QStringLiteral("甲，客户3")};
        const QStringList files{QStringLiteral("WL-1.pdf"), cut + QStringLiteral(".pdf"),
                                cut + QStringLiteral("-2.pdf")};
        for (int i = 0; i < files.size(); ++i) {
            QProcess info;
            info.start(QStringLiteral("pdfinfo"), {QDir(folder).filePath(files[i])});
            QVERIFY(info.waitForFinished(30000));
            const QString shown = QString::fromUtf8(info.readAllStandardOutput());
            QVERIFY2(shown.contains(
                         QStringLiteral("Title:           应收帐款确认函（%1）\n").arg(titles[i])),
                     qPrintable(shown));
        }
    }

    // The shipped envelope prints from the sample workbook at once: its postcode, address,
    // customer and contact from the columns after D.
    void theEnvelopePrintsFromTheSampleWorkbook()
    {
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("信封.pdf"));
        const Run run = batch(
            {QStringLiteral("print"),
             qEnvironmentVariable("PROGRAM_DIR") + QStringLiteral("/导入模板.xls"),
             QStringLiteral("--template"), QStringLiteral("信封"), QStringLiteral("--pdf"), pdf});
        QCOMPARE(run.status, 0);
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        QVERIFY(text.waitForFinished(60000));
        const QString printed = QString::fromUtf8(text.readAllStandardOutput());
        QCOMPARE(printed.count(QLatin1Char('\f')), 12);
        for (const char *shown :
             {"北京市海淀区中关村大街 18 号", "北京华信科技有限公司", "王立新",
              "青岛市市南区香港中路 76 号", "青岛海湾食品有限公司", "郑晓燕", "寄件人"})
            QVERIFY2(printed.contains(QString::fromUtf8(shown)), shown);
        // The postcode, one digit to a box.
        QVERIFY(printed.contains(QStringLiteral("2\n\n6\n\n6\n\n0\n\n7\n\n1")) ||
                printed.simplified().contains(QStringLiteral("2 6 6 0 7 1")));
    }

    void registerOfTheSampleWorkbook()
    {
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("函证控制表.xlsx"));
        const QString sample =
            qEnvironmentVariable("PROGRAM_DIR") + QStringLiteral("/导入模板.xls");
        const Run run = batch({QStringLiteral("register"), sample, QStringLiteral("--out"), out});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringLiteral("已将 12 封询证函登记到“%1”\n").arg(out));
        const Run table = batch({QStringLiteral("table"), out});
        QCOMPARE(table.out.count(QLatin1Char('\n')), 13);
        QVERIFY(table.out.contains(QStringLiteral("YS-2025-012\t青岛海湾食品有限公司")));
        QCOMPARE(batch({QStringLiteral("register"), sample}).status, 2); // no --out
    }

    // The letters printed to PDF come back as replies; an empty scan makes the status 3.
    void repliesOfPrintedLetters()
    {
        QTemporaryDir dir;
        const PrintedSample printed = printedSample(dir);
        QVERIFY(printed.ok);
        const QString &sample = printed.sample, &letters = printed.letters,
                      &registerFile = printed.registerFile;
        Run run = batch({QStringLiteral("replies"), QStringLiteral("--workbook"), sample, letters});
        QCOMPARE(run.status, 0);
        QStringList lines = run.out.split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 14);
        QCOMPARE(
            lines[3],
            QStringLiteral("%1\t4\tYS-2025-004\t深圳前海供应链管理有限公司\t300,000.00\t已匹配\t")
                .arg(letters));
        QCOMPARE(lines[12], QStringLiteral("已匹配 12，未回函 0"));

        QFile empty(dir.filePath(QStringLiteral("空.png")));
        empty.open(QIODevice::WriteOnly);
        empty.close();
        const QString out = dir.filePath(QStringLiteral("回函清单.xlsx"));
        run = batch({QStringLiteral("replies"), QStringLiteral("--register"), registerFile,
                     dir.path(), QStringLiteral("--out"), out});
        QCOMPARE(run.status, 3);
        lines = run.out.split(QLatin1Char('\n'));
        QCOMPARE(
            lines[12],
            QStringLiteral("%1\t\t\t\t\t无法读取\t文件是空的（0 字节）").arg(empty.fileName()));
        QCOMPARE(lines[13], QStringLiteral("已匹配 12，无法读取 1，未回函 0"));
        QCOMPARE(lines[14], QStringLiteral("已将回函清单导出到“%1”").arg(out));
        QVERIFY(batch({QStringLiteral("table"), out}).out.contains(QStringLiteral("\t无法读取\t")));
        // The register is never written over.
        run = batch({QStringLiteral("replies"), QStringLiteral("--register"), registerFile, letters,
                     QStringLiteral("--out"), registerFile});
        QCOMPARE(run.status, 1);
        QCOMPARE(run.out, QString()); // refused before the scan
        QVERIFY(run.err.startsWith(QStringLiteral("函证控制表是审计工作底稿")));
        QCOMPARE(batch({QStringLiteral("table"), registerFile}).out.count(QLatin1Char('\n')), 13);

        // Not a register; neither or both lists; no scans.
        run = batch({QStringLiteral("replies"), QStringLiteral("--register"), sample, letters});
        QCOMPARE(run.status, 1);
        QCOMPARE(run.err,
                 QStringLiteral("“导入模板.xls”不是函证控制表：第一行没有“函证编号”列.\n"));
        QCOMPARE(batch({QStringLiteral("replies"), letters}).status, 2);
        QCOMPARE(batch({QStringLiteral("replies"), QStringLiteral("--workbook"), sample,
                        QStringLiteral("--register"), registerFile, letters})
                     .status,
                 2);
        QCOMPARE(batch({QStringLiteral("replies"), QStringLiteral("--workbook"), sample}).status,
                 2);
    }

    // The register is refused as the list's target by any name that leads to it; its rows
    // without a number come first, named, and a page whose number two letters share
    // makes the status 3.
    void repliesGuardTheRegister()
    {
        QTemporaryDir dir;
        const PrintedSample printed = printedSample(dir);
        QVERIFY(printed.ok);
        const QString &letters = printed.letters, &registerFile = printed.registerFile;
        QVERIFY(::link(QFile::encodeName(registerFile).constData(),
                       QFile::encodeName(dir.filePath(QStringLiteral("链接.xlsx"))).constData()) ==
                0);
        for (const QString &target :
             {dir.filePath(QStringLiteral("没有的文件夹/../函证控制表.xlsx")),
              dir.filePath(QStringLiteral("链接.xlsx"))}) {
            const Run run = batch({QStringLiteral("replies"), QStringLiteral("--register"),
                                   registerFile, letters, QStringLiteral("--out"), target});
            QCOMPARE(run.status, 1);
            QVERIFY2(run.err.startsWith(QStringLiteral("函证控制表是审计工作底稿")),
                     qPrintable(target));
        }
        QCOMPARE(batch({QStringLiteral("table"), registerFile}).out.count(QLatin1Char('\n')), 13);

        // A totals row under the letters; the second letter given the first one's number.
        QVERIFY(runPython(QStringLiteral("import sys, openpyxl\n"
                                         "wb = openpyxl.load_workbook(sys.argv[1])\n"
                                         "ws = wb['函证控制表']\n"
                                         "ws['C14'] = '合计'; ws['E14'] = 1000\n"
                                         "ws['B3'] = ws['B2'].value\n"
                                         "wb.save(sys.argv[1])\n"),
                          {registerFile})
                    .ok);
        const Run run =
            batch({QStringLiteral("replies"), QStringLiteral("--register"), registerFile, letters});
        QCOMPARE(run.status, 3);
        const QStringList lines = run.out.split(QLatin1Char('\n'));
        QCOMPARE(lines[0], QStringLiteral("警告：函证控制表第 14 行未计为询证函：合计行"));
        QCOMPARE(lines[1].section(QLatin1Char('\t'), 5),
                 QStringLiteral("编号重复\t第 2、3 行的函证编号相同，请人工核对"));
        QCOMPARE(lines[2].section(QLatin1Char('\t'), 5, 5), QStringLiteral("未知编号"));
    }

    void helpAndVersion()
    {
        for (const char *option : {"--help", "-h"}) {
            const Run run = batch({QLatin1String(option)});
            QCOMPARE(run.status, 0);
            QVERIFY(run.out.startsWith(QStringLiteral("roviradavev-batch：")));
            QVERIFY(run.out.contains(QStringLiteral("  roviradavev-batch replies ")));
            QCOMPARE(run.err, QString());
        }
        const Run run = batch({QStringLiteral("--version")});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringLiteral("roviradavev-batch 2.1\n"));
    }

    void failuresAndUsage()
    {
        Run run = batch({QStringLiteral("table"), testDataPath(QStringLiteral("bad/random.xls"))});
        QCOMPARE(run.status, 1);
        QCOMPARE(run.out, QString());
        QCOMPARE(run.err, QStringLiteral("文件“random.xls”不是 Excel 工作簿（.xls 或 .xlsx）.\n"));
        run = batch({QStringLiteral("table"), workbookPath("one_error.xlsx")});
        QCOMPARE(run.status, 1);
        QCOMPARE(run.err, QStringLiteral("Incorrect XLS file.\n"));
        QCOMPARE(batch({}).status, 2);
        QCOMPARE(batch({QStringLiteral("tabel"), QStringLiteral("x.xls")}).status, 2);
        QCOMPARE(batch({QStringLiteral("table")}).status, 2);
        QCOMPARE(
            batch({QStringLiteral("table"), QStringLiteral("a.xls"), QStringLiteral("--sheet")})
                .status,
            2);
    }
};

QTEST_GUILESS_MAIN(TestBatch)
#include "test_batch.moc"

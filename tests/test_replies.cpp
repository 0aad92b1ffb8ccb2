// Replies read back: scans made from the program's own letters, read and matched against
// the table and the register, and the reply list as openpyxl reads it.

#include "control/RegisterWriter.h"
#include "control/ReplyList.h"
#include "control/ReplyListWriter.h"
#include "control/ReplyScan.h"
#include "control/ScannedFile.h"
#include "control/TiffPages.h"
#include "engine/CodeReader.h"
#include "platform/Exception.h"
#include "support/LabelSheet.h"
#include "support/Python.h"
#include "support/ScanMaker.h"
#include "support/TestData.h"
#include "support/TiffMaker.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <unistd.h>

namespace {

QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray fileHash(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

ReplyList scan(const SentLetters &letters, const QStringList &files)
{
    ReplyList list(letters);
    if (!ReplyScan::run(ScannedFile::expand(files), list))
        qFatal("the scan stopped by itself");
    return list;
}

// A line as the tests compare it: number, customer, amount and state.
QString describe(const ReplyList &list, const ReplyLine &line)
{
    QString text = QStringLiteral("%1 p%2 %3 %4")
                       .arg(QFileInfo(line.file).fileName())
                       .arg(line.page)
                       .arg(line.number, ReplyList::stateText(line.state));
    if (line.letter >= 0) {
        const SentLetter &letter = list.letters().letters()[line.letter];
        text += QLatin1Char(' ') + letter.customer + QLatin1Char(' ') + letter.amountText;
    }
    return text;
}

// A letter for each record, in the run's four fields alone: registers of many rows without
// laying out their pages.
ReportDocument plainLetters(int count)
{
    ReportDocument document;
    document.report.fields = {{"客户单位", FieldType::Text},
                              {"截止日期", FieldType::Date},
                              {"应收金额", FieldType::Number},
                              {"函编号", FieldType::Text}};
    for (int i = 1; i <= count; ++i)
        document.records.append({QStringLiteral("公司%1").arg(i), QDate(2024, 12, 31), 100.0 * i,
                                 QStringLiteral("WL-%1").arg(i)});
    document.printDate = QDate(2026, 12, 9);
    return document;
}

// Runs openpyxl's 'edit' on the register's sheet 'ws' and saves it.
void editRegister(const QString &path, const QString &edit)
{
    const PythonRun python = runPython(QStringLiteral("import sys, openpyxl\n"
                                                      "wb = openpyxl.load_workbook(sys.argv[1])\n"
                                                      "ws = wb['函证控制表']\n") +
                                           edit + QStringLiteral("\nwb.save(sys.argv[1])\n"),
                                       {path});
    if (!python.ok)
        qFatal("openpyxl could not edit %s", qPrintable(path));
}

// This process's resident memory and its peak since the last resetPeak(), in kilobytes,
// as the kernel counts them.
qint64 statusKilobytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').constFirst().toLongLong();
    return -1;
}
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (!clear.open(QIODevice::WriteOnly) || clear.write("5") != 1)
        qFatal("the peak memory cannot be reset");
}

// The CRC-32 a PNG chunk ends with.
quint32 crc32Of(const QByteArray &bytes)
{
    quint32 crc = 0xffffffff;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320 & (0u - (crc & 1)));
    }
    return ~crc;
}

QStringList describeAll(const ReplyList &list)
{
    QStringList lines;
    for (const ReplyLine &line : list.lines())
        lines.append(QStringLiteral("%1 p%2 %3 %4")
                         .arg(QFileInfo(line.file).fileName())
                         .arg(line.page)
                         .arg(ReplyList::stateText(line.state), line.note));
    return lines;
}

} // namespace

class TestReplies : public QObject
{
    Q_OBJECT
    StringGridModel m_table;
    ReportDocument m_letters;
    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }
    SentLetters fromTable() const { return SentLetters::fromTable(m_table, scanSettings()); }

private slots:
    void initTestCase()
    {
        fillReceivables(m_table, 8, QStringLiteral("HZ2026"));
        m_letters = lettersOf(m_table);
        QCOMPARE(m_letters.pageCount(), 8);
    }

    // A reply often comes back with the courier's label scanned beside it: its waybill's bar
    // code printed twice (the label and its receipt stub) must not stop the reader, which
    // goes on to find the letter's own code.
    void aCourierLabelOnTheScanIsReadThrough()
    {
        QList<LabelContent> labels;
        for (int i = 0; i < 8; ++i) {
            const QString waybill = QStringLiteral("SF14028374%1").arg(60 + i);
            labels.append({waybill, waybill, i == 5 ? QStringLiteral("HZ2026-0003") : QString()});
        }
        for (double dpi : {150.0, 200.0, 300.0}) {
            SheetLayout layout;
            layout.dpi = dpi;
            const QStringList texts = CodeReader::texts(labelSheet(labels, layout));
            QVERIFY2(texts.contains(QStringLiteral("HZ2026-0003")), qPrintable(texts.join(',')));
            QVERIFY2(texts.contains(QStringLiteral("SF1402837461")), qPrintable(texts.join(',')));
        }
    }

    // Each letter, scanned as offices scan them, is read and told to its own row.
    void everyScanIsMatchedToItsLetter_data()
    {
        QTest::addColumn<int>("letter");
        QTest::addColumn<QString>("file");
        const auto at150 = [&](int i) { return scanned(m_letters, i, 150); };
        const auto at300 = [&](int i) { return scanned(m_letters, i, 300); };
        const auto row = [&](const char *name, int letter, const QString &file, const QImage &image,
                             const char *format, int quality = -1) {
            writeFile(path(file), encoded(image, format, quality));
            QTest::newRow(name) << letter << path(file);
        };
        row("150 dpi", 0, QStringLiteral("a.png"), at150(0), "PNG");
        row("300 dpi", 1, QStringLiteral("b.png"), at300(1), "PNG");
        row("turned 90°", 2, QStringLiteral("c.png"), turned(at150(2), 90), "PNG");
        row("turned 180°", 3, QStringLiteral("d.png"), turned(at150(3), 180), "PNG");
        row("turned 270°", 4, QStringLiteral("e.png"), turned(at300(4), 270), "PNG");
        row("skewed 3°", 5, QStringLiteral("f.png"), turned(at300(5), 3), "PNG");
        row("skewed -3°, noise", 6, QStringLiteral("g.png"), noisy(turned(at150(6), -3), 40, 7),
            "PNG");
        row("blurred", 7, QStringLiteral("h.png"), blurred(at300(7), 2), "PNG");
        // Smeared past what the local threshold reads: the fixed one still does.
        row("blurred twice at 150 dpi", 4, QStringLiteral("m.png"),
            blurred(blurred(at150(4), 1), 2), "PNG");
        row("blurred twice at 300 dpi", 5, QStringLiteral("n.png"),
            blurred(blurred(at300(5), 4), 4), "PNG");
        row("jpeg at quality 60", 0, QStringLiteral("i.jpg"), at150(0), "JPEG", 60);
        row("noise, blur and jpeg 60", 1, QStringLiteral("j.jpeg"),
            blurred(noisy(at300(1), 30, 11), 1), "JPEG", 60);
        row("tiff", 2, QStringLiteral("k.tif"), at150(2), "TIFF");
        row("named .png, holds a jpeg", 3, QStringLiteral("l.png"), at150(3), "JPEG", 60);
    }
    void everyScanIsMatchedToItsLetter()
    {
        QFETCH(int, letter);
        QFETCH(QString, file);
        const ReplyList list = scan(fromTable(), {file});
        QCOMPARE(list.lines().size(), 1);
        const ReplyLine &line = list.lines().constFirst();
        QCOMPARE(ReplyList::stateText(line.state), QStringLiteral("已匹配"));
        QCOMPARE(line.letter, letter);
        QCOMPARE(line.number, m_table.Cells(3, letter + 1));
        QCOMPARE(line.page, 1);
        QCOMPARE(list.unanswered().size(), 7);
    }

    // A scanner's PDF of pictures: every page gets its line, in order, with its state.
    void aBoundPdfListsEveryPage()
    {
        StringGridModel other;
        fillReceivables(other, 1, QStringLiteral("XX2025"));
        QImage blank(1240, 1754, QImage::Format_RGB32);
        blank.fill(Qt::white);
        const QList<QImage> pages{scanned(m_letters, 0, 200),
                                  turned(scanned(m_letters, 1, 200), 180),
                                  blank,
                                  scanned(lettersOf(other), 0, 200),
                                  noisy(turned(scanned(m_letters, 2, 200), 3), 25, 3),
                                  turned(scanned(m_letters, 1, 200), 90)};
        writePicturePdf(path(QStringLiteral("bound.pdf")), pages, 200);
        const ReplyList list = scan(fromTable(), {path(QStringLiteral("bound.pdf"))});
        QStringList lines;
        for (const ReplyLine &line : list.lines())
            lines.append(describe(list, line));
        QCOMPARE(lines,
                 (QStringList{
                     QStringLiteral("bound.pdf p1 HZ2026-0001 已匹配 客户1贸易有限公司 1,013.50"),
                     QStringLiteral("bound.pdf p2 HZ2026-0002 已匹配 客户2贸易有限公司 1,027.00"),
                     QStringLiteral("bound.pdf p3  未识别"),
                     QStringLiteral("bound.pdf p4 XX2025-0001 未知编号"),
                     QStringLiteral("bound.pdf p5 HZ2026-0003 已匹配 客户3贸易有限公司 1,040.50"),
                     QStringLiteral("bound.pdf p6 HZ2026-0002 重复 客户2贸易有限公司 1,027.00"),
                 }));
        QCOMPARE(list.lines()[5].note, QStringLiteral("与“bound.pdf”第 2 页重复"));
        QCOMPARE(list.unanswered(), (QList<int>{3, 4, 5, 6, 7}));
        QCOMPARE(list.summary(),
                 QStringLiteral("已匹配 3，重复 1，未知编号 1，未识别 1，未回函 5"));
    }

    // The register of the run and the table it came from tell the same pages to the same
    // letters; the register is only read.
    void theRegisterAndTheTableGiveTheSameMatches()
    {
        const QString registerPath = path(QStringLiteral("函证控制表.xlsx"));
        RegisterWriter::write(m_letters, QStringLiteral("应收帐款确认函"), registerPath);
        const QByteArray before = fileHash(registerPath);
        QDir().mkpath(path(QStringLiteral("scans")));
        // The second reply of letter 5 is a scan of its own, not a copy of the first file.
        for (int i : {4, 0, 6, 4})
            writeFile(
                path(QStringLiteral("scans/回函%1-%2.jpg").arg(i).arg(QDir(path("scans")).count())),
                encoded(scanned(m_letters, i, 200), "JPEG", 70 + QDir(path("scans")).count()));
        const SentLetters fromRegister = SentLetters::fromRegister(registerPath, scanSettings());
        QCOMPARE(fromRegister.letters().size(), 8);
        const ReplyList byRegister = scan(fromRegister, {path(QStringLiteral("scans"))});
        const ReplyList byTable = scan(fromTable(), {path(QStringLiteral("scans"))});
        QStringList registerLines, tableLines;
        for (const ReplyLine &line : byRegister.lines())
            registerLines.append(describe(byRegister, line));
        for (const ReplyLine &line : byTable.lines())
            tableLines.append(describe(byTable, line));
        QCOMPARE(registerLines, tableLines);
        QCOMPARE(byRegister.count(ReplyState::Matched), 3);
        QCOMPARE(byRegister.count(ReplyState::Duplicate), 1);
        QCOMPARE(byRegister.unanswered(), byTable.unanswered());
        QCOMPARE(fileHash(registerPath), before);
    }

    // A damaged or empty file is listed with its reason, and the files after it are read.
    void badFilesAreListedAndTheRunGoesOn()
    {
        const QString good =
            writeFile(path(QStringLiteral("good.png")), encoded(scanned(m_letters, 5, 150), "PNG"));
        QByteArray pdf;
        {
            const QString whole = path(QStringLiteral("whole.pdf"));
            writePicturePdf(whole, {scanned(m_letters, 5, 100)}, 100);
            QFile file(whole);
            file.open(QIODevice::ReadOnly);
            pdf = file.readAll();
        }
        const QByteArray png = encoded(scanned(m_letters, 5, 100), "PNG");
        const QStringList files{
            writeFile(path(QStringLiteral("cut.pdf")), pdf.left(300)),
            writeFile(path(QStringLiteral("empty.pdf")), QByteArray()),
            writeFile(path(QStringLiteral("zero.png")), QByteArray()),
            writeFile(path(QStringLiteral("cut.png")), png.left(png.size() / 3)),
            writeFile(path(QStringLiteral("notes.jpg")), "一封信的说明文字\n"),
            path(QStringLiteral("missing.tif")),
            good};
        const ReplyList list = scan(fromTable(), files);
        QStringList reasons;
        for (const ReplyLine &line : list.lines())
            reasons.append(QStringLiteral("%1 p%2 %3 %4")
                               .arg(QFileInfo(line.file).fileName())
                               .arg(line.page)
                               .arg(ReplyList::stateText(line.state), line.note));
        QCOMPARE(reasons,
                 (QStringList{
                     QStringLiteral("cut.pdf p0 无法读取 PDF 文件已损坏，无法打开"),
                     QStringLiteral("empty.pdf p0 无法读取 文件是空的（0 字节）"),
                     QStringLiteral("zero.png p0 无法读取 文件是空的（0 字节）"),
                     QStringLiteral("cut.png p1 无法读取 图片数据已损坏"),
                     QStringLiteral(
                         "notes.jpg p0 无法读取 不是可识别的扫描文件（PDF、PNG、JPEG、TIFF）"),
                     QStringLiteral("missing.tif p0 无法读取 文件不存在"),
                     QStringLiteral("good.png p1 已匹配 "),
                 }));
    }

    // Folders give their scan files, in subfolders too, in the order people number them.
    void foldersGiveTheirScansInOrder()
    {
        QTemporaryDir dir;
        QDir(dir.path()).mkpath(QStringLiteral("二组"));
        for (const char *name :
             {"第10页.png", "第2页.PDF", "说明.txt", "二组/第1页.tiff", "第1页.jpeg"})
            writeFile(dir.filePath(QString::fromUtf8(name)), "x");
        QStringList names;
        for (const QString &file :
             ScannedFile::expand({dir.path(), path(QStringLiteral("any.name"))}))
            names.append(QDir(dir.path()).relativeFilePath(file));
        QCOMPARE(names.mid(0, 4),
                 (QStringList{QStringLiteral("二组/第1页.tiff"), QStringLiteral("第1页.jpeg"),
                              QStringLiteral("第2页.PDF"), QStringLiteral("第10页.png")}));
        QVERIFY(names.at(4).endsWith(QLatin1String("any.name")));
    }

    // A page with a code of its own beside the letter's: the letter's counts.
    void theLettersCodeWinsOverOthersOnThePage()
    {
        SentLetters letters = fromTable();
        ReplyList list(letters);
        list.addPage(QStringLiteral("/s/a.pdf"), 1,
                     {QStringLiteral("https://example.com/pay"), QStringLiteral(" HZ2026-0004 ")});
        list.addPage(QStringLiteral("/s/a.pdf"), 2,
                     {QStringLiteral("HZ2026-0005"), QStringLiteral("HZ2026-0006")});
        QCOMPARE(list.lines()[0].state, ReplyState::Matched);
        QCOMPARE(list.lines()[0].number, QStringLiteral("HZ2026-0004"));
        QCOMPARE(list.lines()[1].letter, 4);
        QCOMPARE(list.lines()[1].note, QStringLiteral("同页另有编号 HZ2026-0006"));
    }

    void cancellingStopsBeforeTheNextPage()
    {
        const QString file = path(QStringLiteral("three.pdf"));
        writePicturePdf(
            file,
            {scanned(m_letters, 0, 100), scanned(m_letters, 1, 100), scanned(m_letters, 2, 100)},
            100);
        ReplyList list(fromTable());
        int calls = 0;
        QVERIFY(
            !ReplyScan::run({file}, list, [&](double, const QString &) { return ++calls < 2; }));
        QCOMPARE(list.lines().size(), 1);
    }

    void aWorkbookThatIsNoRegisterIsRefused()
    {
        try {
            SentLetters::fromRegister(testDataPath(QStringLiteral("workbooks/receivables.xlsx")),
                                      scanSettings());
            QFAIL("read as a register");
        } catch (const Exception &error) {
            QCOMPARE(error.message(),
                     QStringLiteral("“receivables.xlsx”不是函证控制表：第一行没有“函证编号”列"));
        }
    }

    // Both sheets as openpyxl reads them, amounts as numbers.
    void theReplyListReadsBackWithOpenpyxl()
    {
        ReplyList list(fromTable());
        list.addPage(QStringLiteral("/扫描/回函.pdf"), 1, {QStringLiteral("HZ2026-0002")});
        list.addPage(QStringLiteral("/扫描/回函.pdf"), 2, {});
        list.addUnreadable(QStringLiteral("/扫描/坏.pdf"), 0,
                           QStringLiteral("PDF 文件已损坏，无法打开"));
        const QString out = path(QStringLiteral("回函清单.xlsx"));
        ReplyListWriter::write(list, out);
        const PythonRun python =
            runPython(QStringLiteral("import json,sys,openpyxl\n"
                                     "b=openpyxl.load_workbook(sys.argv[1])\n"
                                     "print(json.dumps({'sheets':b.sheetnames,"
                                     "'rows':[[list(r) for r in b[n].iter_rows(values_only=True)] "
                                     "for n in b.sheetnames]},"
                                     "ensure_ascii=False))"),
                      {out});
        QVERIFY(python.ok);
        const QJsonObject book = QJsonDocument::fromJson(python.out.toUtf8()).object();
        QCOMPARE(book.value("sheets").toArray(),
                 QJsonArray({QStringLiteral("回函清单"), QStringLiteral("未回函")}));
        const QJsonArray replies = book.value("rows").toArray()[0].toArray();
        QCOMPARE(replies.size(), 4);
        QCOMPARE(replies[0].toArray().toVariantList(),
                 QVariantList({"文件", "页", "函证编号", "被询证单位", "金额", "状态", "说明",
                               "二维码校验", "改动检查", "回函标记", "建议结果"}));
        // Without a ledger nothing is checked: the check's columns stay empty.
        auto unchecked = [](QJsonArray row) {
            for (int i = 0; i < 4; ++i)
                row.append(QJsonValue());
            return row;
        };
        QCOMPARE(replies[1].toArray(),
                 unchecked({QStringLiteral("/扫描/回函.pdf"), 1, QStringLiteral("HZ2026-0002"),
                            QStringLiteral("客户2贸易有限公司"), 1027, QStringLiteral("已匹配"),
                            QJsonValue()}));
        QCOMPARE(replies[2].toArray(),
                 unchecked({QStringLiteral("/扫描/回函.pdf"), 2, QJsonValue(), QJsonValue(),
                            QJsonValue(), QStringLiteral("未识别"), QJsonValue()}));
        QCOMPARE(replies[3].toArray(),
                 unchecked({QStringLiteral("/扫描/坏.pdf"), QJsonValue(), QJsonValue(),
                            QJsonValue(), QJsonValue(), QStringLiteral("无法读取"),
                            QStringLiteral("PDF 文件已损坏，无法打开")}));
        const QJsonArray missing = book.value("rows").toArray()[1].toArray();
        QCOMPARE(missing.size(), 8);
        QCOMPARE(missing[1].toArray(), QJsonArray({QStringLiteral("HZ2026-0001"),
                                                   QStringLiteral("客户1贸易有限公司"), 1013.5}));
        QCOMPARE(missing[2].toArray()[0], QJsonValue(QStringLiteral("HZ2026-0003")));
    }

    // A register with a cell far to the right (XFD1, the last column) is read in the memory
    // its cells take, not that of a grid of rows × 16,384 columns.
    void aCellInTheLastColumnCostsNoMemory()
    {
        const QString registerPath = path(QStringLiteral("far.xlsx"));
        RegisterWriter::write(plainLetters(1500), QStringLiteral("应收帐款确认函"), registerPath);
        editRegister(registerPath, QStringLiteral("ws['XFD1'] = '附注'"));
        resetPeak();
        const qint64 before = statusKilobytes("VmRSS:");
        const SentLetters letters = SentLetters::fromRegister(registerPath, scanSettings());
        // A grid would take about 1 GB; the ceiling leaves the sanitizers room for theirs.
        const qint64 peak = statusKilobytes("VmHWM:");
        QVERIFY2(peak - before < 256 * 1024,
                 qPrintable(QStringLiteral("%1 MB more at the peak").arg((peak - before) / 1024)));
        QCOMPARE(letters.letters().size(), 1500);
        QCOMPARE(letters.letters().last().number, QStringLiteral("WL-1500"));
        QCOMPARE(letters.letters().last().amountText, QStringLiteral("150,000.00"));
    }

    // Rows without a number or an amount are no letters: a totals row, a note, a letter
    // half typed are skipped and listed, not left among the unanswered for good.
    void rowsWithoutANumberOrAmountAreSkippedAndListed()
    {
        const QString registerPath = path(QStringLiteral("totals.xlsx"));
        RegisterWriter::write(plainLetters(3), QStringLiteral("应收帐款确认函"), registerPath);
        editRegister(registerPath, QStringLiteral("ws['A5'] = '合计'; ws['E5'] = 600\n"
                                                  "ws['B6'] = '合 计'; ws['E6'] = 600\n"
                                                  "ws['B7'] = 'WL-9'; ws['C7'] = '丁公司'\n"
                                                  "ws['C8'] = '另见附件'\n"
                                                  "ws['H9'] = '快递'"));
        const SentLetters letters = SentLetters::fromRegister(registerPath, scanSettings());
        QStringList numbers;
        for (const SentLetter &letter : letters.letters())
            numbers.append(letter.number);
        QCOMPARE(numbers, (QStringList{QStringLiteral("WL-1"), QStringLiteral("WL-2"),
                                       QStringLiteral("WL-3")}));
        QStringList skipped;
        for (const SkippedRow &row : letters.skipped())
            skipped.append(QStringLiteral("%1 %2").arg(row.row).arg(row.reason));
        QCOMPARE(skipped,
                 (QStringList{QStringLiteral("5 没有函证编号"), QStringLiteral("6 合计行"),
                              QStringLiteral("7 没有账面金额"), QStringLiteral("8 没有函证编号")}));
        QCOMPARE(letters.skippedSummary(),
                 QStringLiteral("函证控制表有 4 行没有函证编号或账面金额，未计为询证函：第 "
                                "5、6、7、8 行"));
        QCOMPARE(ReplyList(letters).unanswered().size(), 3);
    }

    // Two letters with one number: a reply with it is told to neither, and says so.
    void aRepeatedNumberIsNotMatchedToEitherLetter()
    {
        StringGridModel table;
        fillReceivables(table, 6, QStringLiteral("HZ2026"));
        table.setCells(3, 5, QStringLiteral("HZ2026-0002"));
        const QString file = writeFile(path(QStringLiteral("repeated.png")),
                                       encoded(scanned(m_letters, 1, 150), "PNG"));
        const ReplyList list = scan(SentLetters::fromTable(table, scanSettings()), {file});
        QCOMPARE(describeAll(list),
                 QStringList{QStringLiteral(
                     "repeated.png p1 编号重复 第 3、6 行的函证编号相同，请人工核对")});
        QCOMPARE(list.lines().constFirst().letter, -1);
        QCOMPARE(list.unanswered().size(), 6);
        QCOMPARE(list.summary(), QStringLiteral("已匹配 0，编号重复 1，未回函 6"));
    }

    // The first reply of a letter is the very first line (page 1 of the first file): a
    // second reply is still its repeat, and names it.
    void aRepeatOfTheFirstPageOfTheFirstFile()
    {
        const QString first = writeFile(path(QStringLiteral("first.png")),
                                        encoded(scanned(m_letters, 2, 150), "PNG"));
        const QString again = writeFile(path(QStringLiteral("again.jpg")),
                                        encoded(scanned(m_letters, 2, 150), "JPEG", 80));
        const ReplyList list = scan(fromTable(), {first, again});
        QCOMPARE(describeAll(list), (QStringList{QStringLiteral("first.png p1 已匹配 "),
                                                 QStringLiteral("again.jpg p1 重复 "
                                                                "与“first.png”第 1 页重复")}));
        QCOMPARE(list.lines()[1].letter, 2);
    }

    // Scans whose code the reader finds only in a view turned by a quarter or a half (found
    // by trying: coarse, skewed a little more than a feeder leaves them).
    void aCodeFoundOnlyInATurnedView_data()
    {
        QTest::addColumn<QImage>("page");
        QTest::newRow("60 dpi, skewed -7°") << turned(scanned(m_letters, 1, 60), -7);
        QTest::newRow("60 dpi, upside down, skewed -7°") << turned(scanned(m_letters, 1, 60), 173);
        QTest::newRow("72 dpi, skewed 8°, noisy")
            << noisy(turned(scanned(m_letters, 1, 72), 8), 50, 3);
    }
    void aCodeFoundOnlyInATurnedView()
    {
        QFETCH(QImage, page);
        const QString file = writeFile(path(QStringLiteral("turned-%1.png")
                                                .arg(QTest::currentDataTag())
                                                .replace(QLatin1Char(' '), QLatin1Char('_'))),
                                       encoded(page, "PNG"));
        const ReplyList list = scan(fromTable(), {file});
        QCOMPARE(list.lines().constFirst().number, QStringLiteral("HZ2026-0002"));
    }

    // A poster-sized page is drawn at a lower resolution, within the pages' cap, and its
    // code is still read.
    void aPosterSizedPageIsReadWithinTheCap()
    {
        // The letter on a page of 1211 × 1714 mm: at 200 dpi that would be 129 million pixels.
        const QString poster = path(QStringLiteral("poster.pdf"));
        writePicturePdf(poster, {scanned(m_letters, 3, 150)}, 26);
        const QImage page = ScannedFile(poster, ReplyScan::kDotsPerInch).page(0);
        const double pixels = double(page.width()) * page.height();
        QVERIFY2(pixels <= 60e6 && pixels > 50e6, qPrintable(QString::number(pixels)));
        const ReplyList list = scan(fromTable(), {poster});
        QCOMPARE(list.lines().constFirst().letter, 3);
    }

    // Pictures past Qt's own allocation limit (a 600 dpi A4 scan, a 48-megapixel photo) are
    // read, scaled down where they pass the pages' cap; a header that claims a size no
    // scan has is refused as too large, not as damaged.
    void largePicturesAreRead_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("expected");
        const QImage a4 = scanned(m_letters, 4, 600).convertToFormat(QImage::Format_Grayscale8);
        QCOMPARE(a4.size(), QSize(4961, 7016));
        QTest::newRow("A4 at 600 dpi, PNG")
            << writeFile(path(QStringLiteral("a4-600.png")), encoded(a4, "PNG"))
            << QStringLiteral("已匹配 HZ2026-0005");
        QImage photo(8000, 6000, QImage::Format_RGB32);
        photo.fill(QColor(90, 80, 70));
        {
            QPainter painter(&photo);
            painter.drawImage(QRect(1500, 200, 4000, 5600), scanned(m_letters, 6, 300));
        }
        QTest::newRow("48 megapixel photo, JPEG")
            << writeFile(path(QStringLiteral("photo.jpg")), encoded(photo, "JPEG", 85))
            << QStringLiteral("已匹配 HZ2026-0007");
        // A PNG of 60000 × 60000 grey pixels by its header, and a few bytes of data.
        QByteArray png = encoded(QImage(1, 1, QImage::Format_Grayscale8), "PNG");
        qToBigEndian<quint32>(60000, png.data() + 16);
        qToBigEndian<quint32>(60000, png.data() + 20);
        qToBigEndian<quint32>(crc32Of(png.mid(12, 17)), png.data() + 29);
        QTest::newRow("claims 60000 × 60000")
            << writeFile(path(QStringLiteral("huge.png")), png)
            << QStringLiteral(
                   "无法读取 图片太大（60000 × 60000 像素），无法读取：请以较低的分辨率扫描");
    }
    void largePicturesAreRead()
    {
        QFETCH(QString, file);
        QFETCH(QString, expected);
        const ReplyList list = scan(fromTable(), {file});
        QCOMPARE(list.lines().size(), 1);
        const ReplyLine &line = list.lines().constFirst();
        QCOMPARE(ReplyList::stateText(line.state) + QLatin1Char(' ') +
                     (line.state == ReplyState::Matched ? line.number : line.note),
                 expected);
    }

    // A multi-page TIFF gives its pages in order, each read from its own place.
    void aMultiPageTiffGivesEveryPageInOrder()
    {
        const QString tiff =
            writeFile(path(QStringLiteral("pages.tif")),
                      TiffMaker::pages({scanned(m_letters, 5, 150), scanned(m_letters, 0, 150),
                                        scanned(m_letters, 7, 150)}));
        const ReplyList list = scan(fromTable(), {tiff});
        QStringList numbers;
        for (const ReplyLine &line : list.lines())
            numbers.append(QStringLiteral("p%1 %2").arg(line.page).arg(line.number));
        QCOMPARE(numbers,
                 (QStringList{QStringLiteral("p1 HZ2026-0006"), QStringLiteral("p2 HZ2026-0001"),
                              QStringLiteral("p3 HZ2026-0008")}));
        // Each page is shown to Qt's reader as a file of that one page.
        QFile file(tiff);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const QList<quint64> pages = TiffPages::directories(bytes);
        QCOMPARE(pages.size(), 3);
        const std::unique_ptr<QIODevice> second = TiffPages::page(bytes, pages[1]);
        QImageReader reader(second.get(), "tiff");
        QCOMPARE(reader.imageCount(), 1);
        QCOMPARE(CodeReader::texts(reader.read()), QStringList{QStringLiteral("HZ2026-0001")});
    }

    // A chain of directories that runs back on itself, or out of the file, ends there.
    void aTiffChainEndsAtALoopOrOutside()
    {
        QByteArray tiff = TiffMaker::pages({QImage(8, 8, QImage::Format_Grayscale8),
                                            QImage(8, 8, QImage::Format_Grayscale8),
                                            QImage(8, 8, QImage::Format_Grayscale8)});
        const QList<quint64> three = TiffPages::directories(tiff);
        QCOMPARE(three.size(), 3);
        // The third page's link back to the second.
        const qsizetype lastLink = tiff.size() - 4;
        qToLittleEndian<quint32>(quint32(three[1]), tiff.data() + lastLink);
        QCOMPARE(TiffPages::directories(tiff), three);
        qToLittleEndian<quint32>(quint32(tiff.size() + 100), tiff.data() + lastLink);
        QCOMPARE(TiffPages::directories(tiff), three);
        // The first directory's count of entries running past the end.
        qToLittleEndian<quint16>(0xffff, tiff.data() + three[0]);
        QCOMPARE(TiffPages::directories(tiff), QList<quint64>());
        QCOMPARE(TiffPages::directories("II*\0"), QList<quint64>());
    }

    // A file read before (added again, or a copy under another name) is not read again: the
    // list says so, and its pages are no repeats of themselves.
    void aFileReadBeforeIsSkipped()
    {
        const QString a =
            writeFile(path(QStringLiteral("once.png")), encoded(scanned(m_letters, 1, 150), "PNG"));
        const QString b = writeFile(path(QStringLiteral("other.png")),
                                    encoded(scanned(m_letters, 2, 150), "PNG"));
        QDir().mkpath(path(QStringLiteral("copies")));
        QVERIFY(QFile::copy(a, path(QStringLiteral("copies/once.png"))));
        QVERIFY(QFile::copy(a, path(QStringLiteral("copies/副本.png"))));
        ReplyList list(fromTable());
        QVERIFY(ReplyScan::run({a, b}, list));
        QVERIFY(ReplyScan::run(
            {a, path(QStringLiteral("copies/once.png")), path(QStringLiteral("copies/副本.png"))},
            list));
        QCOMPARE(describeAll(list),
                 (QStringList{
                     QStringLiteral("once.png p1 已匹配 "), QStringLiteral("other.png p1 已匹配 "),
                     QStringLiteral("once.png p0 重复文件 与已读的“%1”内容相同，未再识别")
                         .arg(QDir::toNativeSeparators(a)),
                     QStringLiteral("once.png p0 重复文件 与已读的“%1”内容相同，未再识别")
                         .arg(QDir::toNativeSeparators(a)),
                     QStringLiteral("副本.png p0 重复文件 与已读的“once.png”内容相同，未再识别")}));
        QCOMPARE(list.count(ReplyState::Duplicate), 0);
        // Matched against other letters, the files read stay read.
        ReplyList relisted = list.relisted(fromTable());
        QVERIFY(ReplyScan::run({b}, relisted));
        QCOMPARE(ReplyList::stateText(relisted.lines().last().state), QStringLiteral("重复文件"));
        QCOMPARE(relisted.summary(), QStringLiteral("已匹配 2，重复文件 4，未回函 6"));
    }

    // The reply list never replaces the register: the same file by another spelling, a link
    // or a symbolic link to it is refused; another file, or one not there yet, is not.
    void theReplyListNeverReplacesTheRegister_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("refused");
        QTest::newRow("the same name") << QStringLiteral("reg/regA.xlsx") << true;
        QTest::newRow("through a folder not there")
            << QStringLiteral("reg/sub/../regA.xlsx") << true;
        QTest::newRow("./ and //") << QStringLiteral("./reg//./regA.xlsx") << true;
        QTest::newRow("a hard link") << QStringLiteral("reg/hard.xlsx") << true;
        QTest::newRow("a symbolic link") << QStringLiteral("reg/soft.xlsx") << true;
        QTest::newRow("through a linked folder") << QStringLiteral("linked/regA.xlsx") << true;
        QTest::newRow("another file") << QStringLiteral("reg/other.xlsx") << false;
        QTest::newRow("a new file") << QStringLiteral("reg/sub/../回函清单.xlsx") << false;
        QTest::newRow("a new file in a new folder") << QStringLiteral("new/regA.xlsx") << false;
    }
    void theReplyListNeverReplacesTheRegister()
    {
        QFETCH(QString, target);
        QFETCH(bool, refused);
        QTemporaryDir dir;
        QDir(dir.path()).mkpath(QStringLiteral("reg"));
        const QString registerFile = dir.filePath(QStringLiteral("reg/regA.xlsx"));
        writeFile(registerFile, "register");
        writeFile(dir.filePath(QStringLiteral("reg/other.xlsx")), "other");
        QCOMPARE(
            ::link(QFile::encodeName(registerFile).constData(),
                   QFile::encodeName(dir.filePath(QStringLiteral("reg/hard.xlsx"))).constData()),
            0);
        QVERIFY(QFile::link(QStringLiteral("regA.xlsx"),
                            dir.filePath(QStringLiteral("reg/soft.xlsx"))));
        QVERIFY(QFile::link(QStringLiteral("reg"), dir.filePath(QStringLiteral("linked"))));
        // Relative names are taken from the working folder, as the command line takes them.
        const QString previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
        bool threw = false;
        try {
            ReplyListWriter::checkTarget(target, QStringLiteral("reg/regA.xlsx"));
        } catch (const Exception &error) {
            threw = true;
            QCOMPARE(error.message(),
                     QStringLiteral("函证控制表是审计工作底稿，不能被回函清单覆盖：请另选文件名"));
        }
        QDir::setCurrent(previous);
        QCOMPARE(threw, refused);
    }
};

QTEST_MAIN(TestReplies)
#include "test_replies.moc"

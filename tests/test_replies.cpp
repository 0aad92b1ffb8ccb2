// Replies read back: scans made from the program's own letters, read and matched against
// the table and the register, and the reply list as openpyxl reads it.

#include "control/RegisterWriter.h"
#include "control/ReplyListWriter.h"
#include "control/ReplyScan.h"
#include "control/ScannedFile.h"
#include "platform/Exception.h"
#include "support/Python.h"
#include "support/ScanMaker.h"
#include "support/TestData.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

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
        for (int i : {4, 0, 6, 4})
            writeFile(
                path(QStringLiteral("scans/回函%1-%2.jpg").arg(i).arg(QDir(path("scans")).count())),
                encoded(scanned(m_letters, i, 200), "JPEG", 70));
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
                 QVariantList({"文件", "页", "函证编号", "被询证单位", "金额", "状态", "说明"}));
        QCOMPARE(replies[1].toArray(),
                 QJsonArray({QStringLiteral("/扫描/回函.pdf"), 1, QStringLiteral("HZ2026-0002"),
                             QStringLiteral("客户2贸易有限公司"), 1027, QStringLiteral("已匹配"),
                             QJsonValue()}));
        QCOMPARE(replies[2].toArray(),
                 QJsonArray({QStringLiteral("/扫描/回函.pdf"), 2, QJsonValue(), QJsonValue(),
                             QJsonValue(), QStringLiteral("未识别"), QJsonValue()}));
        QCOMPARE(replies[3].toArray(),
                 QJsonArray({QStringLiteral("/扫描/坏.pdf"), QJsonValue(), QJsonValue(),
                             QJsonValue(), QJsonValue(), QStringLiteral("无法读取"),
                             QStringLiteral("PDF 文件已损坏，无法打开")}));
        const QJsonArray missing = book.value("rows").toArray()[1].toArray();
        QCOMPARE(missing.size(), 8);
        QCOMPARE(missing[1].toArray(), QJsonArray({QStringLiteral("HZ2026-0001"),
                                                   QStringLiteral("客户1贸易有限公司"), 1013.5}));
        QCOMPARE(missing[2].toArray()[0], QJsonValue(QStringLiteral("HZ2026-0003")));
    }
};

QTEST_MAIN(TestReplies)
#include "test_replies.moc"

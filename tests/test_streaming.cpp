// Workbooks read a piece at a time: the same cells wherever the pieces end, and a large
// import within its memory.

#include "platform/LargePageAllocator.h"
#include "spreadsheet/SpreadsheetServer.h"
#include "spreadsheet/XlsxReader.h"
#include "support/ChildRun.h"
#include "support/Python.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const QByteArray kRelations = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// An .xlsx package of these parts, zipped by Python's zipfile as many exporters do.
void writePackage(const QString &path, const QByteArray &sheet, const QByteArray &strings)
{
    QTemporaryDir parts;
    const QMap<QString, QByteArray> files{
        {QStringLiteral("[Content_Types].xml"),
         "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/"
         "content-types\"><Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>"},
        {QStringLiteral("_rels/.rels"),
         "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/"
         "2006/relationships\"><Relationship Id=\"rId1\" Type=\"" +
             kRelations + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
        {QStringLiteral("xl/workbook.xml"),
         "<?xml version=\"1.0\"?><workbook xmlns=\"" + kMain + "\" xmlns:r=\"" + kRelations +
             "\"><sheets><sheet name=\"应收\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {QStringLiteral("xl/_rels/workbook.xml.rels"),
         "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/"
         "2006/relationships\"><Relationship Id=\"rId1\" Type=\"" +
             kRelations +
             "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" Type=\"" +
             kRelations +
             "/sharedStrings\" Target=\"sharedStrings.xml\"/><Relationship Id=\"rId3\" Type=\"" +
             kRelations + "/styles\" Target=\"styles.xml\"/></Relationships>"},
        {QStringLiteral("xl/styles.xml"),
         "<?xml version=\"1.0\"?><styleSheet xmlns=\"" + kMain +
             "\"><cellXfs count=\"2\"><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/></cellXfs>"
             "</styleSheet>"},
        {QStringLiteral("xl/worksheets/sheet1.xml"), sheet},
        {QStringLiteral("xl/sharedStrings.xml"), strings},
    };
    for (auto part = files.begin(); part != files.end(); ++part) {
        const QString file = parts.filePath(part.key());
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(part.value());
    }
    const QString zip =
        QStringLiteral("import os, sys, zipfile\n"
                       "with zipfile.ZipFile(sys.argv[2], 'w', zipfile.ZIP_DEFLATED) as z:\n"
                       "    for root, _, names in os.walk(sys.argv[1]):\n"
                       "        for name in sorted(names):\n"
                       "            full = os.path.join(root, name)\n"
                       "            z.write(full, os.path.relpath(full, sys.argv[1]))\n");
    QVERIFY(runPython(zip, {parts.path(), path}).ok);
}

// Every construct a sheet's XML may hold, where a piece may end: comments (holding markup)
// before and inside the data, a processing instruction, CDATA, predefined and numeric
// entities, _xHHHH_ escapes, rich inline text, a phonetic run, a long text, cells without a
// reference, an attribute value holding '>', a byte-order mark, CR LF line ends.
QByteArray everyConstructSheet()
{
    const QByteArray longText = QByteArray("长文本").repeated(120) + "_x0041_end";
    return "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
           "<worksheet xmlns=\"" +
           kMain +
           "\" xmlns:x14ac=\"urn:x\"><!-- before <sheetData> -->\r\n"
           "<dimension ref=\"A1:E6\"/><sheetData>\r\n"
           "<row r=\"1\" spans=\"1:5\" x14ac:note=\"a > b\"><c r=\"A1\" t=\"s\"><v>0</v></c>"
           "<c r=\"B1\" t=\"inlineStr\"><is><r><rPr><b/></rPr><t>富</t></r>"
           "<r><t xml:space=\"preserve\"> 文本 </t></r></is></c>"
           "<c r=\"C1\" t=\"str\"><v>a_x000D_b &amp; &lt;c&gt; &#x4E2D;&#20013;&#128512;</v></c>"
           "<c r=\"D1\" s=\"1\"><v>45382</v></c><c r=\"E1\"><v>1234.5</v></c></row>\r\n"
           "<!-- inside the data: <row r=\"3\"><c><v>9</v></c></row> -->"
           "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t><![CDATA[<CDATA & ]]>"
           "</t></is></c><c r=\"B2\" t=\"s\"><v>1</v></c><c r=\"C2\" t=\"b\"><v>1</v></c>"
           "<c r=\"D2\" t=\"e\"><v>#N/A</v></c><c r=\"E2\" t=\"inlineStr\"><is><t>" +
           longText +
           "</t></is></c></row><?pi inside the data?>\r\n"
           "<row r=\"4\"><c t=\"inlineStr\"><is><t>无地址</t></is></c><c><v>-0.125</v></c>"
           "<c t=\"inlineStr\"><is><t>x</t><rPh sb=\"0\" eb=\"1\"><t>ア</t></rPh></is></c></row>"
           "<row r=\"6\"><c r=\"B6\" t=\"s\"><v>2</v></c>"
           "<c r=\"C6\" t=\"d\"><v>2024-03-31T12:00:00</v></c><c r=\"D6\" t=\"s\"><v>7</v></c>"
           "</row>\r\n</sheetData><!-- after --></worksheet>\r\n";
}

QByteArray everyConstructStrings()
{
    return "<?xml version=\"1.0\"?>\n<sst xmlns=\"" + kMain +
           "\" count=\"3\" uniqueCount=\"3\"><si><t>共享 &amp; 字符串</t></si>"
           "<!-- a comment between items --><si><r><t>Rich</t></r><r><t><![CDATA[文本]]></t></r>"
           "<rPh sb=\"0\" eb=\"1\"><t>フリ</t></rPh></si><si><t>_x0041_" +
           QByteArray("共享长文本").repeated(80) + "</t></si></sst>";
}

// The active sheet's used range and cells, as text to compare.
QString tableOf(const QString &path, qsizetype pieceSize)
{
    const std::unique_ptr<WorkbookData> book = XlsxReader::read(path, pieceSize);
    Worksheet *sheet = book->activeSheet();
    const QString range = sheet->usedRangeAddress();
    QString out = range + QLatin1Char('\n');
    sheet->rangeValues(range).forEach([&](const CellRef &cell) {
        out += QStringLiteral("%1,%2:%3:%4:%5\n")
                   .arg(cell.row)
                   .arg(cell.column)
                   .arg(int(cell.kind))
                   .arg(cell.number, 0, 'g', 17)
                   .arg(cell.text);
    });
    return out;
}

} // namespace

class TestStreaming : public QObject
{
    Q_OBJECT

private slots:
    void aPieceBoundaryAnywhereReadsTheSameTable()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("every.xlsx"));
        const QByteArray sheet = everyConstructSheet();
        writePackage(path, sheet, everyConstructStrings());
        const QString whole = tableOf(path, qsizetype(1) << 30);
        // The reading itself: every kind of cell, read as it is written.
        QVERIFY2(whole.startsWith(QStringLiteral("$A$1:$E$6\n")), qPrintable(whole));
        for (const char *expected :
             {"1,1:1:0:共享 & 字符串", "1,2:1:0:富 文本 ", "1,3:1:0:a\rb & <c> 中中😀",
              "1,4:3:45382:", "2,1:1:0:<CDATA & ", "2,2:1:0:Rich文本", "2,3:4:1:", "2,4:5:0:#N/A",
              "2,5:1:0:长文本长文本", "文本Aend\n", "4,1:1:0:无地址", "4,2:2:-0.125:",
              "4,3:1:0:x\n", "6,2:1:0:A共享长文本", "6,3:3:45382.5:", "6,4:1:0:\n"})
            QVERIFY2(whole.contains(QString::fromUtf8(expected)), expected);
        QVERIFY2(!whole.contains(QStringLiteral("3,1")), "a row inside a comment was read");
        // A boundary at every byte of the sheet (and of the shared strings, cut alike).
        for (qsizetype piece = 1; piece <= sheet.size(); ++piece)
            QVERIFY2(tableOf(path, piece) == whole,
                     qPrintable(QStringLiteral("piece %1").arg(piece)));
    }

    void cellsHandedOverAreReadAgainWhenAskedAgain()
    {
        // Dense enough that two readings' cells together pass what the file's size allows:
        // the second reading counts its own cells alone.
        QByteArray sheet = "<?xml version=\"1.0\"?><worksheet xmlns=\"" + kMain + "\"><sheetData>";
        for (int r = 1; r <= 200000; ++r)
            sheet += "<row><c><v>1</v></c><c><v>2</v></c><c><v>3</v></c><c><v>4</v></c></row>";
        sheet += "</sheetData></worksheet>";
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("dense.xlsx"));
        writePackage(path, sheet, everyConstructStrings());
        const std::unique_ptr<WorkbookData> book = XlsxReader::read(path);
        Worksheet *worksheet = book->activeSheet();
        QCOMPARE(worksheet->usedRangeAddress(), QStringLiteral("$A$1:$D$200000"));
        for (int reading = 0; reading < 2; ++reading) {
            RangeValues values = worksheet->rangeValues(QStringLiteral("A1:D200000"));
            qsizetype count = 0;
            double sum = 0;
            values.forEachOnce([&](const CellRef &cell) {
                ++count;
                sum += cell.number;
            });
            QCOMPARE(count, qsizetype(800000));
            QCOMPARE(sum, 2000000.0);
        }
        QCOMPARE(worksheet->cell(200000, 4), CellValue::makeNumber(4));
    }

    void aLargeSheetReadOnAnotherThreadReadsTheSameTable()
    {
        // Large enough that its inflating runs ahead on a thread of its own.
        QByteArray sheet = "<?xml version=\"1.0\"?><worksheet xmlns=\"" + kMain + "\"><sheetData>";
        for (int r = 1; r <= 30000; ++r) {
            const QByteArray n = QByteArray::number(r);
            sheet += "<row r=\"" + n + "\"><c r=\"A" + n + "\" t=\"inlineStr\"><is><t>客户&#" +
                     QByteArray::number(0x4E00 + r % 5000) + ";" + n + "</t></is></c><c r=\"B" + n +
                     "\" t=\"s\"><v>" + QByteArray::number(r % 3) + "</v></c><c r=\"C" + n +
                     "\"><v>" + n + ".25</v></c></row>" + (r % 997 == 0 ? "<!-- -->" : "");
        }
        sheet += "</sheetData></worksheet>";
        QVERIFY(sheet.size() > 3 * 256 * 1024);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("large.xlsx"));
        writePackage(path, sheet, everyConstructStrings());
        const QString whole = tableOf(path, qsizetype(1) << 30);
        QVERIFY(whole.startsWith(QStringLiteral("$A$1:$C$30000\n")));
        QCOMPARE(tableOf(path, 4093), whole);
        QCOMPARE(tableOf(path, 256 * 1024), whole);
    }

    // The import of 100,000 rows, in either string form, stays within the memory it is meant
    // to take, as the table command (the import and the table) measures it.
    // The size where the allocator turns to mapped pages is itself mapped, and given back
    // as it was taken: a vector grown by doubling lands on exactly 512 KB.
    void aVectorGrownToExactly512KilobytesIsMapped()
    {
        using Allocator = LargePageAllocator<char>;
        std::vector<char, Allocator> bytes;
        for (size_t i = 0; i < Allocator::kMappedFrom; ++i)
            bytes.push_back(char(i % 251));
        QCOMPARE(bytes.capacity(), size_t(512) << 10);
        QVERIFY(Allocator::isMapped(bytes.capacity()));
        // Mapped storage starts on a 2 MB boundary; the heap's does not.
        QCOMPARE(reinterpret_cast<quintptr>(bytes.data()) % LargeBlock::kPage, quintptr(0));
        QCOMPARE(bytes[Allocator::kMappedFrom - 1], char((Allocator::kMappedFrom - 1) % 251));
        // Given back by unmapping: freeing it as heap memory would abort here.
        std::vector<char, Allocator>().swap(bytes);
        QCOMPARE(bytes.capacity(), size_t(0));
    }

    void aHundredThousandRowsStayWithin60Megabytes_data()
    {
        QTest::addColumn<bool>("shared");
        QTest::newRow("inline strings") << false;
        QTest::newRow("shared strings") << true;
    }
    void aHundredThousandRowsStayWithin60Megabytes()
    {
#ifdef __SANITIZE_ADDRESS__
        QSKIP("AddressSanitizer's shadow memory multiplies what the import takes");
#endif
        QFETCH(bool, shared);
        // Written by Python: the kernel counts this process's own peak into the peak of a
        // command it starts, so it must stay small itself.
        const QString write = QStringLiteral(
            "import sys, zipfile\n"
            "shared = sys.argv[2] == 'shared'\n"
            "main = 'http://schemas.openxmlformats.org/spreadsheetml/2006/main'\n"
            "rel = 'http://schemas.openxmlformats.org/officeDocument/2006/relationships'\n"
            "rows, strings = [], []\n"
            "for r in range(1, 100001):\n"
            "    name = f'上海华东贸易有限责任公司第{r}分公司'\n"
            "    if shared:\n"
            "        a = f'<c r=\"A{r}\" t=\"s\"><v>{r - 1}</v></c>'\n"
            "        strings.append(f'<si><t>{name}</t></si>')\n"
            "    else:\n"
            "        a = f'<c r=\"A{r}\" t=\"inlineStr\"><is><t>{name}</t></is></c>'\n"
            "    rows.append(f'<row r=\"{r}\">{a}<c r=\"B{r}\" s=\"1\"><v>{43000 + r % "
            "3000}</v></c>'\n"
            "                f'<c r=\"C{r}\"><v>{r * 17.31:.2f}</v></c><c r=\"D{r}\" "
            "t=\"inlineStr\">'\n"
            "                f'<is><t>WL-2026-{r:06d}</t></is></c></row>')\n"
            "parts = {\n"
            "    '_rels/.rels': f'<Relationships "
            "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
            "Id=\"rId1\" Type=\"{rel}/officeDocument\" "
            "Target=\"xl/workbook.xml\"/></Relationships>',\n"
            "    'xl/workbook.xml': f'<workbook xmlns=\"{main}\" xmlns:r=\"{rel}\"><sheets><sheet "
            "name=\"应收\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>',\n"
            "    'xl/_rels/workbook.xml.rels': f'<Relationships "
            "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
            "Id=\"rId1\" Type=\"{rel}/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship "
            "Id=\"rId2\" Type=\"{rel}/sharedStrings\" Target=\"sharedStrings.xml\"/><Relationship "
            "Id=\"rId3\" Type=\"{rel}/styles\" Target=\"styles.xml\"/></Relationships>',\n"
            "    'xl/styles.xml': f'<styleSheet xmlns=\"{main}\"><cellXfs><xf numFmtId=\"0\"/><xf "
            "numFmtId=\"14\"/></cellXfs></styleSheet>',\n"
            "    'xl/worksheets/sheet1.xml': f'<worksheet xmlns=\"{main}\"><sheetData>' + "
            "''.join(rows) + '</sheetData></worksheet>',\n"
            "    'xl/sharedStrings.xml': f'<sst xmlns=\"{main}\">' + ''.join(strings) + '</sst>',\n"
            "}\n"
            "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:\n"
            "    for name, text in parts.items():\n"
            "        z.writestr(name, text)\n");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("100k.xlsx"));
        QVERIFY(runPython(write, {path, QLatin1String(shared ? "shared" : "inline")}).ok);
        const ChildRun run =
            runChild(qEnvironmentVariable("PROGRAM_DIR") + QStringLiteral("/roviradavev-batch"),
                     {QStringLiteral("table"), path});
        QVERIFY(run.ok);
        QVERIFY2(run.peakKilobytes <= 60 * 1024,
                 qPrintable(QStringLiteral("peak %1 MB").arg(run.peakKilobytes / 1024.0)));
    }
};

QTEST_GUILESS_MAIN(TestStreaming)
#include "test_streaming.moc"

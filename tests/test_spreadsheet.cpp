// The workbook reader: real files of several writers, hand-built BIFF streams, the XML
// parser, and the malformed-file corpus.

#include "spreadsheet/CellAddress.h"
#include "spreadsheet/GsfSupport.h"
#include "spreadsheet/NumberFormats.h"
#include "spreadsheet/ReadFailure.h"
#include "spreadsheet/SheetData.h"
#include "spreadsheet/SpreadsheetError.h"
#include "spreadsheet/WorkbookFile.h"
#include "spreadsheet/XlsReader.h"
#include "spreadsheet/XmlPullParser.h"
#include "spreadsheet/ZipPackage.h"
#include "support/BiffBuilder.h"
#include "support/TestData.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <unistd.h>

namespace {

// BIFF8 short string as BOUNDSHEET holds it: length, option byte, characters.
QByteArray sheetName8(const QString &name)
{
    return QByteArray(1, char(name.size())) + char(1) + BiffBuilder::wide(name);
}

CellValue cellOf(Worksheet *sheet, int row, int column)
{
    return sheet->cell(row, column);
}

QString failureOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const SpreadsheetError &e) {
        return e.message();
    } catch (const ReadFailure &f) {
        return QStringLiteral("failure %1 %2").arg(int(f.cause)).arg(f.detail);
    }
    return QString();
}

} // namespace

class TestSpreadsheet : public QObject
{
    Q_OBJECT
private slots:
    void receivablesInBothFormats_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("xls") << "receivables.xls";
        QTest::newRow("xlsx") << "receivables.xlsx";
    }
    void receivablesInBothFormats()
    {
        QFETCH(QString, file);
        auto workbook = WorkbookFile::open(workbookPath(file));
        QCOMPARE(workbook->sheetCount(), 1);
        Worksheet *sheet = workbook->activeSheet();
        QCOMPARE(sheet->name(), QStringLiteral("应收帐款"));
        QCOMPARE(sheet->usedRangeAddress(), QStringLiteral("$A$1:$D$11"));
        QCOMPARE(cellOf(sheet, 1, 1), CellValue::makeText(QStringLiteral("客户名称")));
        QCOMPARE(cellOf(sheet, 2, 1), CellValue::makeText(QStringLiteral("北京华信科技有限公司")));
        // Custom (yyyy-mm-dd) and built-in (14) date formats alike.
        QCOMPARE(cellOf(sheet, 2, 2), CellValue::makeDate(45657));
        QCOMPARE(cellOf(sheet, 3, 2), CellValue::makeDate(45657));
        QCOMPARE(cellOf(sheet, 2, 3), CellValue::makeNumber(128000.5));
        QCOMPARE(cellOf(sheet, 11, 3), CellValue::makeNumber(100010001));
        QCOMPARE(cellOf(sheet, 12, 1).kind, CellValue::Empty);
        const RangeValues values = sheet->rangeValues(QStringLiteral("A1:D11"));
        QCOMPARE(values.rows, 11);
        QCOMPARE(values.columns, 4);
        QCOMPARE(values.entries().size(), 44);
    }

    void typedValues_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("xls") << "types.xls";
        QTest::newRow("xlsx") << "types.xlsx";
    }
    void typedValues()
    {
        QFETCH(QString, file);
        auto workbook = WorkbookFile::open(workbookPath(file));
        Worksheet *sheet = workbook->activeSheet();
        QCOMPARE(cellOf(sheet, 1, 1), CellValue::makeText(QStringLiteral("文本")));
        QCOMPARE(cellOf(sheet, 1, 7).kind, CellValue::Number); // openpyxl keeps 16 digits only
        QVERIFY(qFuzzyCompare(cellOf(sheet, 1, 7).number, 123456789012345678.0));
        QCOMPARE(cellOf(sheet, 1, 8), CellValue::makeBoolean(true));
        QCOMPARE(cellOf(sheet, 1, 9), CellValue::makeBoolean(false));
        QCOMPARE(cellOf(sheet, 1, 10), CellValue::makeError(QStringLiteral("#DIV/0!")));
        QCOMPARE(cellOf(sheet, 1, 11), CellValue::makeError(QStringLiteral("#N/A")));
        QCOMPARE(cellOf(sheet, 1, 12), CellValue::makeDate(45382));
        QCOMPARE(cellOf(sheet, 1, 13).kind, CellValue::Date);
        QVERIFY(qAbs(cellOf(sheet, 1, 13).number - (45382 + 14.5 / 24)) < 1e-6);
        QCOMPARE(cellOf(sheet, 1, 14).kind, CellValue::Date); // a time alone
        QVERIFY(qAbs(cellOf(sheet, 1, 14).number - 8.25 / 24) < 1e-6);
        QCOMPARE(cellOf(sheet, 1, 15), CellValue::makeDate(45296)); // yyyy"年"m"月"d"日"
        QCOMPARE(cellOf(sheet, 1, 16), CellValue::makeText(QStringLiteral("𠮷野家 😀 한국")));
        QCOMPARE(cellOf(sheet, 1, 19), CellValue::makeNumber(45000)); // #,##0.00 is no date
        QCOMPARE(cellOf(sheet, 1, 20), CellValue::makeDate(45000));   // [$-804]yyyy年m月d日
        // Formatting without a value does not widen the used range.
        QCOMPARE(sheet->usedRangeAddress(), QStringLiteral("$A$1:$T$1"));
    }

    void activeSheetIsTheSelectedTab_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("xls") << "second_active.xls";
        QTest::newRow("xlsx") << "second_active.xlsx";
    }
    void activeSheetIsTheSelectedTab()
    {
        QFETCH(QString, file);
        auto workbook = WorkbookFile::open(workbookPath(file));
        QCOMPARE(workbook->sheetCount(), 3);
        QCOMPARE(workbook->sheet(1)->name(), QStringLiteral("第一页"));
        QCOMPARE(workbook->sheet(3)->name(), QStringLiteral("隐藏页")); // hidden sheets are listed
        QCOMPARE(workbook->activeSheet()->name(), QStringLiteral("第二页"));
        QCOMPARE(workbook->activeSheet()->usedRangeAddress(), QStringLiteral("$A$1:$B$2"));
    }

    void usedRanges()
    {
        QCOMPARE(
            WorkbookFile::open(workbookPath("offset_b3.xls"))->activeSheet()->usedRangeAddress(),
            QStringLiteral("$B$3:$E$12"));
        QCOMPARE(
            WorkbookFile::open(workbookPath("offset_b3.xlsx"))->activeSheet()->usedRangeAddress(),
            QStringLiteral("$B$3:$E$12"));
        QCOMPARE(WorkbookFile::open(workbookPath("wide28.xlsx"))->activeSheet()->usedRangeAddress(),
                 QStringLiteral("$A$1:$AB$2"));
        QCOMPARE(
            WorkbookFile::open(workbookPath("one_cell.xls"))->activeSheet()->usedRangeAddress(),
            QStringLiteral("$A$1"));
        QCOMPARE(WorkbookFile::open(workbookPath("empty.xlsx"))->activeSheet()->usedRangeAddress(),
                 QStringLiteral("$A$1"));
        QCOMPARE(WorkbookFile::open(workbookPath("formatting_only.xls"))
                     ->activeSheet()
                     ->usedRangeAddress(),
                 QStringLiteral("$B$2"));
        QCOMPARE(
            WorkbookFile::open(workbookPath("sparse_far.xlsx"))->activeSheet()->usedRangeAddress(),
            QStringLiteral("$A$1:$XF$1048576"));
    }

    void dateSystem1904()
    {
        for (const char *file : {"dates1904.xls", "dates1904.xlsx"})
            QCOMPARE(cellOf(WorkbookFile::open(workbookPath(file))->activeSheet(), 1, 1),
                     CellValue::makeDate(45382));
    }

    void formulasGiveTheirCachedResults_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("xls") << "formulas.xls";
        QTest::newRow("xlsx") << "formulas.xlsx";
    }
    void formulasGiveTheirCachedResults()
    {
        QFETCH(QString, file);
        auto workbook = WorkbookFile::open(workbookPath(file));
        Worksheet *sheet = workbook->activeSheet();
        QCOMPARE(cellOf(sheet, 1, 2), CellValue::makeNumber(2469));
        QCOMPARE(cellOf(sheet, 1, 3), CellValue::makeText(QStringLiteral("客户甲")));
        QCOMPARE(cellOf(sheet, 1, 4), CellValue::makeBoolean(true));
        QCOMPARE(cellOf(sheet, 1, 5), CellValue::makeError(QStringLiteral("#DIV/0!")));
        QCOMPARE(cellOf(sheet, 1, 7), CellValue::makeDate(45382));
        QCOMPARE(cellOf(sheet, 1, 8), CellValue::makeText(QString(300, QChar(0x957F))));
    }

    void biff5WithGbkText()
    {
        auto workbook = WorkbookFile::open(workbookPath("biff5_gbk.xls"));
        Worksheet *sheet = workbook->activeSheet();
        QCOMPARE(sheet->name(), QStringLiteral("应收"));
        QCOMPARE(cellOf(sheet, 2, 1), CellValue::makeText(QStringLiteral("北京华信科技有限公司")));
        QCOMPARE(cellOf(sheet, 2, 2), CellValue::makeDate(45657));
        QCOMPARE(cellOf(sheet, 3, 3), CellValue::makeNumber(56320));
    }

    void sharedStringsAcrossContinueRecords()
    {
        auto workbook = WorkbookFile::open(workbookPath("sst_continue.xls"));
        Worksheet *sheet = workbook->activeSheet();
        for (int r = 0; r < 600; r += 37) {
            const QString expected = QStringLiteral("第%1行：").arg(r + 1) +
                                     QStringLiteral("应收帐款询证函").repeated(r % 7 + 1);
            QCOMPARE(cellOf(sheet, r + 1, 1).text, expected);
            QCOMPARE(cellOf(sheet, r + 1, 2).text, QStringLiteral("ASCII only row %1 ").arg(r + 1) +
                                                       QString(r % 50, QLatin1Char('x')));
        }
        QCOMPARE(cellOf(sheet, 601, 1).text, QString(5000, QChar(0x957F)));
    }

    void handWrittenXlsxParts()
    {
        auto workbook = WorkbookFile::open(workbookPath("handmade.xlsx"));
        Worksheet *sheet = workbook->activeSheet();
        QCOMPARE(sheet->name(), QStringLiteral("手工"));
        QCOMPARE(cellOf(sheet, 1, 1).text, QStringLiteral("普通"));
        QCOMPARE(cellOf(sheet, 1, 2).text, QStringLiteral("富 文本"));     // rich text runs joined
        QCOMPARE(cellOf(sheet, 1, 3).text, QStringLiteral("東京"));        // phonetic run left out
        QCOMPARE(cellOf(sheet, 2, 1), CellValue::makeNumber(1));           // row and cell without r
        QCOMPARE(cellOf(sheet, 2, 2), CellValue::makeDate(45382));         // custom date format
        QCOMPARE(cellOf(sheet, 2, 3), CellValue::makeNumber(45382));       // built-in #,##0.00
        QCOMPARE(cellOf(sheet, 2, 4), CellValue::makeDate(45382.25));      // ISO date cell
        QCOMPARE(cellOf(sheet, 5, 1).text, QStringLiteral("<公式&文本>")); // formula text, entities
        QCOMPARE(cellOf(sheet, 5, 2).text, QStringLiteral("<原样>"));      // CDATA
        QCOMPARE(cellOf(sheet, 5, 3), CellValue::makeBoolean(false));
        QCOMPARE(cellOf(sheet, 5, 4), CellValue::makeError(QStringLiteral("#REF!")));
        QCOMPARE(cellOf(sheet, 5, 5).kind, CellValue::Empty); // style only
        QCOMPARE(cellOf(sheet, 5, 6).text,
                 QStringLiteral("a\rb_x0041_")); // Office's _xHHHH_ escapes
        QCOMPARE(sheet->usedRangeAddress(), QStringLiteral("$A$1:$F$5"));
    }

    void handBuiltBiff()
    {
        // An SST whose second string is split by a CONTINUE, changing from 8-bit to
        // 16-bit characters; a BIFF8 label; a formula with a STRING result; RK and MULRK.
        const QByteArray sst = BiffBuilder::u32(2) + BiffBuilder::u32(2) + BiffBuilder::u16(2) +
                               char(0) + QByteArray("ab") + BiffBuilder::u16(4) + char(0) +
                               QByteArray("cd");
        const QByteArray continued =
            QByteArray(1, char(1)) + BiffBuilder::wide(QStringLiteral("应收"));
        const QByteArray globals =
            BiffBuilder::record(0x00E0,
                                BiffBuilder::u16(0) + BiffBuilder::u16(0) + QByteArray(16, 0)) +
            BiffBuilder::record(0x00E0,
                                BiffBuilder::u16(0) + BiffBuilder::u16(14) + QByteArray(16, 0)) +
            BiffBuilder::record(0x00FC, sst) + BiffBuilder::record(0x003C, continued);
        const QByteArray cells =
            BiffBuilder::record(0x00FD, BiffBuilder::u16(0) + BiffBuilder::u16(0) +
                                            BiffBuilder::u16(0) + BiffBuilder::u32(1)) +
            BiffBuilder::record(0x0204, BiffBuilder::u16(0) + BiffBuilder::u16(1) +
                                            BiffBuilder::u16(0) + BiffBuilder::u16(2) + char(1) +
                                            BiffBuilder::wide(QStringLiteral("标签"))) +
            BiffBuilder::record(
                0x0006, BiffBuilder::u16(1) + BiffBuilder::u16(0) + BiffBuilder::u16(0) +
                            QByteArray("\x00\x00\x00\x00\x00\x00\xFF\xFF", 8) + QByteArray(6, 0)) +
            BiffBuilder::record(0x0207, BiffBuilder::u16(3) + char(0) + QByteArray("xyz")) +
            // RK 4567 (integer, x100 flag off) with the date style, and MULRK of 1.23 and 7.
            BiffBuilder::record(0x027E, BiffBuilder::u16(1) + BiffBuilder::u16(1) +
                                            BiffBuilder::u16(1) +
                                            BiffBuilder::u32((45382u << 2) | 2)) +
            BiffBuilder::record(0x00BD,
                                BiffBuilder::u16(2) + BiffBuilder::u16(0) + BiffBuilder::u16(0) +
                                    BiffBuilder::u32((123u << 2) | 3) + BiffBuilder::u16(0) +
                                    BiffBuilder::u32((7u << 2) | 2) + BiffBuilder::u16(1));
        const QByteArray stream =
            BiffBuilder().build(globals, {{sheetName8(QStringLiteral("表")), cells}});
        auto workbook = XlsReader::readStream(stream);
        Worksheet *sheet = workbook->activeSheet();
        QCOMPARE(sheet->name(), QStringLiteral("表"));
        QCOMPARE(cellOf(sheet, 1, 1).text, QStringLiteral("cd应收"));
        QCOMPARE(cellOf(sheet, 1, 2).text, QStringLiteral("标签"));
        QCOMPARE(cellOf(sheet, 2, 1).text, QStringLiteral("xyz"));
        QCOMPARE(cellOf(sheet, 2, 2), CellValue::makeDate(45382));
        QCOMPARE(cellOf(sheet, 3, 1), CellValue::makeNumber(1.23));
        QCOMPARE(cellOf(sheet, 3, 2), CellValue::makeNumber(7));
    }

    void handBuiltBiffFailures()
    {
        const QList<QPair<QByteArray, QByteArray>> oneSheet{{sheetName8(QStringLiteral("a")), {}}};
        // A password record: the workbook is encrypted.
        const QByteArray encrypted =
            BiffBuilder().build(BiffBuilder::record(0x002F, QByteArray(54, 0)), oneSheet);
        QCOMPARE(failureOf([&] { XlsReader::readStream(encrypted); }),
                 QStringLiteral("failure %1 ").arg(int(ReadFailure::Encrypted)));
        // A record that claims more bytes than the stream has.
        QByteArray overlong = BiffBuilder().build({}, oneSheet);
        overlong.append(BiffBuilder::u16(0x0203) + BiffBuilder::u16(8000));
        overlong.chop(0);
        const QByteArray cut = BiffBuilder().build({}, oneSheet).chopped(3);
        QVERIFY(failureOf([&] {
                    XlsReader::readStream(cut)->activeSheet()->usedRangeAddress();
                }).startsWith(QStringLiteral("failure %1").arg(int(ReadFailure::Damaged))));
        // An SST whose last string is cut short.
        const QByteArray shortSst = BiffBuilder().build(
            BiffBuilder::record(0x00FC, BiffBuilder::u32(5) + BiffBuilder::u32(1) +
                                            BiffBuilder::u16(5) + char(0) + 'a'),
            oneSheet);
        QVERIFY(failureOf([&] {
                    XlsReader::readStream(shortSst)->activeSheet()->usedRangeAddress();
                }).contains(QStringLiteral("共享字符串表")));
        // A cell beyond the 256 columns an .xls sheet has: damage, not a wider sheet.
        const QByteArray wide = BiffBuilder().build(
            {}, {{sheetName8(QStringLiteral("a")),
                  BiffBuilder::record(0x0203, BiffBuilder::u16(1) + BiffBuilder::u16(65533) +
                                                  BiffBuilder::u16(0) + QByteArray(8, 0))}});
        QVERIFY(failureOf([&] {
                    XlsReader::readStream(wide)->activeSheet()->usedRangeAddress();
                }).contains(QStringLiteral("超出工作表范围")));
        // A sheet offset beyond the stream.
        QByteArray badOffset = BiffBuilder().build({}, oneSheet);
        const qsizetype at = badOffset.indexOf(QByteArray("\x85\x00", 2));
        badOffset.replace(at + 4, 4, BiffBuilder::u32(0x7FFFFFF0));
        QVERIFY(failureOf([&] {
                    XlsReader::readStream(badOffset)->activeSheet()->usedRangeAddress();
                }).contains(QStringLiteral("超出数据流")));
    }

    // A string whose header ends a record: its characters start in the next CONTINUE, after
    // that record's own option byte, and the strings after it read in step.
    void aStringCutRightAfterItsHeader_data()
    {
        QTest::addColumn<bool>("wide");
        QTest::newRow("8-bit characters") << false;
        QTest::newRow("UTF-16 characters") << true;
    }
    void aStringCutRightAfterItsHeader()
    {
        QFETCH(bool, wide);
        const char option = wide ? 1 : 0;
        auto characters = [&](const QString &text) {
            return wide ? BiffBuilder::wide(text) : text.toLatin1();
        };
        const QStringList texts =
            wide ? QStringList{QStringLiteral("AAThe next value starts here!"),
                               QStringLiteral("应收"), QStringLiteral("帐款"), QStringLiteral("z")}
                 : QStringList{QStringLiteral("AAThe next value starts here!"), QStringLiteral("x"),
                               QStringLiteral("Ab"), QStringLiteral("yz")};
        const QByteArray sst = BiffBuilder::u32(4) + BiffBuilder::u32(4) +
                               BiffBuilder::u16(int(texts[0].size())) + option;
        QByteArray continued = QByteArray(1, option) + characters(texts[0]);
        for (const QString &text : texts.mid(1))
            continued += BiffBuilder::u16(int(text.size())) + option + characters(text);
        QByteArray cells;
        for (int column = 0; column < 4; ++column)
            cells += BiffBuilder::record(0x00FD, BiffBuilder::u16(0) + BiffBuilder::u16(column) +
                                                     BiffBuilder::u16(0) +
                                                     BiffBuilder::u32(quint32(column)));
        const auto workbook = XlsReader::readStream(BiffBuilder().build(
            BiffBuilder::record(0x00FC, sst) + BiffBuilder::record(0x003C, continued),
            {{sheetName8(QStringLiteral("a")), cells}}));
        Worksheet *sheet = workbook->activeSheet();
        for (int column = 0; column < 4; ++column)
            QCOMPARE(cellOf(sheet, 1, column + 1).text, texts[column]);
    }

    // The count an SST states bounds nothing: writers state 0, or more than they wrote. The
    // strings are read until its records end.
    void theStatedStringCountIsNoBound_data()
    {
        QTest::addColumn<quint32>("stated");
        QTest::newRow("none stated") << 0u;
        QTest::newRow("more stated than held") << 1000000u;
    }
    void theStatedStringCountIsNoBound()
    {
        QFETCH(quint32, stated);
        const QByteArray sst =
            BiffBuilder::u32(3) + BiffBuilder::u32(stated) + BiffBuilder::u16(2) + char(1) +
            BiffBuilder::wide(QStringLiteral("甲方")) + BiffBuilder::u16(1) + char(0) + 'b';
        QByteArray cells;
        for (int column = 0; column < 3; ++column)
            cells += BiffBuilder::record(0x00FD, BiffBuilder::u16(0) + BiffBuilder::u16(column) +
                                                     BiffBuilder::u16(0) +
                                                     BiffBuilder::u32(quint32(column)));
        const auto workbook = XlsReader::readStream(BiffBuilder().build(
            BiffBuilder::record(0x00FC, sst), {{sheetName8(QStringLiteral("a")), cells}}));
        Worksheet *sheet = workbook->activeSheet();
        QCOMPARE(cellOf(sheet, 1, 1).text, QStringLiteral("甲方"));
        QCOMPARE(cellOf(sheet, 1, 2).text, QStringLiteral("b"));
        QCOMPARE(cellOf(sheet, 1, 3), CellValue::makeText(QString())); // past what was read
    }

    void anActiveChartSheetIsRefusedAsInAnXlsx()
    {
        const QByteArray secondTabShown =
            BiffBuilder::record(0x003D, QByteArray(10, 0) + BiffBuilder::u16(1) + QByteArray(6, 0));
        const QByteArray number = BiffBuilder::record(
            0x0203, BiffBuilder::u16(0) + BiffBuilder::u16(0) + BiffBuilder::u16(0) +
                        QByteArray("\x00\x00\x00\x00\x00\x00\x1C\x40", 8));
        const auto workbook = XlsReader::readStream(BiffBuilder().setSheetType(1, 2).build(
            secondTabShown, {{sheetName8(QStringLiteral("数据")), number},
                             {sheetName8(QStringLiteral("图表1")), {}}}));
        QCOMPARE(workbook->activeSheet()->name(), QStringLiteral("图表1"));
        QCOMPARE(failureOf([&] { workbook->activeSheet()->usedRangeAddress(); }),
                 QStringLiteral("工作表“图表1”是图表，没有可导入的单元格"));
        QCOMPARE(cellOf(workbook->sheet(1), 1, 1), CellValue::makeNumber(7));
    }

    // Text cells of an .xls without a string table would all read as empty.
    void textCellsWithoutAStringTableAreRefused()
    {
        const QByteArray cells =
            BiffBuilder::record(0x00FD, BiffBuilder::u16(0) + BiffBuilder::u16(0) +
                                            BiffBuilder::u16(0) + BiffBuilder::u32(0));
        const auto workbook = XlsReader::readStream(
            BiffBuilder().build({}, {{sheetName8(QStringLiteral("a")), cells}}));
        const QString failure = failureOf([&] { workbook->activeSheet()->usedRangeAddress(); });
        QVERIFY2(failure.contains(QStringLiteral("工作表“a”的文字单元格引用共享字符串表，但文件中"
                                                 "没有可读取的共享字符串表")),
                 qPrintable(failure));
    }

    void biff5CodePage()
    {
        const QByteArray gbk("\xD3\xA6\xCA\xD5", 4); // 应收 in GBK
        const QByteArray globals = BiffBuilder::record(0x0042, BiffBuilder::u16(936));
        const QByteArray cells =
            BiffBuilder::record(0x0204, BiffBuilder::u16(0) + BiffBuilder::u16(0) +
                                            BiffBuilder::u16(0) + BiffBuilder::u16(4) + gbk);
        const QByteArray name = QByteArray(1, char(4)) + gbk;
        auto workbook = XlsReader::readStream(BiffBuilder(false).build(globals, {{name, cells}}));
        QCOMPARE(workbook->activeSheet()->name(), QStringLiteral("应收"));
        QCOMPARE(cellOf(workbook->activeSheet(), 1, 1).text, QStringLiteral("应收"));
    }

    // Other readers open these; so do we, showing what they show.
    void numbersThatAreNoneReadAsErrors()
    {
        const auto workbook = WorkbookFile::open(workbookPath("infinite_value.xlsx"));
        Worksheet *sheet = workbook->activeSheet();
        const CellValue error = CellValue::makeError(QStringLiteral("#NUM!"));
        QCOMPARE(cellOf(sheet, 1, 1), error);
        QCOMPARE(cellOf(sheet, 1, 2), error);
        QCOMPARE(cellOf(sheet, 1, 3), error);
        QCOMPARE(cellOf(sheet, 1, 4), CellValue::makeNumber(7));

        auto number = [](int column, const char *bits) {
            return BiffBuilder::record(0x0203, BiffBuilder::u16(0) + BiffBuilder::u16(column) +
                                                   BiffBuilder::u16(0) + QByteArray(bits, 8));
        };
        const QByteArray stream =
            BiffBuilder().build({}, {{sheetName8(QStringLiteral("a")),
                                      number(0, "\x00\x00\x00\x00\x00\x00\xF0\x7F") + // +infinity
                                          number(1, "\x00\x00\x00\x00\x00\x00\xF8\x7F") +   // NaN
                                          number(2, "\x00\x00\x00\x00\x00\x00\x1C\x40")}}); // 7
        const auto xlsBook = XlsReader::readStream(stream);
        Worksheet *xls = xlsBook->activeSheet();
        QCOMPARE(cellOf(xls, 1, 1), error);
        QCOMPARE(cellOf(xls, 1, 2), error);
        QCOMPARE(cellOf(xls, 1, 3), CellValue::makeNumber(7));
    }

    void aStringIndexPastTheTableReadsEmpty()
    {
        const auto workbook = WorkbookFile::open(workbookPath("string_index_past_end.xlsx"));
        Worksheet *sheet = workbook->activeSheet();
        QCOMPARE(cellOf(sheet, 1, 1).text, QStringLiteral("x"));
        QCOMPARE(cellOf(sheet, 1, 2), CellValue::makeText(QString()));
        QCOMPARE(cellOf(sheet, 1, 3).text, QStringLiteral("y"));

        const QByteArray sst = BiffBuilder::u32(1) + BiffBuilder::u32(1) + BiffBuilder::u16(1) +
                               char(0) + QByteArray("x");
        auto labelSst = [](int column, quint32 index) {
            return BiffBuilder::record(0x00FD, BiffBuilder::u16(0) + BiffBuilder::u16(column) +
                                                   BiffBuilder::u16(0) + BiffBuilder::u32(index));
        };
        const auto xlsBook = XlsReader::readStream(BiffBuilder().build(
            BiffBuilder::record(0x00FC, sst),
            {{sheetName8(QStringLiteral("a")), labelSst(0, 7) + labelSst(1, 0)}}));
        Worksheet *xls = xlsBook->activeSheet();
        QCOMPARE(cellOf(xls, 1, 1), CellValue::makeText(QString()));
        QCOMPARE(cellOf(xls, 1, 2).text, QStringLiteral("x"));
    }

    void partsInUtf16BigEndian_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("with a byte-order mark") << "utf16be.xlsx";
        QTest::newRow("without one") << "utf16be_nobom.xlsx";
    }
    void partsInUtf16BigEndian()
    {
        QFETCH(QString, file);
        const auto workbook = WorkbookFile::open(workbookPath(file));
        Worksheet *sheet = workbook->activeSheet();
        QCOMPARE(sheet->name(), QStringLiteral("表一"));
        QCOMPARE(cellOf(sheet, 1, 1).text, QStringLiteral("应收帐款"));
        QCOMPARE(cellOf(sheet, 1, 2), CellValue::makeNumber(12.5));
        QCOMPARE(cellOf(sheet, 1, 3).text, QStringLiteral("𠮷野家"));
    }

    void earlyExcelIsNamedForWhatItIs_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("Excel 2.x") << QByteArray("\x09\x00\x04\x00\x02\x00\x10\x00", 8);
        QTest::newRow("Excel 3.0") << QByteArray("\x09\x02\x06\x00\x00\x03\x10\x00\0\0", 10);
        QTest::newRow("Excel 4.0") << QByteArray("\x09\x04\x06\x00\x00\x04\x10\x00\0\0", 10);
    }
    void earlyExcelIsNamedForWhatItIs()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("旧.xls"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes + BiffBuilder::record(0x000A, {}));
        file.close();
        QCOMPARE(
            failureOf([&] { WorkbookFile::open(path); }),
            QStringLiteral("工作簿“旧.xls”是早期的 Excel 格式（Excel 2.x–4.0），本程序不能读取，"
                           "请在电子表格程序中打开它，另存为 .xls 或 .xlsx 后再导入"));
    }

    void the1904FlagSurvivesExcel2013sSecondWorkbookPr()
    {
        const auto workbook = WorkbookFile::open(workbookPath("dates1904_x15.xlsx"));
        Worksheet *sheet = workbook->activeSheet();
        QCOMPARE(cellOf(sheet, 1, 1), CellValue::makeDate(45382)); // 31 March 2024
    }

    void aSheetIsReadOnce()
    {
        SheetData sheet(QStringLiteral("a"));
        int reads = 0;
        sheet.setLoader([&](SheetData &data) {
            ++reads;
            data.addCell(1, 1, CellValue::makeNumber(1));
            data.finish();
        });
        sheet.usedRangeAddress();
        sheet.cell(1, 1);
        sheet.usedRangeAddress();
        QCOMPARE(reads, 1);
    }

    void everyReadOfAPartIsCharged()
    {
        // A thousand tabs of one 300 KB part: read one by one, they pass the budget.
        auto workbook = WorkbookFile::open(testDataPath(QStringLiteral("bad/thousand_tabs.xlsx")));
        const QString raised = failureOf([&] {
            for (int i = 1; i <= workbook->sheetCount(); ++i)
                workbook->sheet(i)->usedRangeAddress();
        });
        QVERIFY2(raised.contains(QStringLiteral("解压后过大")), qPrintable(raised));
    }

    void theStringsComeFromTheFileThatWasOpened()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.xlsx"));
        QVERIFY(QFile::copy(workbookPath("receivables.xlsx"), path));
        const ZipPackage first(path);
        // Another program saves a different workbook over it.
        const QString other = dir.filePath(QStringLiteral("b.xlsx"));
        QVERIFY(QFile::copy(workbookPath("utf16be.xlsx"), other));
        QVERIFY(::rename(QFile::encodeName(other).constData(),
                         QFile::encodeName(path).constData()) == 0);
        const std::unique_ptr<ZipPackage> again = first.reopen();
        QCOMPARE(again->part(QStringLiteral("xl/workbook.xml")),
                 first.part(QStringLiteral("xl/workbook.xml")));
        QCOMPARE(again->fileSize(), first.fileSize());
    }

    // The reader hides GLib's complaint of zip dates and nothing else GLib says.
    void onlyTheZipDateComplaintIsSilenced()
    {
        GsfSupport::ensureReady();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("stderr"));
        std::fflush(stderr);
        const int saved = ::dup(2);
        const int file = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT, 0600);
        ::dup2(file, 2);
        g_log("GLib", G_LOG_LEVEL_CRITICAL,
              "g_date_time_unref: assertion 'datetime != NULL' failed");
        g_log("GLib", G_LOG_LEVEL_WARNING, "a warning that matters");
        std::fflush(stderr);
        ::dup2(saved, 2);
        ::close(saved);
        ::close(file);
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray said = written.readAll();
        QVERIFY2(said.contains("a warning that matters"), said.constData());
        QVERIFY2(!said.contains("g_date_time_unref"), said.constData());
    }

    void aThousandTabsOfOneSheet()
    {
        // Every tab names the same part; only the tab asked for is read.
        auto workbook = WorkbookFile::open(testDataPath(QStringLiteral("bad/thousand_tabs.xlsx")));
        QCOMPARE(workbook->sheetCount(), 1000);
        Worksheet *last = workbook->sheet(1000);
        QCOMPARE(last->name(), QStringLiteral("S1000"));
        QCOMPARE(last->usedRangeAddress(), QStringLiteral("$A$1:$J$2000"));
        QCOMPARE(cellOf(last, 2000, 10), CellValue::makeNumber(2000));
    }

    void malformedFilesEndInClearErrors_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << "empty.xls"
                               << "文件“empty.xls”是空文件，不是 Excel 工作簿";
        QTest::newRow("random bytes") << "random.xls"
                                      << "文件“random.xls”不是 Excel 工作簿（.xls 或 .xlsx）";
        QTest::newRow("text named xlsx")
            << "text_named.xlsx"
            << "文件“text_named.xlsx”不是 Excel 工作簿（.xls 或 .xlsx）";
        QTest::newRow("zip without workbook")
            << "no_workbook.xlsx"
            << "文件“no_workbook.xlsx”不是 Excel 工作簿（.xls 或 .xlsx）";
        QTest::newRow("truncated compound file") << "truncated.xls"
                                                 << "工作簿“truncated.xls”已损坏，无法读取";
        QTest::newRow("damaged allocation table") << "damaged_fat.xls"
                                                  << "工作簿“damaged_fat.xls”已损坏，无法读取";
        QTest::newRow("garbled records") << "garbled_records.xls"
                                         << "工作簿“garbled_records.xls”已损坏，无法读取";
        QTest::newRow("truncated zip") << "truncated.xlsx"
                                       << "工作簿“truncated.xlsx”已损坏，无法读取";
        QTest::newRow("decompression bomb") << "bomb.xlsx"
                                            << "工作簿“bomb.xlsx”已损坏，无法读取";
        QTest::newRow("entity bomb") << "entity_bomb.xlsx"
                                     << "工作簿“entity_bomb.xlsx”已损坏，无法读取";
        QTest::newRow("absurd row") << "huge_row.xlsx"
                                    << "工作簿“huge_row.xlsx”已损坏，无法读取";
        QTest::newRow("shared strings and sheet over the budget together")
            << "strings_over_budget.xlsx"
            << "工作簿“strings_over_budget.xlsx”已损坏，无法读取：压缩包中的";
        QTest::newRow("Excel 4.0 in a compound file")
            << "excel4_in_compound_file.xls"
            << "工作簿“excel4_in_compound_file.xls”是早期的 Excel 格式";
        QTest::newRow("malformed xml") << "malformed_xml.xlsx"
                                       << "工作簿“malformed_xml.xlsx”已损坏，无法读取";
        QTest::newRow("compound directory the library leaks on")
            << "msole_directory_leak.xls"
            << "文件“msole_directory_leak.xls”不是 Excel 工作簿（.xls 或 .xlsx）";
        QTest::newRow("a stored sheet changed after it was written")
            << "crc_sheet.xlsx"
            << "工作簿“crc_sheet.xlsx”已损坏，无法读取：压缩包中的“xl/sheets/s1.xml”校验不符"
               "（CRC-32），内容已损坏";
        QTest::newRow("shared strings that fail their check")
            << "crc_strings.xlsx"
            << "工作簿“crc_strings.xlsx”已损坏，无法读取：压缩包中的“xl/strings.xml”校验不符";
        QTest::newRow("a workbook part that fails its check")
            << "crc_workbook.xlsx"
            << "工作簿“crc_workbook.xlsx”已损坏，无法读取：压缩包中的“xl/workbook.xml”校验不符";
        QTest::newRow("Excel binary workbook")
            << "binary_workbook.xlsb"
            << "工作簿“binary_workbook.xlsb”是 Excel 二进制工作簿（.xlsb），本程序不能读取，"
               "请在电子表格程序中打开它，另存为 .xlsx 后再导入";
        QTest::newRow("strings in Excel 2007 beta's form")
            << "beta_shared_strings.xlsx"
            << "工作簿“beta_shared_strings.xlsx”已损坏，无法读取：工作表“a”的文字单元格引用共享"
               "字符串表，但文件中没有可读取的共享字符串表，这些文字无法读取";
        QTest::newRow("cells packed tighter than any sheet")
            << "cells_packed_tight.xlsx"
            << "工作簿“cells_packed_tight.xlsx”已损坏，无法读取：工作表“a”的单元格多于";
    }
    void malformedFilesEndInClearErrors()
    {
        QFETCH(QString, file);
        QFETCH(QString, message);
        // As the import reads it: the file, then its active sheet's cells.
        const QString raised = failureOf([&] {
            WorkbookFile::open(testDataPath(QStringLiteral("bad/") + file))
                ->activeSheet()
                ->usedRangeAddress();
        });
        QVERIFY2(raised.startsWith(message), qPrintable(raised));
        QVERIFY(!raised.endsWith(QLatin1Char('.')) && !raised.endsWith(QChar(0x3002)));
    }

    void filesThatAreNoFiles()
    {
        QTemporaryDir dir;
        QCOMPARE(failureOf([&] { WorkbookFile::open(dir.path() + QStringLiteral("/缺失.xls")); }),
                 QStringLiteral("找不到文件“缺失.xls”"));
        QDir(dir.path()).mkdir(QStringLiteral("folder.xls"));
        QCOMPARE(failureOf([&] { WorkbookFile::open(dir.path() + QStringLiteral("/folder.xls")); }),
                 QStringLiteral("“folder.xls”是文件夹，不是 Excel 工作簿"));
        // A file gone by the time the reader opens it: the system's words follow ours.
        QVERIFY(
            failureOf([&] { XlsReader::read(dir.path() + QStringLiteral("/缺失.xls")); })
                .startsWith(
                    QStringLiteral("failure %1 无法打开文件：").arg(int(ReadFailure::Damaged))));
        if (geteuid() != 0) { // root reads whatever the permissions say
            const QString locked = dir.path() + QStringLiteral("/locked.xls");
            QFile::copy(workbookPath("one_cell.xls"), locked);
            QFile::setPermissions(locked, QFileDevice::WriteOwner);
            QCOMPARE(failureOf([&] { WorkbookFile::open(locked); }),
                     QStringLiteral("没有读取文件“locked.xls”的权限"));
        }
    }

    void rangeAndCellRequests()
    {
        auto workbook = WorkbookFile::open(workbookPath("offset_b3.xlsx"));
        Worksheet *sheet = workbook->activeSheet();
        const RangeValues values = sheet->rangeValues(QStringLiteral("C4:D5"));
        QCOMPARE(values.rows, 2);
        QCOMPARE(values.columns, 2);
        QCOMPARE(values.entries().size(), 4);
        QCOMPARE(values.entries()[0].value.text, QStringLiteral("C4"));
        QCOMPARE(values.rowOf(values.entries()[3]), 2);
        QCOMPARE(values.columnOf(values.entries()[3]), 2);
        QCOMPARE(values.entries()[3].value.text, QStringLiteral("D5"));
        QVERIFY(failureOf([&] {
                    sheet->rangeValues(QStringLiteral("A-1:IV-1"));
                }).contains(QStringLiteral("无效")));
        QVERIFY(failureOf([&] {
                    sheet->rangeValues(QStringLiteral(":D20"));
                }).contains(QStringLiteral("无效")));
        QVERIFY(failureOf([&] { sheet->cell(0, 1); }).contains(QStringLiteral("无效")));
    }

    void addresses_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("absolute");
        QTest::newRow("plain") << "A1:D20" << true << "$A$1:$D$20";
        QTest::newRow("absolute") << "$B$3:$AB$12" << true << "$B$3:$AB$12";
        QTest::newRow("one cell") << "XFD1048576" << true << "$XFD$1048576";
        QTest::newRow("beyond columns") << "XFE1" << false << "";
        QTest::newRow("beyond rows") << "A1048577" << false << "";
        QTest::newRow("row zero") << "A0" << false << "";
        QTest::newRow("negative row") << "A-1" << false << "";
        QTest::newRow("lower case") << "a1" << false << "";
        QTest::newRow("three corners") << "A1:B2:C3" << false << "";
    }
    void addresses()
    {
        QFETCH(QString, address);
        QFETCH(bool, valid);
        QFETCH(QString, absolute);
        const auto range = CellAddress::parseRange(address);
        QCOMPARE(bool(range), valid);
        if (range)
            QCOMPARE(CellAddress::absolute(*range), absolute);
    }

    void dateFormatCodes_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("date");
        QTest::newRow("iso") << "yyyy-mm-dd" << true;
        QTest::newRow("chinese") << "yyyy\"年\"m\"月\"d\"日\"" << true;
        QTest::newRow("unquoted chinese") << "yyyy年m月d日" << true;
        QTest::newRow("time") << "h:mm:ss AM/PM" << true;
        QTest::newRow("elapsed hours") << "[h]:mm" << true;
        QTest::newRow("locale prefix") << "[$-804]yyyy/m/d" << true;
        QTest::newRow("general") << "General" << false;
        QTest::newRow("general in colour") << "[Blue]General" << false;
        QTest::newRow("general in any case") << "[Red]general;[Blue]-GENERAL" << false;
        QTest::newRow("general with condition")
            << "[Red][<=-25]General;[Blue][>=50]General" << false;
        QTest::newRow("general padded") << "General_)" << false;
        QTest::newRow("general in Chinese numerals") << "[DBNum1][$-804]General" << false;
        QTest::newRow("general and a date") << "General\\ yyyy-mm-dd hh:mm" << true;
        QTest::newRow("thousands") << "#,##0.00" << false;
        QTest::newRow("red negative") << "0.00;[Red]-0.00" << false;
        QTest::newRow("currency") << "[$¥-804]#,##0.00" << false;
        QTest::newRow("quoted letters") << "0.00\" days\"" << false;
        QTest::newRow("escaped d") << "0\\d" << false;
        QTest::newRow("scientific") << "0.00E+00" << false;
        QTest::newRow("text") << "@" << false;
    }
    void dateFormatCodes()
    {
        QFETCH(QString, code);
        QFETCH(bool, date);
        QCOMPARE(NumberFormats::isDateCode(code), date);
    }

    void serialDates()
    {
        QCOMPARE(automationDateFromSerial(1, false), 2.0);   // 1 January 1900
        QCOMPARE(automationDateFromSerial(59, false), 60.0); // 28 February 1900
        QCOMPARE(automationDateFromSerial(61, false), 61.0); // 1 March 1900
        QCOMPARE(automationDateFromSerial(0.5, false), 0.5); // noon, no day
        QCOMPARE(automationDateFromSerial(0, true), 1462.0); // 1 January 1904
    }

    void xmlParser()
    {
        XmlPullParser parser("<?xml version=\"1.0\"?><a:r xmlns:a=\"u\" "
                             "k='v&amp;w'>x&lt;&#x4E2D;&#25991;<b/><![CDATA[<&>]]></a:r>");
        QCOMPARE(parser.next(), XmlPullParser::StartElement);
        QCOMPARE(parser.name(), QByteArrayView("r"));
        QCOMPARE(parser.attributeText("k"), QStringLiteral("v&w"));
        QCOMPARE(parser.next(), XmlPullParser::Text);
        QCOMPARE(parser.text(), QStringLiteral("x<中文"));
        QCOMPARE(parser.next(), XmlPullParser::StartElement);
        QCOMPARE(parser.next(), XmlPullParser::EndElement);
        QCOMPARE(parser.next(), XmlPullParser::Text);
        QCOMPARE(parser.text(), QStringLiteral("<&>"));
        QCOMPARE(parser.next(), XmlPullParser::EndElement);
        QCOMPARE(parser.next(), XmlPullParser::EndDocument);

        for (const char *bad : {"<!DOCTYPE a><a/>", "<a>&unknown;</a>", "<a>&#0;</a>", "<a><b></a",
                                "<a>", "text<a/>", "<a x=\"1></a>"}) {
            XmlPullParser broken(bad);
            QVERIFY2(!failureOf([&] {
                          for (auto t = broken.next(); t != XmlPullParser::EndDocument;
                               t = broken.next())
                              if (t == XmlPullParser::Text)
                                  broken.text(); // entities are decoded when the text is used
                      }).isEmpty(),
                     bad);
        }
    }
};

QTEST_GUILESS_MAIN(TestSpreadsheet)
#include "test_spreadsheet.moc"

// The workbook import: address bounds, the server calls and their clean-up, the table's
// shape and texts, and real workbooks end to end.

#include "import/AddressBounds.h"
#include "import/WorkbookImport.h"
#include "platform/GuiBusyCursor.h"
#include "spreadsheet/WorkbookFileServer.h"
#include "support/FakeSpreadsheetServer.h"
#include "support/TestData.h"
#include "table/GridErrors.h"
#include "table/StartUpLayout.h"
#include "table/StringGridModel.h"

#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>

namespace {

RegionalSettings zhCN()
{
    return RegionalSettings::fromLocale(QLocale(QStringLiteral("zh_CN")));
}

FakeSheet sheetWith(const QString &address, const QMap<QPair<int, int>, CellValue> &cells,
                    const QString &name = QStringLiteral("Sheet1"))
{
    return FakeSheet{name, address, cells};
}

// Runs an import and gives the error message it raised, or an empty string.
QString importError(const std::function<void()> &import)
{
    try {
        import();
    } catch (const Exception &e) {
        return e.message();
    }
    return QString();
}

} // namespace

class TestImport : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { GuiBusyCursor::install(); }

    void bounds_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QList<int>>("rowsAndColumns"); // first row, last row, first col, last col
        QTest::addColumn<bool>("singleCell");
        QTest::addColumn<QString>("readAddress");
        QTest::newRow("two corners")
            << "$A$1:$D$20" << QList<int>{1, 20, 1, 4} << false << "A1:D20";
        QTest::newRow("offset") << "$B$3:$AB$12" << QList<int>{3, 12, 2, 28} << false << "B3:AB12";
        QTest::newRow("two letters")
            << "$ZZ$1:$ZZ$2" << QList<int>{1, 2, 702, 702} << false << "ZZ1:ZZ2";
        QTest::newRow("three letters read as two")
            << "$A$1:$XFD$1048576" << QList<int>{1, 1048576, 1, 630} << false << "A1:XF1048576";
        QTest::newRow("rows only") << "$3:$7" << QList<int>{3, 7, 1, 256} << false << "A3:IV7";
        QTest::newRow("whole columns")
            << "$A:$D" << QList<int>{-1, -1, 1, 256} << false << "A-1:IV-1";
        QTest::newRow("row not a number")
            << "$A$x:$D$20" << QList<int>{-1, 20, 1, 4} << false << "A-1:D20";
        QTest::newRow("second corner without dollar")
            << "$A$1:D$5" << QList<int>{1, 5, 1, 4} << false << "A1:D5";
        QTest::newRow("no letters in second corner")
            << "$A$1:$$5" << QList<int>{1, 5, 1, -1} << false << "A1:5";
        QTest::newRow("one cell") << "$C$7" << QList<int>{7, 7, 3, 3} << true << "C7:C7";
        QTest::newRow("one cell without dollar")
            << "C7" << QList<int>{1, 1, 1, 1} << true << "A1:A1";
        QTest::newRow("one cell, row digits first")
            << "$A$12abc" << QList<int>{12, 12, 1, 1} << true << "A12:A12";
        QTest::newRow("one cell, row no number")
            << "$AB$x" << QList<int>{0, 0, 28, 28} << true << "AB0:AB0";
        QTest::newRow("one cell, no letters") << "$5" << QList<int>{5, 5, -1, -1} << true << "5:5";
    }
    void bounds()
    {
        QFETCH(QString, address);
        QFETCH(QList<int>, rowsAndColumns);
        QFETCH(bool, singleCell);
        QFETCH(QString, readAddress);
        const AddressBounds bounds = AddressBounds::read(address);
        QCOMPARE(
            (QList<int>{bounds.firstRow, bounds.lastRow, bounds.firstColumn, bounds.lastColumn}),
            rowsAndColumns);
        QCOMPARE(bounds.singleCell, singleCell);
        QCOMPARE(bounds.readAddress(), readAddress);
    }

    void importsTheActiveSheetAndCleansUpInOrder()
    {
        FakeServerScript script;
        script.sheets = {sheetWith(QStringLiteral("$A$1"),
                                   {{{1, 1}, CellValue::makeText(QStringLiteral("第一页"))}}),
                         sheetWith(QStringLiteral("$B$2:$C$3"),
                                   {{{2, 2}, CellValue::makeText(QStringLiteral("名称"))},
                                    {{3, 2}, CellValue::makeNumber(1234.5)},
                                    {{3, 3}, CellValue::makeDate(45382)}},
                                   QStringLiteral("第二页"))};
        script.active = 1;
        StringGridModel grid;
        applyStartUpLayout(grid);
        bool cleanedUpFirst = false;
        connect(&grid, &StringGridModel::OnCellsChanged, [&] {
            cleanedUpFirst =
                script.log.last() == QLatin1String("quit") && !QGuiApplication::overrideCursor();
        });
        QSignalSpy changed(&grid, &StringGridModel::OnCellsChanged);
        const RegionalSettings settings = zhCN();
        WorkbookImport(grid, settings, FakeSpreadsheetServer::factory(script))
            .LoadFromWorkbook(QStringLiteral("/x/book.xls"));

        QCOMPARE(script.log, (QStringList{"open /x/book.xls", "activeSheet", "usedRange",
                                          "range B2:C3", "close", "quit"}));
        QVERIFY(script.busyCursorSeen);
        QVERIFY(cleanedUpFirst);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed[0], (QVariantList{0, 0, 2, 2}));
        QCOMPARE(grid.ColCount(), 2);
        QCOMPARE(grid.RowCount(), 2);
        QCOMPARE(grid.FixedCols(), 1);
        QCOMPARE(grid.Cells(0, 0), QStringLiteral("名称"));
        QCOMPARE(grid.Cells(1, 0), QString());
        QCOMPARE(grid.Cells(0, 1), QStringLiteral("1234.5"));
        QCOMPARE(grid.Cells(1, 1), QStringLiteral("2024/3/31"));
    }

    void noServer()
    {
        StringGridModel grid;
        applyStartUpLayout(grid);
        grid.setCells(0, 0, QStringLiteral("kept"));
        QSignalSpy changed(&grid, &StringGridModel::OnCellsChanged);
        const RegionalSettings settings = zhCN();
        for (const SpreadsheetServerFactory &factory :
             {SpreadsheetServerFactory([] { return std::unique_ptr<SpreadsheetServer>(); }),
              SpreadsheetServerFactory([]() -> std::unique_ptr<SpreadsheetServer> {
                  throw std::runtime_error("no");
              })}) {
            try {
                WorkbookImport(grid, settings, factory).LoadFromWorkbook(QStringLiteral("a.xls"));
                QFAIL("no error");
            } catch (const EAdvGridError &e) {
                QCOMPARE(e.message(), QStringLiteral("Excel OLE server not found"));
            }
        }
        QVERIFY(!QGuiApplication::overrideCursor());
        QCOMPARE(changed.size(), 0);
        QCOMPARE(grid.Cells(0, 0), QStringLiteral("kept"));
    }

    void serverErrorsAreCleanedAndTheTableKept()
    {
        FakeServerScript script;
        script.openError = QStringLiteral("找不到文件“a.xls”。\r\n");
        StringGridModel grid;
        applyStartUpLayout(grid);
        grid.setCells(0, 0, QStringLiteral("kept"));
        const RegionalSettings settings = zhCN();
        QCOMPARE(importError([&] {
                     WorkbookImport(grid, settings, FakeSpreadsheetServer::factory(script))
                         .LoadFromWorkbook("a.xls");
                 }),
                 QStringLiteral("找不到文件“a.xls”"));
        QCOMPARE(script.log.last(), QStringLiteral("quit"));
        QCOMPARE(grid.Cells(0, 0), QStringLiteral("kept"));
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void sheetsByExactName()
    {
        FakeServerScript script;
        script.sheets = {sheetWith("$A$1", {{{1, 1}, CellValue::makeText("first")}}, "Sheet1"),
                         sheetWith("$A$1", {{{1, 1}, CellValue::makeText("second")}}, "Sheet1"),
                         sheetWith("$A$1", {{{1, 1}, CellValue::makeText("other")}}, "Other")};
        StringGridModel grid;
        applyStartUpLayout(grid);
        const RegionalSettings settings = zhCN();
        WorkbookImport import(grid, settings, FakeSpreadsheetServer::factory(script));
        import.LoadFromWorkbookSheet("a.xls", "Sheet1");
        QCOMPARE(grid.Cells(0, 0),
                 QStringLiteral("second")); // a later match replaces an earlier one
        QCOMPARE(importError([&] { import.LoadFromWorkbookSheet("a.xls", "sheet1"); }),
                 QStringLiteral("Excel worksheet sheet1 not found"));
        QCOMPARE(script.log.last(), QStringLiteral("quit"));
        QCOMPARE(grid.Cells(0, 0), QStringLiteral("second"));
    }

    void errorValuesDoNotKeepAnEarlierWorkbooksText()
    {
        FakeServerScript script;
        script.sheets = {sheetWith("$A$1:$B$2", {{{1, 1}, CellValue::makeText("甲")},
                                                 {{2, 1}, CellValue::makeText("乙")},
                                                 {{2, 2}, CellValue::makeNumber(100)}})};
        StringGridModel grid;
        applyStartUpLayout(grid);
        const RegionalSettings settings = zhCN();
        WorkbookImport import(grid, settings, FakeSpreadsheetServer::factory(script));
        import.LoadFromWorkbook("first.xls");
        QCOMPARE(grid.Cells(1, 1), QStringLiteral("100"));
        script.sheets[0].cells[{2, 2}] = CellValue::makeError(QStringLiteral("#N/A"));
        import.LoadFromWorkbook("second.xls");
        QCOMPARE(grid.Cells(1, 1), QString());
        QCOMPARE(grid.Cells(0, 1), QStringLiteral("乙"));
    }

    void shapesOfTheTable()
    {
        FakeServerScript script;
        StringGridModel grid;
        applyStartUpLayout(grid);
        const RegionalSettings settings = zhCN();
        WorkbookImport import(grid, settings, FakeSpreadsheetServer::factory(script));

        script.sheets = {sheetWith("$A$1:$D$20", {{{10, 1}, CellValue::makeText("row ten")}})};
        import.LoadFromWorkbook("twenty.xls");
        QCOMPARE(grid.RowCount(), 20);
        script.sheets = {sheetWith("$A$1:$D$5", {})};
        import.LoadFromWorkbook("five.xls");
        QCOMPARE(grid.RowCount(), 5);
        QCOMPARE(grid.Cells(0, 9), QStringLiteral("row ten")); // outside the table, still stored

        script.sheets = {sheetWith("$A$1", {{{1, 1}, CellValue::makeText("one")}})};
        import.LoadFromWorkbook("one.xls");
        QCOMPARE(grid.ColCount(), 1);
        QCOMPARE(grid.RowCount(), 1);
        QCOMPARE(grid.FixedCols(), 0);
        QCOMPARE(grid.Cells(0, 0), QStringLiteral("one"));

        script.sheets = {sheetWith("$A$1:$D$11", {})};
        import.LoadFromWorkbook("four.xls");
        QCOMPARE(grid.FixedCols(), 0); // never raised again
        QCOMPARE(grid.ColWidths(0), 250);
        QCOMPARE(grid.ColWidths(1), 64);
        QCOMPARE(grid.ColWidths(3), 64);

        script.sheets = {sheetWith("$3:$7", {{{3, 256}, CellValue::makeText("IV3")}})};
        import.LoadFromWorkbook("rows.xls");
        QCOMPARE(script.log.at(script.log.size() - 3), QStringLiteral("range A3:IV7"));
        QCOMPARE(grid.ColCount(), 256);
        QCOMPARE(grid.RowCount(), 5);
        QCOMPARE(grid.Cells(255, 0), QStringLiteral("IV3"));

        script.sheets = {sheetWith("$A$1:$AB$2", {{{1, 28}, CellValue::makeText("AB1")}})};
        import.LoadFromWorkbook("wide.xls");
        QCOMPARE(grid.ColCount(), 28);
        QCOMPARE(grid.Cells(27, 0), QStringLiteral("AB1"));
    }

    void columnLetters()
    {
        QCOMPARE(AddressBounds::columnNumber(u"A"), 1);
        QCOMPARE(AddressBounds::columnNumber(u"IV"), 256);
        QCOMPARE(AddressBounds::columnNumber(u"ZZ"), 702);
        QCOMPARE(AddressBounds::columnNumber(u"ABC"), 28); // only the first two count
        QCOMPARE(AddressBounds::columnNumber(u""), -1);    // found by fuzzing: no letters
    }

    void addressesThatCannotBeRead()
    {
        FakeServerScript script;
        StringGridModel grid;
        applyStartUpLayout(grid);
        grid.setCells(0, 0, QStringLiteral("kept"));
        const RegionalSettings settings = zhCN();
        WorkbookImport import(grid, settings, FakeSpreadsheetServer::factory(script));

        script.sheets = {sheetWith("$A:$D", {})};
        QCOMPARE(importError([&] { import.LoadFromWorkbook("columns.xls"); }),
                 QStringLiteral("区域地址“A-1:IV-1”无效"));
        QCOMPARE(grid.RowCount(), 1);
        QCOMPARE(grid.ColCount(), 5);
        QCOMPARE(grid.Cells(0, 0), QStringLiteral("kept"));
        QVERIFY(!script.log.contains("close"));
        QCOMPARE(script.log.last(), QStringLiteral("quit"));

        script.sheets = {sheetWith("$B$x", {})};
        QCOMPARE(importError([&] { import.LoadFromWorkbook("row.xls"); }),
                 QStringLiteral("Incorrect XLS file"));
        QCOMPARE(grid.ColCount(), 1); // the column letters were read, the row was 0
        QCOMPARE(grid.RowCount(), 1);
    }

    void singleCellPath()
    {
        FakeServerScript script;
        StringGridModel grid;
        applyStartUpLayout(grid);
        const RegionalSettings settings = zhCN();
        WorkbookImport import(grid, settings, FakeSpreadsheetServer::factory(script));
        script.sheets = {sheetWith("$C$4", {{{4, 3}, CellValue::makeDate(45382.5)}})};
        import.LoadFromWorkbook("date.xls");
        QCOMPARE(script.log.at(script.log.size() - 3), QStringLiteral("cell 4 3"));
        QCOMPARE(grid.Cells(0, 0), QStringLiteral("2024/3/31 12:00:00"));
        script.sheets = {sheetWith("$A$1", {})};
        import.LoadFromWorkbook("empty.xls");
        QCOMPARE(grid.Cells(0, 0), QString());
        script.sheets = {sheetWith("$A$1", {{{1, 1}, CellValue::makeError("#DIV/0!")}})};
        QCOMPARE(importError([&] { import.LoadFromWorkbook("error.xls"); }),
                 QStringLiteral("Incorrect XLS file"));
        QCOMPARE(script.log.last(), QStringLiteral("quit"));
    }

    void realWorkbooks_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QStringList>("firstRows"); // tab-joined
        QTest::newRow("xls") << "receivables.xls" << 4 << 11
                             << QStringList{
                                    "客户名称\t截止日期\t应收金额\t函编号",
                                    "北京华信科技有限公司\t2024/12/31\t128000.5\tWL-2024-001"};
        QTest::newRow("xlsx") << "receivables.xlsx" << 4 << 11
                              << QStringList{
                                     "客户名称\t截止日期\t应收金额\t函编号",
                                     "北京华信科技有限公司\t2024/12/31\t128000.5\tWL-2024-001"};
        QTest::newRow("biff5") << "biff5_gbk.xls" << 4 << 3
                               << QStringList{
                                      "客户名称\t截止日期\t应收金额\t函编号",
                                      "北京华信科技有限公司\t2024/12/31\t128000.5\tWL-2024-001"};
        QTest::newRow("offset") << "offset_b3.xlsx" << 4 << 10 << QStringList{"B3\tC3\tD3\tE3"};
        QTest::newRow("active second sheet")
            << "second_active.xls" << 2 << 2 << QStringList{"第二页的数据\t", "\t2"};
        QTest::newRow("types") << "types.xls" << 20 << 1
                               << QStringList{
                                      "文本\t1234.5\t0.0001\t1E15\t1.5E-5\t-12.3\t1."
                                      "23456789012346E17\tTrue\tFalse\t\t\t"
                                      "2024/3/31\t2024/3/31 14:30:00\t8:15:00\t2024/1/5\t𠮷野家 😀 "
                                      "한국\t42\t0.3\t45000\t2023/3/15"};
        QTest::newRow("formulas") << "formulas.xlsx" << 8 << 1
                                  << QStringList{"1234.5\t2469\t客户甲\tTrue\t\t\t2024/3/31\t" +
                                                 QString(300, QChar(0x957F))};
    }
    void realWorkbooks()
    {
        QFETCH(QString, file);
        QFETCH(int, columns);
        QFETCH(int, rows);
        QFETCH(QStringList, firstRows);
        StringGridModel grid;
        applyStartUpLayout(grid);
        const RegionalSettings settings = zhCN();
        WorkbookImport(grid, settings, WorkbookFileServer::factory())
            .LoadFromWorkbook(workbookPath(file));
        QCOMPARE(grid.ColCount(), columns);
        QCOMPARE(grid.RowCount(), rows);
        for (int row = 0; row < firstRows.size(); ++row) {
            QStringList cells;
            for (int col = 0; col < columns; ++col)
                cells.append(grid.Cells(col, row));
            QCOMPARE(cells.join(QLatin1Char('\t')), firstRows[row]);
        }
    }

    void farApartValuesCostNothing()
    {
        StringGridModel grid;
        applyStartUpLayout(grid);
        const RegionalSettings settings = zhCN();
        WorkbookImport(grid, settings, WorkbookFileServer::factory())
            .LoadFromWorkbook(workbookPath("sparse_far.xlsx"));
        QCOMPARE(grid.ColCount(), 630);
        QCOMPARE(grid.RowCount(), 1048576);
        QCOMPARE(grid.Cells(0, 0), QStringLiteral("左上"));
        QCOMPARE(grid.Cells(629, 1048575), QStringLiteral("右下"));
        QCOMPARE(grid.storedTextCount(), 2);
    }
};

QTEST_MAIN(TestImport)
#include "test_import.moc"

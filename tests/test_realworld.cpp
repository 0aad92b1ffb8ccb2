// Workbooks from other projects' public test suites, read from the shared folder beside the
// project: each reads as the spreadsheet program shows it.

#include "spreadsheet/SpreadsheetError.h"
#include "spreadsheet/WorkbookFile.h"

#include <QDir>
#include <QTest>

namespace {

QString realWorld(const QString &name)
{
    return qEnvironmentVariable("REALWORLD_DIR") + QLatin1Char('/') + name;
}

double serial(const QDate &date, const QTime &time = QTime(0, 0))
{
    return QDate(1899, 12, 30).daysTo(date) + time.msecsSinceStartOfDay() / 86400000.0;
}

} // namespace

class TestRealWorld : public QObject
{
    Q_OBJECT

    std::unique_ptr<Workbook> m_workbook;
    Worksheet *open(const QString &name)
    {
        m_workbook = WorkbookFile::open(realWorld(name));
        return m_workbook->activeSheet();
    }

private slots:
    void initTestCase()
    {
        if (!QDir(qEnvironmentVariable("REALWORLD_DIR")).exists())
            QSKIP("the shared real-world workbooks are not beside the project");
    }

    void generalWithAColourOrLocaleIsANumber()
    {
        // [Red][<=-25]General;... and [DBNum1][$-804]General: the "e" is no date code.
        QCOMPARE(open("sheetjs__NumberFormatCondition.xls")->cell(1, 1), CellValue::makeNumber(50));
        QCOMPARE(open("poi__test-data__spreadsheet__49273.xlsx")->cell(1, 11),
                 CellValue::makeNumber(12323));
        // A real date format beside them stays a date.
        QCOMPARE(open("poi__test-data__spreadsheet__49273.xlsx")->cell(1, 5).kind, CellValue::Date);
    }

    void the1904DateSystemSurvivesTheExtensionList()
    {
        Worksheet *sheet = open("sheetjs__1904__1904.xlsx");
        QCOMPARE(sheet->cell(1, 2), CellValue::makeDate(serial(QDate(1904, 1, 2))));
        QCOMPARE(
            open("edr__src__TestData__Test_git_Issue_649_Date1904_Parsings.xlsx")->cell(12, 13),
            CellValue::makeDate(serial(QDate(2023, 9, 1))));
    }

    void lineEndsAsXmlReadsThem()
    {
        Worksheet *sheet = open("sheetjs__crlf__crlf.xlsx");
        QCOMPARE(sheet->cell(1, 2).text, QStringLiteral("abc\ndef"));
        // =CHAR(13)&CHAR(10): the escaped CR is kept, the file's own line end is one LF.
        QCOMPARE(sheet->cell(2, 2).text, QStringLiteral("abc\r\ndef"));
    }

    void biff5MacCentralEuropean()
    {
        QCOMPARE(
            open("phpss__tests__data__Reader__XLS__maccentraleurope.biff5.xls")->cell(1, 9).text,
            QStringLiteral("Ładowność"));
    }

    void appleNumbersFormulaRecords()
    {
        Worksheet *sheet = open("poi__test-data__spreadsheet__WrongFormulaRecordType.xls");
        QCOMPARE(sheet->usedRangeAddress(), QStringLiteral("$A$1:$C$4"));
        QCOMPARE(sheet->cell(4, 1), CellValue::makeNumber(3));
    }

    void aCellRecordCutShortIsLeftOut()
    {
        Worksheet *sheet = open("edr__src__TestData__Test_git_issue_392_oob.xls");
        QCOMPARE(sheet->cell(2, 1).text, QStringLiteral("10x10"));
        QCOMPARE(sheet->cell(3, 10).text, QStringLiteral("10x20"));
    }

    void activeMacroSheetAndChartSheet()
    {
        QCOMPARE(open("poi__test-data__spreadsheet__64420.xlsm")->cell(1, 1).text,
                 QStringLiteral("Whatever a macro sheet might be..."));
        Worksheet *chart = open("poi__test-data__spreadsheet__chart_sheet.xlsx");
        try {
            chart->usedRangeAddress();
            QFAIL("a chart sheet has no used range");
        } catch (const SpreadsheetError &e) {
            QVERIFY2(e.message().contains(QStringLiteral("图表")), qPrintable(e.message()));
        }
    }

    // Excel's binary workbook is named for what it is, not called damaged.
    void aBinaryWorkbookIsNamed()
    {
        try {
            open("calamine__tests__issue_666_panic.xlsb");
            QFAIL("an .xlsb cannot be read");
        } catch (const SpreadsheetError &e) {
            QCOMPARE(e.message(),
                     QStringLiteral("工作簿“calamine__tests__issue_666_panic.xlsb”是 Excel 二进制"
                                    "工作簿（.xlsb），本程序不能读取，请在电子表格程序中打开它，"
                                    "另存为 .xlsx 后再导入"));
        }
    }

    void isoValuesOfStrictAndOpenpyxlWorkbooks()
    {
        Worksheet *spans = open("edr__src__TestData__strict__Test_git_issue_283_TimeSpan.xlsx");
        QCOMPARE(spans->cell(2, 1), CellValue::makeDate(1)); // PT24H0M0.000S
        QCOMPARE(spans->cell(2, 3), CellValue::makeDate(serial(QDate(1900, 1, 1))));
        Worksheet *strict = open("edr__src__TestData__strict__TestOpen.xlsx");
        const CellValue moment = strict->cell(1, 5); // 11:00 after a long fraction of seconds
        QCOMPARE(moment.kind, CellValue::Date);
        QVERIFY(std::abs(moment.number - serial(QDate(2009, 1, 1), QTime(11, 0))) < 1e-6);
        Worksheet *iso = open("calamine__tests__date_iso.xlsx");
        QCOMPARE(iso->cell(3, 1),
                 CellValue::makeDate(serial(QDate(1899, 12, 30), QTime(10, 10, 10))));
    }

    void packagesOthersWriteDifferently()
    {
        // UTF-16 parts with a byte-order mark (Excel Mobile).
        QCOMPARE(open("roo__test__files__Pfand_from_windows_phone.xlsm")->cell(2, 2),
                 CellValue::makeNumber(3.81));
        // A legacy module sheet listed with no relationship.
        Worksheet *sheet = open("poi__test-data__spreadsheet__60825.xlsx");
        QCOMPARE(sheet->name(), QStringLiteral("Sheet1"));
        QCOMPARE(m_workbook->sheetCount(), 2);
        // Part names in another letter case than the relationships give.
        QCOMPARE(open("edr__src__TestData__Test_git_issue_301_IgnoreCase.xlsx")->cell(1, 1).text,
                 QStringLiteral("col1"));
        QCOMPARE(open("calamine__tests__issue_419.xlsx")->cell(1, 1).text, QStringLiteral("Hello"));
        // A string cell without its index holds nothing; the rest reads.
        Worksheet *names = open("calamine__tests__empty_shared_string_value.xlsx");
        QCOMPARE(names->cell(3, 1).kind, CellValue::Empty);
        QCOMPARE(names->cell(3, 2).text, QStringLiteral("Berlin"));
        QCOMPARE(open("sheetjs__wtf_path.xlsx")->cell(1, 1), CellValue::makeNumber(1));
    }
};

QTEST_GUILESS_MAIN(TestRealWorld)
#include "test_realworld.moc"

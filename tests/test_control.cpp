// Confirmation control: the register, read back by our own reader and by openpyxl.

#include "control/RegisterWriter.h"
#include "platform/Exception.h"
#include "spreadsheet/WorkbookFile.h"
#include "support/Python.h"
#include "support/Recalculated.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

ReportDocument letters()
{
    ReportDocument document;
    document.report.fields = {{"客户单位", FieldType::Text},   {"截止日期", FieldType::Date},
                              {"应收金额", FieldType::Number}, {"函编号", FieldType::Text},
                              {"地址", FieldType::Text},       {"授信额度", FieldType::Number}};
    document.records = {{QStringLiteral("甲公司"), QDate(2024, 12, 31), 1280.5,
                         QStringLiteral("WL-1"), QStringLiteral("北京路 1 号"), 5000.0},
                        {QStringLiteral("乙公司"), QDate(2024, 12, 31), 300.0,
                         QStringLiteral("WL-2"), QString(), QVariant()},
                        {QStringLiteral("丙公司"), QDate(2024, 12, 31), 45.25,
                         QStringLiteral("WL-3"), QStringLiteral("上海路 3 号"), 10.0}};
    document.printDate = QDate(2026, 12, 9);
    return document;
}

double serial(const QDate &date)
{
    return double(QDate(1899, 12, 30).daysTo(date));
}

// 'count' letters of the run's four fields and the template's own 'further' fields (each
// holding its name and the letter's number).
ReportDocument lettersWith(int count, const QStringList &further)
{
    ReportDocument document;
    document.report.fields = {{"客户单位", FieldType::Text},
                              {"截止日期", FieldType::Date},
                              {"应收金额", FieldType::Number},
                              {"函编号", FieldType::Text}};
    for (const QString &name : further)
        document.report.fields.append({name, FieldType::Text});
    for (int i = 1; i <= count; ++i) {
        RecordValues record{QStringLiteral("公司%1").arg(i), QDate(2024, 12, 31), 100.0 * i,
                            QStringLiteral("WL-%1").arg(i)};
        for (const QString &name : further)
            record.append(QStringLiteral("%1 %2").arg(name).arg(i));
        document.records.append(record);
    }
    document.printDate = QDate(2026, 12, 9);
    return document;
}

// Fills in the auditor's columns with openpyxl, as a spreadsheet program would save them:
// 'cells' maps an address to a number or a text.
bool fillIn(const QString &path, const QVariantMap &cells)
{
    QString assignments;
    for (auto it = cells.begin(); it != cells.end(); ++it)
        assignments +=
            it.value().typeId() == QMetaType::QString
                ? QStringLiteral("ws['%1'] = '%2'\n").arg(it.key(), it.value().toString())
                : QStringLiteral("ws['%1'] = %2\n").arg(it.key()).arg(it.value().toDouble());
    return runPython(QStringLiteral("import sys, openpyxl\n"
                                    "wb = openpyxl.load_workbook(sys.argv[1])\n"
                                    "ws = wb['函证控制表']\n") +
                         assignments + QStringLiteral("wb.save(sys.argv[1])\n"),
                     {path})
        .ok;
}

} // namespace

class TestControl : public QObject
{
    Q_OBJECT
private slots:
    // One row a letter in print order, with real dates and numbers; the template's further
    // fields between the run's columns and the auditor's, which are empty.
    void theRegisterReadsBackWithItsTypes()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("函证控制表.xlsx"));
        RegisterWriter::write(letters(), QStringLiteral("应收帐款确认函"), path);
        const auto book = WorkbookFile::open(path);
        QCOMPARE(book->sheetCount(), 2);
        Worksheet *sheet = book->sheet(1);
        QCOMPARE(sheet->name(), QStringLiteral("函证控制表"));
        QCOMPARE(book->sheet(2)->name(), QStringLiteral("汇总"));
        const QStringList titles = RegisterWriter::fixedTitles() +
                                   QStringList{QStringLiteral("地址"), QStringLiteral("授信额度")} +
                                   RegisterWriter::auditorTitles();
        for (int c = 0; c < titles.size(); ++c)
            QCOMPARE(sheet->cell(1, c + 1).text, titles[c]);
        QCOMPARE(sheet->usedRangeAddress(), QStringLiteral("$A$1:$AA$4"));
        QCOMPARE(sheet->cell(2, 1), CellValue::makeNumber(1));
        QCOMPARE(sheet->cell(2, 2).text, QStringLiteral("WL-1"));
        QCOMPARE(sheet->cell(2, 3).text, QStringLiteral("甲公司"));
        QCOMPARE(sheet->cell(2, 4), CellValue::makeDate(serial(QDate(2024, 12, 31))));
        QCOMPARE(sheet->cell(2, 5), CellValue::makeNumber(1280.5));
        QCOMPARE(sheet->cell(2, 6), CellValue::makeDate(serial(QDate(2026, 12, 9))));
        QCOMPARE(sheet->cell(2, 7).text, QStringLiteral("应收帐款确认函"));
        QCOMPARE(sheet->cell(2, 8).text, QStringLiteral("北京路 1 号"));
        QCOMPARE(sheet->cell(2, 9), CellValue::makeNumber(5000));
        QCOMPARE(sheet->cell(3, 9).kind, CellValue::Empty);
        QCOMPARE(sheet->cell(4, 2).text, QStringLiteral("WL-3"));
        // 差异金额 shows nothing while no reply amount is entered.
        QCOMPARE(sheet->cell(2, 15).text, QString());
        // The summary's letters sent, as a reader that computes nothing sees them.
        QCOMPARE(book->sheet(2)->cell(2, 2), CellValue::makeNumber(3));
        QCOMPARE(book->sheet(2)->cell(2, 3), CellValue::makeNumber(1625.75));
    }

    // What only a full reader sees: the formulas, the drop-down list, the frozen and filtered
    // header, the formats and the document's properties.
    void openpyxlSeesTheAuditorsTools()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("register.xlsx"));
        RegisterWriter::write(letters(), QStringLiteral("应收帐款确认函"), path);
        const PythonRun python = runPython(QStringLiteral(R"(
import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
ws = wb["函证控制表"]
dv = ws.data_validations.dataValidation[0]
print(ws.freeze_panes, ws.auto_filter.ref, dv.type, dv.formula1, dv.sqref)
print(ws["D2"].number_format, ws["E2"].number_format, ws["O2"].value)
print(wb["汇总"]["B3"].value)
print(wb.properties.title, wb.properties.creator)
)"),
                                           {path});
        QVERIFY(python.ok);
        const QStringList lines = python.out.split('\n');
        QCOMPARE(
            lines.value(0),
            QStringLiteral("A2 A1:AA4 list \"相符,不符,未回函,退函,已调节,调节后相符\" P2:P4"));
        QCOMPARE(lines.value(1), QStringLiteral("yyyy-mm-dd #,##0.00 =IF(N2=\"\",\"\",E2-N2)"));
        QCOMPARE(
            lines.value(2),
            QStringLiteral(
                "=COUNTIF('函证控制表'!$P$2:$P$4,\"相符\")+COUNTIF('函证控制表'!$P$2:$P$4,"
                "\"不符\")+COUNTIF('函证控制表'!$P$2:$P$4,\"已调节\")+COUNTIF('函证控制表'!$P$2:$"
                "P$4,\"调节后相符\")"));
        QCOMPARE(lines.value(3), QStringLiteral("函证控制表 roviradavev"));
    }

    // A folder that cannot be written to: a clear message, and no file anywhere.
    void aFolderThatCannotBeWrittenLeavesNoFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("没有的文件夹/函证控制表.xlsx"));
        QString message;
        try {
            RegisterWriter::write(letters(), QStringLiteral("应收帐款确认函"), path);
        } catch (const Exception &error) {
            message = error.message();
        }
        QVERIFY2(message.startsWith(QStringLiteral("无法写入函证控制表“函证控制表.xlsx”")),
                 qPrintable(message));
        QVERIFY(QDir(dir.path())
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .isEmpty());
    }

    // The auditor fills in replies (with openpyxl, as a spreadsheet program would save
    // them); LibreOffice computes the workbook, and every figure of 汇总 matches a count
    // made here.
    void theSummaryFollowsWhatTheAuditorFillsIn()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("register.xlsx"));
        RegisterWriter::write(letters(), QStringLiteral("应收帐款确认函"), path);
        // Row 2 agrees, row 3 disagrees by 50, row 4 is unanswered.
        QVERIFY(fillIn(path, {{"N2", 1280.5},
                              {"P2", QStringLiteral("相符")},
                              {"N3", 250},
                              {"P3", QStringLiteral("不符")},
                              {"P4", QStringLiteral("未回函")}}));
        const QMap<QString, QStringList> sheets = recalculated(path);
        if (sheets.isEmpty())
            QSKIP("LibreOffice is not installed (scripts/install-deps.sh installs it)");
        const auto figures = summaryFigures(sheets.value(QStringLiteral("汇总")));
        const double sent = 1280.5 + 300 + 45.25, answered = 1280.5 + 300;
        QVERIFY(near(figures.value(QStringLiteral("发函")), 3, sent));
        QVERIFY(near(figures.value(QStringLiteral("已回函")), 2, answered));
        QVERIFY(near(figures.value(QStringLiteral("回函比例")), 2.0 / 3, answered / sent));
        QVERIFY(near(figures.value(QStringLiteral("回函相符")), 1, 1280.5));
        QVERIFY(near(figures.value(QStringLiteral("回函不符")), 1, 300));
        QVERIFY(near(figures.value(QStringLiteral("未回函")), 1, 45.25));
        QVERIFY(near(figures.value(QStringLiteral("回函确认金额")), -1, 1280.5 + 250));
        const QStringList register_ = sheets.value(QStringLiteral("函证控制表"));
        // 差异金额 computed where a reply amount is entered, empty elsewhere.
        QCOMPARE(register_.value(2).section(QLatin1Char(','), 13, 14), QStringLiteral("250,50"));
        QCOMPARE(register_.value(3).section(QLatin1Char(','), 13, 14), QStringLiteral(","));
    }

    // Every letter is answered, unanswered or returned: a letter without a result yet is
    // unanswered, and 退函 has a line of its own, so 发函 = 已回函 + 未回函 + 退函.
    void theSummaryAddsUp()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("register.xlsx"));
        RegisterWriter::write(lettersWith(12, {}), QStringLiteral("应收帐款确认函"), path);
        // 函证结果 is column N without further fields: letters 1-3 agree, 4-5 disagree, 6 is
        // returned, 7 is marked unanswered and 8-12 have no result yet.
        QVariantMap results;
        for (int letter = 1; letter <= 7; ++letter)
            results.insert(QStringLiteral("N%1").arg(letter + 1),
                           letter <= 3   ? QStringLiteral("相符")
                           : letter <= 5 ? QStringLiteral("不符")
                           : letter == 6 ? QStringLiteral("退函")
                                         : QStringLiteral("未回函"));
        QVERIFY(fillIn(path, results));
        const QMap<QString, QStringList> sheets = recalculated(path);
        if (sheets.isEmpty())
            QSKIP("LibreOffice is not installed (scripts/install-deps.sh installs it)");
        const auto figures = summaryFigures(sheets.value(QStringLiteral("汇总")));
        QVERIFY(near(figures.value(QStringLiteral("发函")), 12, 7800));
        QVERIFY(near(figures.value(QStringLiteral("已回函")), 5, 100 + 200 + 300 + 400 + 500));
        QVERIFY(
            near(figures.value(QStringLiteral("未回函")), 6, 700 + 800 + 900 + 1000 + 1100 + 1200));
        QVERIFY(near(figures.value(QStringLiteral("退函")), 1, 600));
        QVERIFY(near(figures.value(QStringLiteral("回函相符")), 3, 600));
        QVERIFY(near(figures.value(QStringLiteral("回函不符")), 2, 900));
    }

    // A template field named like one of the register's columns gets a title of its own,
    // and 差异金额 and 汇总 still use the auditor's 回函金额, not the template's.
    void aFieldNamedLikeARegisterColumnKeepsItsOwnTitle()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("register.xlsx"));
        RegisterWriter::write(lettersWith(3, {QStringLiteral("回函金额"), QStringLiteral("备注"),
                                              QStringLiteral("地址")}),
                              QStringLiteral("应收帐款确认函"), path);
        const auto book = WorkbookFile::open(path);
        Worksheet *sheet = book->sheet(1);
        QStringList titles;
        for (int c = 1; !sheet->cell(1, c).text.isEmpty(); ++c)
            titles.append(sheet->cell(1, c).text);
        const QStringList further{QStringLiteral("字段：回函金额"), QStringLiteral("字段：备注"),
                                  QStringLiteral("地址")};
        QCOMPARE(titles, RegisterWriter::fixedTitles() + further + RegisterWriter::auditorTitles());
        QCOMPARE(sheet->cell(2, 8).text, QStringLiteral("回函金额 1"));
        QCOMPARE(sheet->cell(3, 9).text, QStringLiteral("备注 2"));
        // The auditor's 回函金额 is column O: letter 1 (100) confirmed at 90.
        QVERIFY(fillIn(path, {{"O2", 90}, {"Q2", QStringLiteral("不符")}}));
        const QMap<QString, QStringList> sheets = recalculated(path);
        if (sheets.isEmpty())
            QSKIP("LibreOffice is not installed (scripts/install-deps.sh installs it)");
        QCOMPARE(
            sheets.value(QStringLiteral("函证控制表")).value(1).section(QLatin1Char(','), 14, 16),
            QStringLiteral("90,10,不符"));
        const auto figures = summaryFigures(sheets.value(QStringLiteral("汇总")));
        QVERIFY(near(figures.value(QStringLiteral("回函确认金额")), -1, 90));
        QVERIFY(near(figures.value(QStringLiteral("回函不符")), 1, 100));
    }
};

QTEST_GUILESS_MAIN(TestControl)
#include "test_control.moc"

// Confirmation control: the register, read back by our own reader and by openpyxl.

#include "control/RegisterWriter.h"
#include "platform/Exception.h"
#include "spreadsheet/WorkbookFile.h"
#include "support/Python.h"

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
        QCOMPARE(sheet->usedRangeAddress(), QStringLiteral("$A$1:$S$4"));
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
        QCOMPARE(lines.value(0),
                 QStringLiteral("A2 A1:S4 list \"相符,不符,未回函,退函,已调节\" P2:P4"));
        QCOMPARE(lines.value(1), QStringLiteral("yyyy-mm-dd #,##0.00 =IF(N2=\"\",\"\",E2-N2)"));
        QCOMPARE(lines.value(2),
                 QStringLiteral(
                     "=COUNTIF('函证控制表'!$P$2:$P$4,\"相符\")+COUNTIF('函证控制表'!$P$2:$P$4,"
                     "\"不符\")+COUNTIF('函证控制表'!$P$2:$P$4,\"已调节\")"));
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
        const QString office = QStandardPaths::findExecutable(QStringLiteral("soffice"));
        if (office.isEmpty())
            QSKIP("LibreOffice is not installed (scripts/install-deps.sh installs it)");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("register.xlsx"));
        RegisterWriter::write(letters(), QStringLiteral("应收帐款确认函"), path);
        // Row 2 agrees, row 3 disagrees by 50, row 4 is unanswered.
        QVERIFY(runPython(QStringLiteral(R"(
import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
ws = wb["函证控制表"]
ws["N2"] = 1280.5; ws["P2"] = "相符"
ws["N3"] = 250; ws["P3"] = "不符"
ws["P4"] = "未回函"
wb.save(sys.argv[1])
)"),
                          {path})
                    .ok);
        QProcess convert;
        convert.setWorkingDirectory(dir.path());
        // A profile of its own: another LibreOffice running is left alone.
        convert.start(office, {QStringLiteral("-env:UserInstallation=file://") + dir.path() +
                                   QStringLiteral("/profile"),
                               QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                               QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,"
                                              "true,false,false,false,-1"),
                               QStringLiteral("--outdir"), dir.path(), path});
        QVERIFY(convert.waitForFinished(180000));
        QFile summary(dir.filePath(QStringLiteral("register-汇总.csv")));
        QVERIFY2(summary.open(QIODevice::ReadOnly),
                 qPrintable(QDir(dir.path()).entryList().join(QLatin1Char(' '))));
        // Each line: the item, then the count and the amount as LibreOffice computed them.
        QMap<QString, QPair<double, double>> figures;
        for (const QString &line :
             QString::fromUtf8(summary.readAll()).split('\n', Qt::SkipEmptyParts).mid(1)) {
            const QStringList cells = line.split(QLatin1Char(','));
            auto value = [](QString cell) {
                const bool share = cell.endsWith(QLatin1Char('%'));
                if (share)
                    cell.chop(1);
                return cell.isEmpty() ? -1.0 : cell.toDouble() / (share ? 100 : 1);
            };
            figures.insert(cells.value(0), {value(cells.value(1)), value(cells.value(2))});
        }
        const double sent = 1280.5 + 300 + 45.25, answered = 1280.5 + 300;
        auto near = [](QPair<double, double> got, double count, double amount) {
            return std::abs(got.first - count) < 1e-9 && std::abs(got.second - amount) < 1e-6;
        };
        QVERIFY(near(figures.value(QStringLiteral("发函")), 3, sent));
        QVERIFY(near(figures.value(QStringLiteral("已回函")), 2, answered));
        QVERIFY(near(figures.value(QStringLiteral("回函比例")), 2.0 / 3, answered / sent));
        QVERIFY(near(figures.value(QStringLiteral("回函相符")), 1, 1280.5));
        QVERIFY(near(figures.value(QStringLiteral("回函不符")), 1, 300));
        QVERIFY(near(figures.value(QStringLiteral("未回函")), 1, 45.25));
        QVERIFY(near(figures.value(QStringLiteral("回函确认金额")), -1, 1280.5 + 250));
        QFile rows(dir.filePath(QStringLiteral("register-函证控制表.csv")));
        QVERIFY(rows.open(QIODevice::ReadOnly));
        const QStringList register_ =
            QString::fromUtf8(rows.readAll()).split('\n', Qt::SkipEmptyParts);
        // 差异金额 computed where a reply amount is entered, empty elsewhere.
        QCOMPARE(register_.value(2).section(QLatin1Char(','), 13, 14), QStringLiteral("250,50"));
        QCOMPARE(register_.value(3).section(QLatin1Char(','), 13, 14), QStringLiteral(","));
    }
};

QTEST_GUILESS_MAIN(TestControl)
#include "test_control.moc"

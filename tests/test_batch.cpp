// roviradavev-batch as a user runs it: output, escapes, exit codes, no display needed.

#include "support/TestData.h"

#include <QProcess>
#include <QTest>

namespace {

struct Run
{
    int status;
    QString out;
    QString err;
};

Run batch(const QStringList &arguments, const QString &lang = QStringLiteral("zh_CN.UTF-8"))
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("LC_ALL"));
    env.insert(QStringLiteral("LANG"), lang);
    process.setProcessEnvironment(env);
    process.start(qEnvironmentVariable("PROGRAM_DIR") + QStringLiteral("/roviradavev-batch"), arguments);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
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
        QCOMPARE(lines[1], QStringLiteral("北京华信科技有限公司\t2024/12/31\t128000.5\tWL-2024-001"));
        QCOMPARE(lines[11], QString());
    }

    void tableFollowsTheLocale()
    {
        const Run run = batch({QStringLiteral("table"), workbookPath("receivables.xls")}, QStringLiteral("de_DE.UTF-8"));
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
        Run run = batch({QStringLiteral("table"), workbookPath("second_active.xlsx"), QStringLiteral("--sheet"),
                         QStringLiteral("第一页")});
        QCOMPARE(run.out, QStringLiteral("第一页的数据\n"));
        run = batch({QStringLiteral("table"), workbookPath("second_active.xlsx"), QStringLiteral("--sheet"),
                     QStringLiteral("第三页")});
        QCOMPARE(run.status, 1);
        QCOMPARE(run.out, QString());
        QCOMPARE(run.err, QStringLiteral("Excel worksheet 第三页 not found.\n"));
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
        QCOMPARE(batch({QStringLiteral("table"), QStringLiteral("a.xls"), QStringLiteral("--sheet")}).status, 2);
    }
};

QTEST_GUILESS_MAIN(TestBatch)
#include "test_batch.moc"

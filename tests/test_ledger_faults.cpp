// The ledger under faults, with real files and real processes: a writer killed at any moment
// leaves a ledger that opens, verifies and holds each run whole or not at all; two writers at
// once both get through, nothing of either lost.

#include "ledger/LedgerStore.h"
#include "platform/Exception.h"
#include "support/LedgerFixtures.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

QString writer()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/ledger_writer");
}

// Each run recorded holds as many sendings as it says it sent, and the numbers of a run are
// the whole range the writer gave it.
QString brokenRun(const QString &path, int lettersPerRun)
{
    const auto ledger = LedgerStore::open(path);
    for (const LedgerRun &run : ledger->runs()) {
        const int sent =
            scalar(path, QStringLiteral("SELECT COUNT(*) FROM sendings WHERE run = %1").arg(run.id))
                .toInt();
        if (sent != lettersPerRun || run.letters + run.reprints != lettersPerRun)
            return QStringLiteral("运行 %1 有 %2 封").arg(run.id).arg(sent);
    }
    const int letters = ledger->letterCount();
    if (letters != ledger->runs().size() * lettersPerRun)
        return QStringLiteral("%1 封询证函，%2 次运行").arg(letters).arg(ledger->runs().size());
    return QString();
}

// Lets the writer record a run, times its next run, and kills it at 'fraction' of the one
// after: a point within a run however fast the build is (a sanitized one is many times
// slower). False when the writer said nothing in time.
bool killWithinARun(QProcess &child, double fraction)
{
    if (!child.waitForReadyRead(60000))
        return false;
    child.readAll();
    QElapsedTimer timer;
    timer.start();
    if (!child.waitForReadyRead(60000))
        return false;
    child.readAll();
    const qint64 run = timer.elapsed();
    QTest::qWait(int(double(run) * fraction));
    ::kill(pid_t(child.processId()), SIGKILL);
    return true;
}

} // namespace

class TestLedgerFaults : public QObject
{
    Q_OBJECT
private slots:
    // Killed at random moments, again and again on the same file, the writer never leaves a
    // half-recorded run, a broken chain or a damaged database.
    void killedWritersLeaveWholeRuns()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("台账.rvledger"));
        LedgerStore::create(path, QStringLiteral("项目"));
        constexpr int perRun = 40;
        QRandomGenerator random(20261210);
        int next = 0, killedWhileWriting = 0;
        for (int round = 0; round < 30; ++round) {
            QProcess child;
            child.start(writer(),
                        {QStringLiteral("runs"), path, QStringLiteral("K"), QString::number(next),
                         QStringLiteral("100000"), QString::number(perRun)});
            QVERIFY(child.waitForStarted());
            // Some rounds are killed before the first run, the others within one.
            const bool early = round % 6 == 0;
            if (early) {
                QTest::qWait(int(random.bounded(0, 20)));
                ::kill(pid_t(child.processId()), SIGKILL);
            } else {
                QVERIFY(killWithinARun(child, random.bounded(1.0)));
            }
            QVERIFY(child.waitForFinished(10000));
            QCOMPARE(child.exitStatus(), QProcess::CrashExit);
            // A journal left behind: the kill fell within a transaction.
            killedWhileWriting += QFileInfo(path + QStringLiteral("-journal")).size() > 0 ? 1 : 0;
            next += 100000; // a new number range for the next round

            // Opened as the user would open it next: a run cut short is rolled back first.
            std::unique_ptr<LedgerStore> ledger;
            try {
                ledger = LedgerStore::open(path);
            } catch (const Exception &error) {
                QFAIL(qPrintable(QStringLiteral("第 %1 次：%2").arg(round).arg(error.message())));
            }
            QCOMPARE(scalar(path, QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
            const LedgerStore::Verification verified = ledger->verify();
            QVERIFY2(verified.ok, qPrintable(verified.problem));
            const QString broken = brokenRun(path, perRun);
            QVERIFY2(broken.isEmpty(), qPrintable(broken));
        }
        qInfo("kills within a transaction: %d of 30", killedWhileWriting);
        QVERIFY2(killedWhileWriting > 0, "no kill fell within a transaction");
        QVERIFY(LedgerStore::open(path)->runs().size() > 30);
    }

    // A ledger cut short by a write that cannot be put back, as it cannot be written, is not
    // taken for damaged: the message says what to do.
    void aWriteCutShortOnAReadOnlyLedger()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("台账.rvledger"));
        LedgerStore::create(path, QStringLiteral("项目"));
        const QString journal = path + QStringLiteral("-journal");
        for (int attempt = 0; attempt < 40 && QFileInfo(journal).size() == 0; ++attempt) {
            QProcess child;
            child.start(writer(), {QStringLiteral("runs"), path, QStringLiteral("R"),
                                   QString::number(attempt * 1000), QStringLiteral("1000"),
                                   QStringLiteral("500")});
            // The later part of a run is its writing.
            QVERIFY(killWithinARun(child, 0.5 + attempt % 5 * 0.1));
            QVERIFY(child.waitForFinished(10000));
        }
        QVERIFY(QFileInfo(journal).size() > 0);
        QFile::setPermissions(path, QFileDevice::ReadOwner);
        try {
            LedgerStore::open(path);
            QFAIL("opened");
        } catch (const Exception &error) {
            QCOMPARE(error.message(),
                     QStringLiteral(
                         "函证台账“%1”上次写入时被中断，需要先恢复，但它不能写入（文件是只读的）；"
                         "请把它连同旁边的“台账.rvledger-journal”一起复制到可写的位置再打开")
                         .arg(path));
        }
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        const auto ledger = LedgerStore::open(path);
        QVERIFY(ledger->verify().ok);
        QCOMPARE(brokenRun(path, 500), QString());
    }

    // Runs of distinct numbers from one process, values on one letter from another, both at
    // once on one file: every write each reported done is in the ledger, none failed.
    void twoWritersAtOnce()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("台账.rvledger"));
        {
            const auto ledger = LedgerStore::create(path, QStringLiteral("项目"));
            ledger->recordRun(ledgerRun(), ledgerPages(1, 1));
        }
        constexpr int runs = 60, perRun = 20, values = 300;
        QProcess printing, editing;
        printing.start(writer(),
                       {QStringLiteral("runs"), path, QStringLiteral("A"), QStringLiteral("0"),
                        QString::number(runs), QString::number(perRun)});
        editing.start(writer(), {QStringLiteral("values"), path, ledgerLetter(1).number,
                                 QString::number(values)});
        QVERIFY(printing.waitForFinished(60000));
        QVERIFY(editing.waitForFinished(60000));
        QCOMPARE(QString::fromUtf8(printing.readAllStandardError()), QString());
        QCOMPARE(QString::fromUtf8(editing.readAllStandardError()), QString());
        QCOMPARE(printing.exitCode(), 0);
        QCOMPARE(editing.exitCode(), 0);

        const auto ledger = LedgerStore::open(path);
        QCOMPARE(ledger->runs().size(), runs + 1);
        QCOMPARE(ledger->letterCount(), runs * perRun + 1);
        QCOMPARE(ledger->letter(ledgerLetter(1).number)->value(LetterField::Note),
                 QString::number(values));
        // Every value set is in the log, in the order set.
        QStringList set;
        for (const LogEntry &entry : ledger->log(ledgerLetter(1).number))
            if (entry.action == QStringLiteral("修改"))
                set.append(entry.newValue);
        QCOMPARE(set.size(), values);
        QCOMPARE(set.last(), QString::number(values));
        const LedgerStore::Verification verified = ledger->verify();
        QVERIFY2(verified.ok, qPrintable(verified.problem));
    }
};

QTEST_GUILESS_MAIN(TestLedgerFaults)
#include "test_ledger_faults.moc"

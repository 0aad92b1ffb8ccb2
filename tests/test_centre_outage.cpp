// The confirmation centre's server going away and coming back: a reply scan cut off by it
// stops with the reason and keeps whole files only, and runs on from there once the server
// is back; a ledger kept open across a restart reads, writes and hears of changes again.
#include "control/LetterRecording.h"
#include "control/ReplyRecording.h"
#include "ledger/LedgerServer.h"
#include "ledger/LedgerStore.h"
#include "platform/Exception.h"
#include "platform/FontSetup.h"
#include "support/BatchProcess.h"
#include "support/LedgerFixtures.h"
#include "support/PgCluster.h"
#include "support/ScanMaker.h"
#include "support/TestCentre.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QByteArray fileHash(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
}

QProcess *startBatch(const QStringList &arguments, QObject *parent)
{
    auto *process = new QProcess(parent);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("LC_ALL"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("zh_CN.UTF-8"));
    process->setProcessEnvironment(env);
    process->start(qEnvironmentVariable("PROGRAM_DIR") + QStringLiteral("/roviradavev-batch"),
                   arguments);
    return process;
}
} // namespace

class TestCentreOutage : public QObject
{
    Q_OBJECT

private:
    PgCluster m_cluster;
    QTemporaryDir m_dir;

    void restart()
    {
        QVERIFY2(m_cluster.stopServer(QStringLiteral("immediate")), qPrintable(m_cluster.error()));
        QVERIFY2(m_cluster.startServer(), qPrintable(m_cluster.error()));
    }

    // An engagement of 'files' * 'pagesPerFile' letters sent, and a scan of their replies:
    // one file of 'pagesPerFile' pages each, in order.
    std::unique_ptr<LedgerStore> sentWithReplies(const QString &engagement, int files,
                                                 int pagesPerFile, QStringList &scans)
    {
        auto ledger = LedgerStore::create(m_cluster.adminAddress(engagement), engagement);
        StringGridModel table;
        fillReceivables(table, files * pagesPerFile, QStringLiteral("HZ"));
        ReportDocument letters = lettersOf(table);
        const QString templateName = QStringLiteral("应收帐款确认函");
        LetterRecording::stampCodes(*ledger, letters, templateName);
        QList<int> pages;
        for (int i = 0; i < files * pagesPerFile; ++i)
            pages.append(i);
        LetterRecording::record(*ledger, letters, templateName, LetterRecording::Pdf,
                                QStringLiteral("/tmp/letters.pdf"), pages);
        for (int f = 0; f < files; ++f) {
            const QString path =
                m_dir.filePath(QStringLiteral("%1-%2.pdf").arg(engagement).arg(f + 1));
            QList<QImage> images;
            for (int p = 0; p < pagesPerFile; ++p)
                images.append(scanned(letters, f * pagesPerFile + p, 200));
            writePicturePdf(path, images, 200);
            scans.append(path);
        }
        return ledger;
    }

private slots:
    void initTestCase()
    {
        if (const QString why = PgCluster::missing(); !why.isEmpty())
            QSKIP(qPrintable(why));
        const QString notReady = startCentre(m_cluster);
        QVERIFY2(notReady.isEmpty(), qPrintable(notReady));
        LedgerStore::setUserName(QStringLiteral("审计员甲"));
        FontSetup::ensureSubstitutions();
    }

    // The server stopped while a scan of several files runs: the scan stops with the reason,
    // each file it recorded whole; run again once the server is back, it reads only the
    // files not recorded, and every page is in the ledger once.
    void aScanCutOffByTheServerRunsOnFromWhereItStopped()
    {
        constexpr int files = 8, pagesPerFile = 2;
        QStringList scans;
        auto ledger = sentWithReplies(QStringLiteral("回函中断"), files, pagesPerFile, scans);
        const QString address = ledger->path();
        const QStringList arguments{QStringLiteral("replies"), QStringLiteral("--ledger"), address,
                                    QStringLiteral("--received"), QStringLiteral("2027-01-20")};

        QProcess *first = startBatch(arguments + scans, this);
        // The server goes as soon as the first file is in, the others still to be read.
        QTRY_VERIFY_WITH_TIMEOUT(
            !ledger->replies().isEmpty() || first->state() == QProcess::NotRunning, 60000);
        QVERIFY2(first->state() != QProcess::NotRunning,
                 qPrintable(QStringLiteral("the scan ended before the server went: %1 %2 ")
                                .arg(first->exitCode())
                                .arg(first->errorString()) +
                            QString::fromUtf8(first->readAllStandardError() +
                                              first->readAllStandardOutput())));
        QVERIFY2(m_cluster.stopServer(QStringLiteral("immediate")), qPrintable(m_cluster.error()));
        QVERIFY(first->waitForFinished(60000));
        const QString said = QString::fromUtf8(first->readAllStandardError());
        QCOMPARE(first->exitStatus(), QProcess::NormalExit);
        QCOMPARE(first->exitCode(), 1);
        QVERIFY2(said.contains(QStringLiteral("与函证中心")) &&
                     said.contains(QStringLiteral("连接中断")),
                 qPrintable(said));
        QVERIFY2(m_cluster.startServer(), qPrintable(m_cluster.error()));

        // Whole files only: each file recorded holds all its pages.
        QHash<QByteArray, int> recorded;
        for (const ReplyPageRecord &page : ledger->replies())
            ++recorded[page.fileSha256];
        QVERIFY(!recorded.isEmpty());
        QVERIFY2(recorded.size() < files, "every file was recorded before the server went");
        for (const int count : std::as_const(recorded))
            QCOMPARE(count, pagesPerFile);

        const BatchProcessRun again = batch(arguments + scans);
        QCOMPARE(again.status, 0);
        QCOMPARE(again.out.count(QStringLiteral("已记入函证台账，未再识别")), recorded.size());
        QHash<QByteArray, int> after;
        for (const ReplyPageRecord &page : ledger->replies())
            ++after[page.fileSha256];
        QCOMPARE(after.size(), files);
        for (const QString &scan : std::as_const(scans))
            QCOMPARE(after.value(fileHash(scan)), pagesPerFile);
        for (const LedgerLetter &letter : ledger->letters())
            QVERIFY2(letter.answered, qPrintable(letter.identity.number));
        const LedgerStore::Verification verified = ledger->verify();
        QVERIFY2(verified.ok, qPrintable(verified.problem));
    }

    // In the program, the server gone as a file's pages are read: the file is not recorded
    // and the list shows only what the ledger holds.
    void theListKeepsOnlyTheFilesRecorded()
    {
        QStringList scans;
        auto ledger = sentWithReplies(QStringLiteral("清单"), 3, 2, scans);
        ReplyList list = ReplyRecording::prepared(*ledger);
        const QString lastPageOfSecond =
            QStringLiteral("%1 第 2/2 页").arg(QFileInfo(scans[1]).fileName());
        QString said;
        try {
            ReplyRecording::record(*ledger, list, scans, QString(), QDate(2027, 1, 20),
                                   [&](double, const QString &reading) {
                                       if (reading == lastPageOfSecond)
                                           m_cluster.stopServer(QStringLiteral("immediate"));
                                       return true;
                                   });
        } catch (const Exception &error) {
            said = error.message();
        }
        QVERIFY2(m_cluster.startServer(), qPrintable(m_cluster.error()));
        QVERIFY2(said.contains(QStringLiteral("连接中断")), qPrintable(said));
        QCOMPARE(list.lines().size(), 2);
        for (const ReplyLine &line : list.lines())
            QCOMPARE(line.file, scans[0]);
        QCOMPARE(ledger->replies().size(), 2);

        // The same list goes on once the server is back, the second file read again.
        ReplyRecording::record(*ledger, list, scans, QString(), QDate(2027, 1, 20));
        QCOMPARE(list.count(ReplyState::Matched), 6);
        QCOMPARE(ledger->replies().size(), 6);
        QVERIFY(ledger->verify().ok);
    }

    // A ledger open across a restart: its next read and write work without opening it again,
    // and what another program writes after the restart is still heard.
    void aLedgerKeptOpenWorksAgainAfterARestart()
    {
        const QString address = m_cluster.adminAddress(QStringLiteral("重启"));
        auto ledger = LedgerStore::create(address, QStringLiteral("重启"));
        ledger->recordRun(ledgerRun(), ledgerPages(1, 2));
        int heard = 0;
        QObject watch;
        ledger->watchChanges(&watch, [&heard] { ++heard; });

        restart();
        QCOMPARE(ledger->letterCount(), 2);
        ledger->setValues(ledgerLetter(1).number, {{LetterField::Note, QStringLiteral("重启后")}});
        QCOMPARE(ledger->letter(ledgerLetter(1).number)->value(LetterField::Note),
                 QStringLiteral("重启后"));

        restart();
        // A read first, through the statement kept prepared from before the restart.
        QCOMPARE(ledger->letter(ledgerLetter(1).number)->value(LetterField::Note),
                 QStringLiteral("重启后"));

        restart();
        // A write first after the restart, with nothing read before it.
        ledger->setToleranceCents(500);
        QCOMPARE(ledger->toleranceCents(), 500);

        auto other = LedgerStore::open(address);
        other->recordRun(ledgerRun(), ledgerPages(3, 1));
        QTRY_VERIFY_WITH_TIMEOUT(heard > 0, 2000);
        QCOMPARE(ledger->letterCount(), 3);
        QVERIFY(ledger->verify().ok);

        // Restarted while nothing is asked of the ledger: it finds the connection gone by
        // itself, says the ledger may have changed, and hears what is written after.
        heard = 0;
        restart();
        QTRY_VERIFY_WITH_TIMEOUT(heard > 0, 10000);
        heard = 0;
        auto third = LedgerStore::open(address);
        third->recordRun(ledgerRun(), ledgerPages(4, 1));
        QTRY_VERIFY_WITH_TIMEOUT(heard > 0, 2000);
        QCOMPARE(ledger->letterCount(), 4);
    }

    // While the server is away the ledger says so, in the words of a lost connection, and
    // changes nothing; once it is back the same store carries on.
    void aLedgerSaysTheServerIsAwayUntilItIsBack()
    {
        const QString address = m_cluster.adminAddress(QStringLiteral("停机"));
        auto ledger = LedgerStore::create(address, QStringLiteral("停机"));
        ledger->recordRun(ledgerRun(), ledgerPages(1, 1));
        QVERIFY2(m_cluster.stopServer(QStringLiteral("fast")), qPrintable(m_cluster.error()));
        const auto refused = [](const std::function<void()> &work) {
            try {
                work();
            } catch (const Exception &error) {
                return error.message();
            }
            return QString();
        };
        const QString reading = refused([&] { ledger->letters(); });
        const QString writing = refused([&] { ledger->setToleranceCents(100); });
        QVERIFY2(m_cluster.startServer(), qPrintable(m_cluster.error()));
        for (const QString &said : {reading, writing})
            QVERIFY2(said.startsWith(QStringLiteral("与函证中心")) &&
                         said.contains(QStringLiteral("连接中断")),
                     qPrintable(said));
        QCOMPARE(ledger->toleranceCents(), 0);
        ledger->setToleranceCents(100);
        QCOMPARE(ledger->toleranceCents(), 100);
        QVERIFY(ledger->verify().ok);
    }
};

QTEST_MAIN(TestCentreOutage)
#include "test_centre_outage.moc"

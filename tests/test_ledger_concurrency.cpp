// Several writers on one engagement: changes based on a letter as it was read are refused
// where another writer changed the same thing since, alike on a file and on a server; every
// change of a letter counts its version up; eight programs writing one engagement at once
// on a real server lose and double nothing, and the log's chain holds.
#include "control/LedgerLetterModel.h"
#include "control/ReconciliationRecording.h"
#include "ledger/LedgerServer.h"
#include "ledger/LedgerStore.h"
#include "ledger/StaleChange.h"
#include "support/LedgerFixtures.h"
#include "support/MessageOf.h"
#include "support/PgCluster.h"
#include "support/TestCentre.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {
const QString kMine = QStringLiteral("审计员甲");
const QString kOther = QStringLiteral("bob");
const QString kNumber = QStringLiteral("HZ2026-0001");

QString client()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/ledger_client");
}

ReconcilingItem item(qint64 cents)
{
    return {QStringLiteral("在途款项"), cents, QDate(2027, 1, 5), QStringLiteral("银行回单 7"), {}};
}

// Confirming the whole book amount of 1,000.00, or half of it.
AlternativeProcedure procedure(const QString &conclusion)
{
    const qint64 covered = conclusion == QStringLiteral("替代程序确认") ? 100000 : 50000;
    return {
        {{QStringLiteral("期后收款"), covered, QDate(2027, 1, 20), QStringLiteral("收款凭证 12")}},
        covered,
        conclusion,
        {}};
}

// The time the log gives its latest entry, as the refusal shows it.
QString lastTime(const LedgerStore &ledger)
{
    return ledger.log().constLast().at.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}
} // namespace

class TestLedgerConcurrency : public QObject
{
    Q_OBJECT

private:
    PgCluster m_cluster;
    QTemporaryDir m_dir;
    bool m_serverUp = false;
    int m_made = 0;

    // A new ledger with letters 1 to 'letters' sent, on a file or the server: its address.
    QString newLedger(const QString &backend, int letters = 2)
    {
        const QString name = QStringLiteral("项目%1").arg(++m_made);
        if (backend == QLatin1String("server") && !m_serverUp)
            QTest::qSkip(qPrintable(PgCluster::missing()), __FILE__, __LINE__);
        const QString address = backend == QLatin1String("server")
                                    ? m_cluster.adminAddress(name)
                                    : m_dir.filePath(name + QStringLiteral(".rvledger"));
        LedgerStore::create(address, name)->recordRun(ledgerRun(), ledgerPages(1, letters));
        return address;
    }
    // Who the log names for the other writer: the server names its own user.
    static QString otherName(const QString &backend)
    {
        return backend == QLatin1String("server") ? QStringLiteral("postgres") : kOther;
    }
    static void asOther(const std::function<void()> &work)
    {
        LedgerStore::setUserName(kOther);
        const auto back = qScopeGuard([] { LedgerStore::setUserName(kMine); });
        work();
    }
    static void addBackends() { QTest::addColumn<QString>("backend"); }

    // Eight clients at once, each told its command line; their standard outputs, once all
    // ended well.
    QStringList runClients(const QList<QStringList> &arguments, bool waitForReady)
    {
        std::vector<std::unique_ptr<QProcess>> processes;
        for (const QStringList &line : arguments) {
            processes.push_back(std::make_unique<QProcess>());
            processes.back()->start(client(), line);
            if (!processes.back()->waitForStarted())
                return {QStringLiteral("not started")};
        }
        if (waitForReady) {
            for (auto &process : processes)
                while (!process->canReadLine())
                    if (!process->waitForReadyRead(120000))
                        return {QStringLiteral("not ready: ") +
                                QString::fromUtf8(process->readAllStandardError())};
            for (auto &process : processes)
                process->readLine();
            for (auto &process : processes)
                process->write("go\n");
        }
        QStringList outputs;
        for (auto &process : processes) {
            process->waitForFinished(280000);
            if (process->exitStatus() != QProcess::NormalExit || process->exitCode() != 0)
                return {QStringLiteral("failed: ") +
                        QString::fromUtf8(process->readAllStandardError())};
            outputs.append(QString::fromUtf8(process->readAllStandardOutput()));
        }
        return outputs;
    }

private slots:
    void initTestCase()
    {
        LedgerStore::setUserName(kMine);
        if (!PgCluster::missing().isEmpty())
            return;
        const QString notReady = startCentre(m_cluster);
        QVERIFY2(notReady.isEmpty(), qPrintable(notReady));
        m_serverUp = true;
    }

    void staleValuesAreRefused_data()
    {
        addBackends();
        QTest::addColumn<int>("otherField");
        QTest::addColumn<QString>("otherValue");
        QTest::addColumn<int>("myField");
        QTest::addColumn<QString>("myValue");
        QTest::addColumn<QString>("refusal"); // what the refusal says after who and when
        const int result = int(LetterField::Result), note = int(LetterField::Note);
        for (const QString &backend : {QStringLiteral("file"), QStringLiteral("server")}) {
            const auto row = [&](const char *name) {
                return std::ref(QTest::addRow("%s %s", qPrintable(backend), name) << backend);
            };
            row("same field") << result << QStringLiteral("不符") << result
                              << QStringLiteral("调节后相符")
                              << QStringLiteral(
                                     "修改为“不符”（您看到的是“相符”，要改为“调节后相符”）");
            row("same field cleared") << result << QString() << result << QStringLiteral("不符")
                                      << QStringLiteral("清空（您看到的是“相符”，要改为“不符”）");
            row("cleared by me") << result << QStringLiteral("不符") << result << QString()
                                 << QStringLiteral("修改为“不符”（您看到的是“相符”，要清空）");
            row("from empty") << note << QStringLiteral("已电话确认") << note
                              << QStringLiteral("再发一次")
                              << QStringLiteral(
                                     "修改为“已电话确认”（您看到的是空白，要改为“再发一次”）");
            row("another field") << note << QStringLiteral("已电话确认") << result
                                 << QStringLiteral("不符") << QString();
            row("the same value") << result << QStringLiteral("不符") << result
                                  << QStringLiteral("不符") << QString();
        }
    }
    void staleValuesAreRefused()
    {
        QFETCH(QString, backend);
        QFETCH(int, otherField);
        QFETCH(QString, otherValue);
        QFETCH(int, myField);
        QFETCH(QString, myValue);
        QFETCH(QString, refusal);
        const QString address = newLedger(backend);
        const auto mine = LedgerStore::open(address), other = LedgerStore::open(address);
        mine->setValues(kNumber, {{LetterField::Result, QStringLiteral("相符")}});
        const LedgerLetter seen = *mine->letter(kNumber);
        asOther([&] { other->setValues(kNumber, {{LetterField(otherField), otherValue}}); });
        const qint64 logged = mine->logSize();
        const QString said = messageOf([&] {
            mine->setValues(kNumber, {{LetterField(myField), myValue}}, QStringLiteral("修改"),
                            &seen);
        });
        const LedgerLetter now = *mine->letter(kNumber);
        if (refusal.isEmpty()) {
            QCOMPARE(said, QString());
            QCOMPARE(now.value(LetterField(myField)), myValue);
            QCOMPARE(now.value(LetterField(otherField)),
                     otherField == myField ? myValue : otherValue);
        } else {
            QCOMPARE(said, QStringLiteral("函证编号 HZ2026-0001 的%1已被 %2 于 %3 %4，未作改动；"
                                          "请刷新后再改")
                               .arg(LedgerStore::fieldName(LetterField(myField)),
                                    otherName(backend), lastTime(*mine), refusal));
            QCOMPARE(now.value(LetterField(otherField)), otherValue);
            QCOMPARE(mine->logSize(), logged);
        }
        QVERIFY(mine->verify().ok);
    }

    void aRefusalKeepsNoneOfTheChange_data()
    {
        addBackends();
        QTest::newRow("file") << QStringLiteral("file");
        QTest::newRow("server") << QStringLiteral("server");
    }
    void aRefusalKeepsNoneOfTheChange()
    {
        QFETCH(QString, backend);
        const QString address = newLedger(backend);
        const auto mine = LedgerStore::open(address), other = LedgerStore::open(address);
        const LedgerLetter seen = *mine->letter(kNumber);
        asOther([&] {
            other->setValues(kNumber, {{LetterField::ReplyAmount, QStringLiteral("900")},
                                       {LetterField::Result, QStringLiteral("不符")}});
        });
        const QString said = messageOf([&] {
            mine->setValues(kNumber,
                            {{LetterField::Note, QStringLiteral("复核后改")},
                             {LetterField::ReplyAmount, QStringLiteral("1000")},
                             {LetterField::Result, QStringLiteral("相符")}},
                            QStringLiteral("修改"), &seen);
        });
        // Both stale fields named, in one refusal; the fresh one kept back with them.
        QVERIFY2(said.contains(QStringLiteral("的回函金额已被 %1 于").arg(otherName(backend))),
                 qPrintable(said));
        QVERIFY2(said.contains(QStringLiteral("；函证结果已被 %1 于").arg(otherName(backend))),
                 qPrintable(said));
        const LedgerLetter now = *mine->letter(kNumber);
        QCOMPARE(now.value(LetterField::Note), QString());
        QCOMPARE(now.value(LetterField::ReplyAmount), QStringLiteral("900.00"));
        // Without what it saw, a caller writes as an import does.
        mine->setValues(kNumber, {{LetterField::Result, QStringLiteral("相符")}});
        QCOMPARE(mine->letter(kNumber)->value(LetterField::Result), QStringLiteral("相符"));
        // A letter voided and sent again is another letter: its values were never seen.
        const LedgerLetter before = *mine->letter(QStringLiteral("HZ2026-0002"));
        asOther([&] {
            other->voidLetter(QStringLiteral("HZ2026-0002"), QStringLiteral("地址错误"));
            other->recordRun(ledgerRun(), ledgerPages(2, 1));
            other->setValues(QStringLiteral("HZ2026-0002"),
                             {{LetterField::Note, QStringLiteral("新函")}});
        });
        QVERIFY(messageOf([&] {
                    mine->setValues(QStringLiteral("HZ2026-0002"),
                                    {{LetterField::Note, QStringLiteral("旧函")}},
                                    QStringLiteral("修改"), &before);
                }).contains(QStringLiteral("修改为“新函”")));
        QVERIFY(mine->verify().ok);
    }

    void staleReconciliationsAreRefused_data()
    {
        addBackends();
        QTest::addColumn<bool>("otherItems"); // or else its procedure
        QTest::addColumn<bool>("myItems");
        QTest::addColumn<QString>("refusal");
        for (const QString &backend : {QStringLiteral("file"), QStringLiteral("server")}) {
            QTest::addRow("%s items over items", qPrintable(backend))
                << backend << true << true
                << QStringLiteral("调节项已被 %1 于 %2 修改（您打开时：没有调节项；现在：1 项，"
                                  "合计 -2.00）");
            QTest::addRow("%s procedure over procedure", qPrintable(backend))
                << backend << false << false
                << QStringLiteral("替代程序已被 %1 于 %2 修改（您打开时：没有替代程序；现在：结论"
                                  "“替代程序确认”、证据 1 项）");
            QTest::addRow("%s procedure beside items", qPrintable(backend))
                << backend << true << false << QString();
            QTest::addRow("%s items beside procedure", qPrintable(backend))
                << backend << false << true << QString();
        }
    }
    void staleReconciliationsAreRefused()
    {
        QFETCH(QString, backend);
        QFETCH(bool, otherItems);
        QFETCH(bool, myItems);
        QFETCH(QString, refusal);
        const QString address = newLedger(backend);
        const auto mine = LedgerStore::open(address), other = LedgerStore::open(address);
        mine->setValues(kNumber, {{LetterField::ReplyAmount, QStringLiteral("998")}});
        const LedgerLetter letter = *mine->letter(kNumber);
        const ReconciliationSeen seen = ReconciliationRecording::seenOf(*mine, kNumber);
        asOther([&] {
            if (otherItems)
                other->setReconcilingItems(kNumber, {item(-200)});
            else
                other->setAlternativeProcedure(kNumber, procedure(QStringLiteral("替代程序确认")));
        });
        const QList<ReconcilingItem> myList =
            myItems ? QList{item(-150)} : QList<ReconcilingItem>{};
        const auto myProcedure =
            myItems ? std::nullopt : std::optional(procedure(QStringLiteral("部分确认")));
        const QString said = messageOf(
            [&] { ReconciliationRecording::save(*mine, letter, myList, myProcedure, &seen); });
        if (refusal.isEmpty()) {
            QCOMPARE(said, QString());
            // Each writer's part stands: the one left as seen was not written back.
            QCOMPARE(mine->reconcilingItems(kNumber), otherItems ? QList{item(-200)} : myList);
            QCOMPARE(mine->alternativeProcedure(kNumber)->conclusion,
                     otherItems ? QStringLiteral("部分确认") : QStringLiteral("替代程序确认"));
        } else {
            QCOMPARE(said, QStringLiteral("函证编号 HZ2026-0001 的%1，未作改动；请刷新后再改")
                               .arg(refusal.arg(otherName(backend), lastTime(*mine))));
            QCOMPARE(mine->reconcilingItems(kNumber),
                     otherItems ? QList{item(-200)} : QList<ReconcilingItem>{});
        }
        QVERIFY(mine->verify().ok);
    }

    void theLedgerWindowsListShowsWhatARefusalKeeps()
    {
        const QString address = newLedger(QStringLiteral("file"));
        const auto mine = LedgerStore::open(address), other = LedgerStore::open(address);
        LedgerLetterModel model;
        model.setStore(mine.get());
        const QModelIndex result = model.index(0, LedgerLetterModel::columnOf(LetterField::Result));
        QCOMPARE(model.data(result).toString(), QString());
        asOther([&] {
            other->setValues(kNumber, {{LetterField::Result, QStringLiteral("不符")}});
        });
        // The cell still shows what was read; the edit made from it is refused, and the row
        // then shows the other writer's value.
        QCOMPARE(model.data(result).toString(), QString());
        QSignalSpy rowRead(&model, &QAbstractItemModel::dataChanged);
        QVERIFY_THROWS_EXCEPTION(StaleChange,
                                 model.setValue(0, LetterField::Result, QStringLiteral("相符")));
        QCOMPARE(rowRead.size(), 1);
        QCOMPARE(model.data(result).toString(), QStringLiteral("不符"));
        // Made again from what it now shows, the change goes through.
        model.setValue(0, LetterField::Result, QStringLiteral("相符"));
        QCOMPARE(mine->letter(kNumber)->value(LetterField::Result), QStringLiteral("相符"));
    }

    void everyChangeOfALetterCountsItsVersion_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<int>("counted");
        QTest::newRow("a value") << 0 << 1;
        QTest::newRow("two values at once") << 1 << 1;
        QTest::newRow("an unchanged value") << 2 << 0;
        QTest::newRow("a reprint") << 3 << 1;
        QTest::newRow("a matched reply") << 4 << 2; // answered, then its date and channel
        QTest::newRow("a second reply page") << 5 << 0;
        QTest::newRow("reconciling items, the result judged") << 6 << 2;
        QTest::newRow("a reply amount judged with items") << 7 << 2;
        QTest::newRow("an alternative procedure") << 8 << 1;
        QTest::newRow("voided") << 9 << 1;
    }
    void everyChangeOfALetterCountsItsVersion()
    {
        QFETCH(int, change);
        QFETCH(int, counted);
        const QString address = newLedger(QStringLiteral("file"));
        const auto ledger = LedgerStore::open(address);
        ledger->setValues(kNumber, {{LetterField::Note, QStringLiteral("已寄出")},
                                    {LetterField::ReplyAmount, QStringLiteral("1000")}});
        ReplyPageRecord page;
        page.fileSha256 = "aa";
        page.page = 1;
        page.number = kNumber;
        page.state = QStringLiteral("已匹配");
        page.received = QDate(2027, 1, 15);
        page.channel = QStringLiteral("快递");
        if (change == 5)
            ledger->recordReplies({page});
        if (change == 7)
            ledger->setReconcilingItems(kNumber, {item(-10)});
        const qint64 before = ledger->lettersNumbered(kNumber).constLast().version;
        switch (change) {
        case 0:
            ledger->setValues(kNumber, {{LetterField::Note, QStringLiteral("电话催收")}});
            break;
        case 1:
            ledger->setValues(kNumber, {{LetterField::Note, QStringLiteral("电话催收")},
                                        {LetterField::Waybill, QStringLiteral("SF1234567890")}});
            break;
        case 2:
            ledger->setValues(kNumber, {{LetterField::Note, QStringLiteral("已寄出")}});
            break;
        case 3:
            ledger->recordRun(ledgerRun(), ledgerPages(1, 1));
            break;
        case 4:
            ledger->recordReplies({page});
            break;
        case 5:
            page.page = 2;
            ledger->recordReplies({page});
            break;
        case 6:
            ledger->setReconcilingItems(kNumber, {item(-10)});
            break;
        case 7:
            ledger->setValues(kNumber, {{LetterField::ReplyAmount, QStringLiteral("999.90")}});
            break;
        case 8:
            ledger->setAlternativeProcedure(kNumber, procedure(QStringLiteral("部分确认")));
            break;
        case 9:
            ledger->voidLetter(kNumber, QStringLiteral("重复"));
            break;
        }
        QCOMPARE(ledger->lettersNumbered(kNumber).constLast().version, before + counted);
    }

    void eightClientsRecordRepliesAtOnce()
    {
        constexpr int clients = 8, each = 1000;
        const QString address = newLedger(QStringLiteral("server"), clients * each);
        const auto ledger = LedgerStore::open(address);
        const qint64 logged = ledger->logSize();
        QList<QStringList> lines;
        for (int c = 0; c < clients; ++c)
            lines.append({QStringLiteral("replies"), address, QString::number(1 + c * each),
                          QString::number(each)});
        const QStringList outputs = runClients(lines, false);
        QCOMPARE(outputs.size(), clients);
        for (const QString &output : outputs)
            QCOMPARE(output.trimmed(), QStringLiteral("done %1").arg(each));

        // Every reply there once, every letter with its own values.
        QHash<QString, int> pages;
        for (const ReplyPageRecord &page : ledger->replies())
            ++pages[page.number];
        QCOMPARE(pages.size(), clients * each);
        for (auto count = pages.cbegin(); count != pages.cend(); ++count)
            QVERIFY2(*count == 1, qPrintable(count.key()));
        int letters = 0;
        for (const LedgerLetter &letter : ledger->letters()) {
            const int n = letter.identity.number.mid(7).toInt();
            QCOMPARE(letter.value(LetterField::ReplyAmount), QStringLiteral("%1.00").arg(n * 10));
            QCOMPARE(letter.value(LetterField::ReplyDate), QStringLiteral("2027-01-15"));
            QVERIFY(letter.answered);
            QCOMPARE(letter.version, 4); // sent, answered, date and channel, amount
            ++letters;
        }
        QCOMPARE(letters, clients * each);
        // Four entries a letter: the page, its date, channel and amount; chained unbroken.
        QHash<QString, int> entries;
        for (const LogEntry &entry : ledger->logRange(logged + 1, clients * each * 5))
            ++entries[entry.action + entry.field];
        QCOMPARE(entries.value(QStringLiteral("回函页")), clients * each);
        QCOMPARE(entries.value(QStringLiteral("回函回函日期")), clients * each);
        QCOMPARE(entries.value(QStringLiteral("回函回函方式")), clients * each);
        QCOMPARE(entries.value(QStringLiteral("回函回函金额")), clients * each);
        QCOMPARE(ledger->logSize(), logged + 4 * clients * each);
        const LedgerStore::Verification checked = ledger->verify();
        QVERIFY2(checked.ok, qPrintable(checked.problem));
    }

    void pairsOfClientsContestTheSameLetters()
    {
        constexpr int pairs = 4, each = 50;
        const QString address = newLedger(QStringLiteral("server"), pairs * each);
        const auto ledger = LedgerStore::open(address);
        const qint64 logged = ledger->logSize();
        QList<QStringList> lines;
        for (int p = 0; p < pairs; ++p)
            for (const QString &result : {QStringLiteral("相符"), QStringLiteral("不符")})
                lines.append({QStringLiteral("contest"), address, QString::number(1 + p * each),
                              QString::number(each), result});
        const QStringList outputs = runClients(lines, true);
        QCOMPARE(outputs.size(), pairs * 2);

        static const QRegularExpression lost(QStringLiteral(
            "^lost (\\S+) 函证编号 \\1 的函证结果已被 postgres 于 \\d{4}-\\d\\d-\\d\\d "
            "\\d\\d:\\d\\d "
            "修改为“(相符|不符)”（您看到的是空白，要改为“(相符|不符)”），未作改动；请刷新后再改$"));
        QHash<QString, QString> winners;
        QHash<QString, int> losses;
        for (const QString &output : outputs)
            for (const QString &line : output.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
                if (line.startsWith(QLatin1String("won "))) {
                    QVERIFY2(!winners.contains(line.mid(4)), qPrintable(line));
                    winners.insert(line.mid(4), QString());
                    continue;
                }
                const QRegularExpressionMatch match = lost.match(line);
                QVERIFY2(match.hasMatch(), qPrintable(line));
                QVERIFY(match.captured(2) != match.captured(3));
                ++losses[match.captured(1)];
            }
        QCOMPARE(winners.size(), pairs * each);
        QCOMPARE(losses.size(), pairs * each);
        for (const int count : std::as_const(losses))
            QCOMPARE(count, 1);
        // One change a letter, the winner's, and nothing of the losers'.
        QCOMPARE(ledger->logSize(), logged + pairs * each);
        for (const LogEntry &entry : ledger->logRange(logged + 1, pairs * each + 1)) {
            QCOMPARE(entry.field, QStringLiteral("函证结果"));
            QCOMPARE(entry.oldValue, QString());
            QCOMPARE(ledger->letter(entry.subject)->value(LetterField::Result), entry.newValue);
        }
        const LedgerStore::Verification checked = ledger->verify();
        QVERIFY2(checked.ok, qPrintable(checked.problem));
    }
};

QTEST_GUILESS_MAIN(TestLedgerConcurrency)
#include "test_ledger_concurrency.moc"

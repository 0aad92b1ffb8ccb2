// Roles on the confirmation centre's server: each user may make the changes of the roles held
// and no other, refused by the program before it writes and by the server whatever program
// connects; setting the server up again changes nothing; names and values go in and come back
// exactly.
#include "control/LedgerLetterModel.h"
#include "control/MailRun.h"
#include "control/ReplyRecording.h"
#include "control/SmtpSender.h"
#include "ledger/LedgerLocation.h"
#include "ledger/LedgerServer.h"
#include "ledger/LedgerStore.h"
#include "ledger/PopulationHash.h"
#include "platform/Exception.h"
#include "support/BatchProcess.h"
#include "support/LedgerFixtures.h"
#include "support/MessageOf.h"
#include "support/PgCluster.h"
#include "support/TestCentre.h"

#include <QtTest>

namespace {

const QString kClerk = QStringLiteral("clerk");
const QString kTeam = QStringLiteral("team");
const QString kReviewer = QStringLiteral("reviewer");
const QString kNobody = QStringLiteral("nobody");

QString passwordOf(const QString &user)
{
    return QStringLiteral("pw-") + user;
}

using Action = std::function<void(LedgerStore &)>;

ReplyPageRecord replyTo(const QString &number)
{
    ReplyPageRecord reply;
    reply.fileSha256 = QByteArray(64, 'b');
    reply.page = 1;
    reply.file = QStringLiteral("/扫描/回函.pdf");
    reply.number = number;
    reply.state = QStringLiteral("已匹配");
    reply.received = QDate(2027, 1, 20);
    reply.channel = QStringLiteral("快递");
    return reply;
}

LedgerSelection oneRowSelection()
{
    LedgerSelection selection;
    selection.rowCount = 1;
    selection.totalCents = 100;
    PopulationHash hash;
    hash.addRow(QStringLiteral("甲"), QStringLiteral("2026-12-31"), QStringLiteral("1.00"),
                QStringLiteral("WL-1"));
    selection.populationSha256 = hash.hex();
    selection.method = QStringLiteral("手工选样");
    selection.seed = QStringLiteral("1");
    selection.rounds = {SelectionRound{}};
    selection.picks = {{0, QStringLiteral("手工"), -1, 0}};
    return selection;
}

// Every change a user may try, by the name the rows give it.
QHash<QString, Action> actions()
{
    const QString first = QStringLiteral("HZ2026-0001");
    const QString reconciled = QStringLiteral("HZ2026-0002");
    return {
        {QStringLiteral("dispatch"),
         [first](LedgerStore &l) {
             l.setValues(first, {{LetterField::SendMethod, QStringLiteral("快递")},
                                 {LetterField::Waybill, QStringLiteral("SF0001")},
                                 {LetterField::SendDate, QStringLiteral("2027-01-05")}});
         }},
        {QStringLiteral("reply amount"),
         [first](LedgerStore &l) {
             l.setValues(first, {{LetterField::ReplyAmount, QStringLiteral("900.00")}});
         }},
        {QStringLiteral("reply amount of a reconciled letter"),
         [reconciled](LedgerStore &l) {
             l.setValues(reconciled, {{LetterField::ReplyAmount, QStringLiteral("950.00")}});
         }},
        {QStringLiteral("custody"),
         [first](LedgerStore &l) {
             l.setValuesOf({{first, {{LetterField::Respondent, QStringLiteral("杭州第1公司")}}}},
                           QStringLiteral("导入"));
         }},
        {QStringLiteral("result"),
         [first](LedgerStore &l) {
             l.setValues(first, {{LetterField::Result, QStringLiteral("不符")},
                                 {LetterField::DifferenceReason, QStringLiteral("未入账")}});
         }},
        {QStringLiteral("note"),
         [first](LedgerStore &l) {
             l.setValues(first, {{LetterField::Note, QStringLiteral("已电话确认")}});
         }},
        {QStringLiteral("print"),
         [](LedgerStore &l) { l.recordRun(ledgerRun(), ledgerPages(1, 4) + ledgerPages(9, 1)); }},
        {QStringLiteral("replies"), [first](LedgerStore &l) { l.recordReplies({replyTo(first)}); }},
        {QStringLiteral("mail"),
         [first](LedgerStore &l) {
             MessageRecord message;
             message.number = first;
             message.kind = QStringLiteral("询证函");
             message.recipient = QStringLiteral("a@example.com");
             message.state = QStringLiteral("已发送");
             l.recordMessages({message});
         }},
        {QStringLiteral("address check"),
         [first](LedgerStore &l) {
             l.checkAddress({first, QStringLiteral("张三"), QStringLiteral("电话核实"),
                             QDate(2027, 1, 3), QString()});
         }},
        {QStringLiteral("void"),
         [first](LedgerStore &l) { l.voidLetter(first, QStringLiteral("地址有误")); }},
        {QStringLiteral("items"),
         [first](LedgerStore &l) {
             l.setReconcilingItems(first, {{QStringLiteral("在途款项"), -100, QDate(), {}, {}}});
         }},
        {QStringLiteral("procedure"),
         [first](LedgerStore &l) {
             AlternativeProcedure procedure;
             procedure.evidence = {{QStringLiteral("期后收款"), 100000, QDate(2027, 1, 15),
                                    QStringLiteral("回单 7")}};
             procedure.coveredCents = 100000;
             procedure.conclusion = QStringLiteral("替代程序确认");
             l.setAlternativeProcedure(first, procedure);
         }},
        {QStringLiteral("tolerance"), [](LedgerStore &l) { l.setToleranceCents(500); }},
        {QStringLiteral("parties"),
         [](LedgerStore &l) {
             l.setParties({QStringLiteral("被审计单位"), {}});
         }},
        {QStringLiteral("selection"),
         [](LedgerStore &l) {
             l.recordSelection(oneRowSelection(), [](int) {
                 return PopulationRow{QStringLiteral("甲"), QStringLiteral("2026-12-31"),
                                      QStringLiteral("1.00"), QStringLiteral("WL-1"), 100};
             });
         }},
    };
}

// What a refused change must leave as it was.
QStringList stateOf(const LedgerStore &ledger)
{
    QStringList lines{
        QString::number(ledger.logSize()),           QString::number(ledger.toleranceCents()),
        QString::number(ledger.runs().size()),       QString::number(ledger.replies().size()),
        QString::number(ledger.messages().size()),   QString::number(ledger.addressChecks().size()),
        QString::number(ledger.selections().size()), ledger.parties().client};
    for (const LedgerLetter &letter : ledger.letters())
        lines << letter.identity.number + letter.voidReason + letter.values.join(QLatin1Char('|'));
    for (const auto &[number, items] : ledger.allReconcilingItems().asKeyValueRange())
        lines << number + QString::number(items.size());
    lines << QStringList(ledger.alternativeProcedures().keys()).join(QLatin1Char(','));
    return lines;
}

} // namespace

class TestLedgerRoles : public QObject
{
    Q_OBJECT

private:
    PgCluster m_cluster;
    int m_made = 0;
    QString m_unchanged;

    // A new engagement with four letters, the second reconciled with a reply amount.
    QString newEngagement(const QString &name = QString())
    {
        const QString engagement = name.isEmpty() ? QStringLiteral("项目 %1").arg(++m_made) : name;
        const auto ledger = LedgerStore::create(m_cluster.adminAddress(engagement), engagement);
        ledger->recordRun(ledgerRun(), ledgerPages(1, 4));
        ledger->setValues(QStringLiteral("HZ2026-0002"),
                          {{LetterField::ReplyAmount, QStringLiteral("990.00")}});
        ledger->setReconcilingItems(QStringLiteral("HZ2026-0002"),
                                    {{QStringLiteral("在途款项"), -1000, QDate(), {}, {}}});
        return engagement;
    }
    // One engagement for the cases that must leave it as it was.
    QString unchangedEngagement()
    {
        if (m_unchanged.isEmpty())
            m_unchanged = newEngagement();
        return m_unchanged;
    }
    std::unique_ptr<LedgerStore> openAs(const QString &user, const QString &engagement)
    {
        return LedgerStore::openOnServer(
            LedgerLocation::parse(m_cluster.userAddress(user, engagement)), passwordOf(user));
    }
    QString schemaOf(const QString &engagement)
    {
        const QString name = QString(engagement).replace(QLatin1Char('\''), QStringLiteral("''"));
        if (!m_cluster.psql(QStringLiteral("SELECT 'rv_e' || id FROM rv_engagements WHERE name "
                                           "= '%1'")
                                .arg(name)))
            return {};
        return m_cluster.lastOutput();
    }

private slots:
    void initTestCase()
    {
        if (const QString why = PgCluster::missing(); !why.isEmpty())
            QSKIP(qPrintable(why));
        // Durability is not what these tests check; without it the many engagements come quicker.
        const QString notReady = startCentre(m_cluster, {QStringLiteral("fsync = off"),
                                                         QStringLiteral("synchronous_commit = off"),
                                                         QStringLiteral("full_page_writes = off")});
        QVERIFY2(notReady.isEmpty(), qPrintable(notReady));
        QVERIFY(m_cluster.addUser(kClerk, passwordOf(kClerk), {QStringLiteral("rv_clerk")}));
        QVERIFY(m_cluster.addUser(kTeam, passwordOf(kTeam), {QStringLiteral("rv_team")}));
        QVERIFY(
            m_cluster.addUser(kReviewer, passwordOf(kReviewer), {QStringLiteral("rv_reviewer")}));
        QVERIFY(m_cluster.addUser(kNobody, passwordOf(kNobody)));
        LedgerStore::setUserName(QStringLiteral("审计员甲"));
    }

    void eachRoleMakesItsOwnChangesOnly_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("needed"); // the roles the message names; empty when allowed
        const QString clerk = QStringLiteral("“函证中心”");
        const QString team = QStringLiteral("“项目组”");
        const QString either = QStringLiteral("“函证中心”或“项目组”");
        const QList<std::tuple<const char *, QString, QString, QString>> rows{
            {"dispatch", {}, clerk, clerk},
            {"reply amount", {}, clerk, clerk},
            {"reply amount of a reconciled letter", team, clerk, clerk},
            {"custody", {}, clerk, clerk},
            {"result", team, {}, team},
            {"note", {}, {}, either},
            {"print", {}, {}, either},
            {"replies", {}, clerk, clerk},
            {"mail", {}, clerk, clerk},
            {"address check", {}, clerk, clerk},
            {"void", team, {}, team},
            {"items", team, {}, team},
            {"procedure", team, {}, team},
            {"tolerance", team, {}, team},
            {"parties", team, {}, team},
            {"selection", team, {}, team},
        };
        for (const auto &[action, forClerk, forTeam, forReviewer] : rows) {
            const QString name = QString::fromLatin1(action);
            QTest::addRow("clerk: %s", action) << kClerk << name << forClerk;
            QTest::addRow("team: %s", action) << kTeam << name << forTeam;
            QTest::addRow("reviewer: %s", action) << kReviewer << name << forReviewer;
        }
    }
    void eachRoleMakesItsOwnChangesOnly()
    {
        QFETCH(QString, user);
        QFETCH(QString, action);
        QFETCH(QString, needed);
        const QString engagement = needed.isEmpty() ? newEngagement() : unchangedEngagement();
        const auto ledger = openAs(user, engagement);
        const QStringList before = stateOf(*ledger);
        const QString message = messageOf([&] { actions().value(action)(*ledger); });
        if (needed.isEmpty()) {
            QVERIFY2(message.isEmpty(), qPrintable(message));
            QVERIFY(ledger->logSize() > before.constFirst().toLongLong());
            QCOMPARE(ledger->log().constLast().user, user);
            QVERIFY2(ledger->verify().ok, qPrintable(ledger->verify().problem));
            return;
        }
        QCOMPARE(message, QStringLiteral("这项修改需要%1角色；用户 %2 在函证中心没有这一角色，"
                                         "未作改动")
                              .arg(needed, user));
        QCOMPARE(stateOf(*LedgerStore::open(m_cluster.adminAddress(engagement))), before);
    }

    // The ledger window offers for typing only what the role may change.
    void theTableOffersOnlyTheRolesFields()
    {
        const QString engagement = unchangedEngagement();
        const auto editable = [](LedgerLetterModel &model, LetterField field) {
            return model.flags(model.index(0, LedgerLetterModel::columnOf(field)))
                .testFlag(Qt::ItemIsEditable);
        };
        const auto clerk = openAs(kClerk, engagement);
        LedgerLetterModel clerkTable;
        clerkTable.setStore(clerk.get(), {});
        QVERIFY(editable(clerkTable, LetterField::Waybill));
        QVERIFY(editable(clerkTable, LetterField::Note));
        QVERIFY(!editable(clerkTable, LetterField::Result));
        const auto team = openAs(kTeam, engagement);
        LedgerLetterModel teamTable;
        teamTable.setStore(team.get(), {});
        QVERIFY(!editable(teamTable, LetterField::Waybill));
        QVERIFY(editable(teamTable, LetterField::Note));
        QVERIFY(editable(teamTable, LetterField::Result));
    }

    void workEndingInTheLedgerIsRefusedBeforeItStarts()
    {
        // Mail would be sent, and scans read, only to be refused when recorded.
        const auto team = openAs(kTeam, unchangedEngagement());
        const QString needed = QStringLiteral("这项修改需要“函证中心”角色；用户 team 在函证中心"
                                              "没有这一角色，未作改动");
        SmtpSettings smtp;
        smtp.url = QStringLiteral("smtp://localhost:1");
        SmtpSender sender(smtp);
        MailSettings mail;
        mail.senderAddress = QStringLiteral("centre@example.com");
        QCOMPARE(messageOf([&] {
                     MailRun::send(*team, sender, mail, MailRun::Kind::Reminders, {},
                                   QDate(2027, 3, 1));
                 }),
                 needed);
        QCOMPARE(messageOf([&] { ReplyRecording::prepared(*team); }), needed);
    }

    void theServersOwnRefusalNamesTheRole()
    {
        // A grant the administrator took back: the program lets the change through, the
        // server refuses it, and the user reads which role it takes.
        const QString engagement = newEngagement();
        const QString schema = schemaOf(engagement);
        QVERIFY(m_cluster.psql(
            QStringLiteral("REVOKE UPDATE (result) ON %1.letters FROM rv_team").arg(schema)));
        const auto team = openAs(kTeam, engagement);
        const QStringList before = stateOf(*team);
        QCOMPARE(messageOf([&] { actions().value(QStringLiteral("result"))(*team); }),
                 QStringLiteral("函证中心拒绝了修改：这项修改需要“项目组”角色，用户 team 没有，"
                                "未作改动"));
        QCOMPARE(stateOf(*team), before);
        // The same connection writes on once the grant is back.
        QVERIFY(m_cluster.psql(
            QStringLiteral("GRANT UPDATE (result) ON %1.letters TO rv_team").arg(schema)));
        actions().value(QStringLiteral("result"))(*team);
        QCOMPARE(team->letter(QStringLiteral("HZ2026-0001"))->value(LetterField::Result),
                 QStringLiteral("不符"));
    }

    void serverRefusesWhatTheRoleMayNotDo_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("sql");      // on the engagement's tables, in schema %1
        QTest::addColumn<QString>("expected"); // "denied", or the rows it changed
        const QString denied = QStringLiteral("denied");
        const auto counted = [](const QString &change) {
            return QStringLiteral("WITH c AS (%1 RETURNING 1) SELECT count(*) FROM c").arg(change);
        };
        QTest::newRow("clerk sets a result")
            << kClerk << QStringLiteral("UPDATE %1.letters SET result = '相符'") << denied;
        QTest::newRow("clerk voids")
            << kClerk << QStringLiteral("UPDATE %1.letters SET voided = 'x'") << denied;
        QTest::newRow("clerk takes off items")
            << kClerk << QStringLiteral("DELETE FROM %1.reconciling_items") << denied;
        QTest::newRow("clerk sets the tolerance")
            << kClerk
            << counted(QStringLiteral("UPDATE %1.meta SET value = '5' WHERE key = "
                                      "'tolerance_cents'"))
            << QStringLiteral("0");
        QTest::newRow("clerk adds a meta row")
            << kClerk << QStringLiteral("INSERT INTO %1.meta VALUES ('x', 'y')") << denied;
        QTest::newRow("clerk records a waybill")
            << kClerk
            << counted(QStringLiteral("UPDATE %1.letters SET waybill = 'SF9' WHERE id = 1"))
            << QStringLiteral("1");
        QTest::newRow("team records a waybill")
            << kTeam << QStringLiteral("UPDATE %1.letters SET waybill = 'SF9'") << denied;
        QTest::newRow("team records a reply")
            << kTeam
            << QStringLiteral("INSERT INTO %1.replies (file_sha256, page, file, number, state, "
                              "received, channel, note, recorded) VALUES ('a', 1, 'f', 'n', 's', "
                              "'', '', '', '')")
            << denied;
        QTest::newRow("team marks a letter answered")
            << kTeam << QStringLiteral("UPDATE %1.letters SET answered = 1") << denied;
        QTest::newRow("team changes the structure version")
            << kTeam
            << counted(QStringLiteral("UPDATE %1.meta SET value = '99' WHERE key = "
                                      "'schema_version'"))
            << QStringLiteral("0");
        QTest::newRow("team changes the code key")
            << kTeam
            << counted(QStringLiteral("UPDATE %1.meta SET value = '00' WHERE key = "
                                      "'code_key'"))
            << QStringLiteral("0");
        QTest::newRow("team sets the tolerance")
            << kTeam
            << counted(QStringLiteral("UPDATE %1.meta SET value = '5' WHERE key = "
                                      "'tolerance_cents'"))
            << QStringLiteral("1");
        QTest::newRow("reviewer writes a note")
            << kReviewer << QStringLiteral("UPDATE %1.letters SET note = 'x'") << denied;
        QTest::newRow("reviewer moves the log's head")
            << kReviewer
            << counted(QStringLiteral("UPDATE %1.meta SET value = '0:' WHERE key = "
                                      "'log_head'"))
            << denied;
        QTest::newRow("nobody reads letters")
            << kNobody << QStringLiteral("SELECT count(*) FROM %1.letters") << denied;
        for (const QString &user : {kClerk, kTeam, kReviewer}) {
            QTest::addRow("%s rewrites the log", qPrintable(user))
                << user << QStringLiteral("UPDATE %1.log SET username = 'x'") << denied;
            QTest::addRow("%s takes the log off", qPrintable(user))
                << user << QStringLiteral("DELETE FROM %1.log") << denied;
            QTest::addRow("%s empties the log", qPrintable(user))
                << user << QStringLiteral("TRUNCATE %1.log") << denied;
        }
        // An entry in another's name: the log says who did what as the server knows them.
        for (const QString &user : {kClerk, kTeam})
            QTest::addRow("%s writes in another's name", qPrintable(user))
                << user
                << QStringLiteral("INSERT INTO %1.log VALUES (1000, '', 'team2', '', '', '', '', "
                                  "'', '', '')")
                << QStringLiteral("row-level security");
    }
    void serverRefusesWhatTheRoleMayNotDo()
    {
        QFETCH(QString, user);
        QFETCH(QString, sql);
        QFETCH(QString, expected);
        const QString engagement =
            expected == QLatin1String("1") ? newEngagement() : unchangedEngagement();
        const QString schema = schemaOf(engagement);
        QVERIFY(!schema.isEmpty());
        const bool ran = m_cluster.psql(sql.arg(schema), user);
        if (expected == QLatin1String("denied") ||
            expected == QLatin1String("row-level security")) {
            QVERIFY2(!ran, qPrintable(m_cluster.lastOutput()));
            const QString why = expected == QLatin1String("denied")
                                    ? QStringLiteral("permission denied")
                                    : QStringLiteral("violates row-level security policy");
            QVERIFY2(m_cluster.error().contains(why), qPrintable(m_cluster.error()));
        } else {
            QVERIFY2(ran, qPrintable(m_cluster.error()));
            QCOMPARE(m_cluster.lastOutput(), expected);
        }
        // The log is whole whatever was tried.
        const auto ledger = LedgerStore::open(m_cluster.adminAddress(engagement));
        QVERIFY(ledger->logSize() > 0);
        if (expected != QLatin1String("1"))
            QVERIFY2(ledger->verify().ok, qPrintable(ledger->verify().problem));
    }

    void whoMayOpenAndList()
    {
        const QString engagement = newEngagement();
        const auto reviewer = openAs(kReviewer, engagement);
        QVERIFY(reviewer->readOnly());
        QCOMPARE(reviewer->readOnlyReason(), QStringLiteral("您在函证中心是复核角色，只能查看"));
        QCOMPARE(reviewer->letters().size(), 4);
        QCOMPARE(reviewer->toleranceCents(), 0);
        QVERIFY(reviewer->verify().ok);
        QVERIFY(!openAs(kClerk, engagement)->readOnly());
        QVERIFY(!openAs(kTeam, engagement)->readOnly());

        QCOMPARE(
            messageOf([&] { openAs(kNobody, engagement); }),
            QStringLiteral("无权打开%1：请管理员把您加入函证中心、项目组或复核角色")
                .arg(LedgerLocation::parse(m_cluster.userAddress(kNobody, engagement)).shown()));
        const auto listOf = [&](const QString &user) {
            return LedgerServer::engagements(LedgerLocation::parse(m_cluster.userAddress(user)),
                                             passwordOf(user));
        };
        QCOMPARE(listOf(kNobody), QStringList());
        for (const QString &user : {kClerk, kTeam, kReviewer})
            QVERIFY2(listOf(user).contains(engagement), qPrintable(user));
    }

    void onlyTheAdministratorMakesEngagements()
    {
        const QString name = QStringLiteral("职员自建");
        const LedgerLocation at = LedgerLocation::parse(m_cluster.userAddress(kClerk, name));
        QCOMPARE(messageOf([&] { LedgerStore::createOnServer(at, name, passwordOf(kClerk)); }),
                 QStringLiteral("只有函证中心的管理员（运行 init-server 的用户）才能建立项目；"
                                "用户 clerk 不能建立%1，未作改动")
                     .arg(at.shown()));
        QVERIFY(m_cluster.psql(
            QStringLiteral("SELECT count(*) FROM rv_engagements WHERE name = '职员自建'")));
        QCOMPARE(m_cluster.lastOutput(), QStringLiteral("0"));
        QVERIFY(!LedgerServer::engagements(LedgerLocation::parse(m_cluster.adminAddress()))
                     .contains(name));
        // Nor sets the server up.
        QVERIFY(messageOf([&] {
                    LedgerServer::initialize(LedgerLocation::parse(m_cluster.userAddress(kTeam)),
                                             passwordOf(kTeam));
                }).startsWith(QStringLiteral("只有数据库的管理员")));
    }

    void settingUpAgainChangesNothing()
    {
        QVERIFY(m_cluster.psql(QStringLiteral("CREATE DATABASE rvother")));
        const QString address = m_cluster.adminAddress().replace(
            QStringLiteral("/") + m_cluster.database() + QLatin1Char('?'),
            QStringLiteral("/rvother?"));
        const BatchProcessRun first =
            batch({QStringLiteral("ledger"), QStringLiteral("init-server"), address});
        QVERIFY2(first.status == 0, qPrintable(first.err));
        QCOMPARE(first.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts),
                 QStringList({QStringLiteral("已建立项目列表 public.rv_engagements"),
                              QStringLiteral("角色 rv_clerk（函证中心）已存在，未改动"),
                              QStringLiteral("角色 rv_team（项目组）已存在，未改动"),
                              QStringLiteral("角色 rv_reviewer（复核）已存在，未改动"),
                              QStringLiteral("已允许各角色读取项目列表"),
                              QStringLiteral("函证中心设置完成：2 项改动")}));
        // An engagement made since, and one whose grants went missing.
        const QString made = QStringLiteral("其他库项目");
        const QString madeAddress =
            QString(address).append(QStringLiteral("&engagement=%1")
                                        .arg(QString::fromLatin1(QUrl::toPercentEncoding(made))));
        // Named by its address alone.
        const BatchProcessRun byAddress =
            batch({QStringLiteral("ledger"), QStringLiteral("new"), madeAddress});
        QCOMPARE(byAddress.out,
                 QStringLiteral("已建立%1\n").arg(LedgerLocation::parse(madeAddress).shown()));
        QCOMPARE(LedgerStore::open(madeAddress)->engagement(), made);
        const BatchProcessRun second =
            batch({QStringLiteral("ledger"), QStringLiteral("init-server"), address});
        QVERIFY2(second.status == 0, qPrintable(second.err));
        QVERIFY2(second.out.endsWith(QStringLiteral("函证中心早已设置完成，本次未作任何改动\n")),
                 qPrintable(second.out));
        QVERIFY(
            second.out.contains(QStringLiteral("项目“其他库项目”（rv_e1）的权限已就绪，未改动")));
        QVERIFY(m_cluster.psql(QStringLiteral("REVOKE INSERT ON rv_e1.log FROM rv_team"),
                               QStringLiteral("postgres"), QStringLiteral("rvother")));
        const BatchProcessRun third =
            batch({QStringLiteral("ledger"), QStringLiteral("init-server"), address});
        QVERIFY(
            third.out.contains(QStringLiteral("项目“其他库项目”（rv_e1）：已授予各角色的权限")));
        QVERIFY(third.out.endsWith(QStringLiteral("函证中心设置完成：1 项改动\n")));

        const BatchProcessRun file = batch({QStringLiteral("ledger"), QStringLiteral("init-server"),
                                            QStringLiteral("a.rvledger")});
        QCOMPARE(file.status, 2);
    }

    void anOlderEngagementIsBroughtUpToDate()
    {
        const QString engagement = newEngagement();
        const QString schema = schemaOf(engagement);
        QVERIFY(m_cluster.psql(
            QStringLiteral("ALTER TABLE %1.letters DROP COLUMN version; UPDATE %1.meta SET value "
                           "= '6' WHERE key = 'schema_version'")
                .arg(schema)));
        QVERIFY(messageOf([&] { openAs(kClerk, engagement); })
                    .endsWith(QStringLiteral("需要升级到结构版本 7：请管理员运行 "
                                             "roviradavev-batch ledger init-server")));
        const QStringList done =
            LedgerServer::initialize(LedgerLocation::parse(m_cluster.adminAddress()));
        QVERIFY2(
            done.contains(
                QStringLiteral("项目“%1”（%2）已从结构版本 6 升级到 7").arg(engagement, schema)),
            qPrintable(done.join(QLatin1Char('\n'))));
        const auto clerk = openAs(kClerk, engagement);
        QCOMPARE(clerk->schemaVersion(), 7);
        actions().value(QStringLiteral("dispatch"))(*clerk);
        QVERIFY2(clerk->verify().ok, qPrintable(clerk->verify().problem));
        QCOMPARE(clerk->log(QStringLiteral("台账")).constLast().action, QStringLiteral("升级"));
    }

    void namesAndValuesGoInAndComeBackExactly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("quote") << QStringLiteral("O'Brien 公司");
        QTest::newRow("double quote") << QStringLiteral("\"甲\" 公司");
        QTest::newRow("backslash") << QStringLiteral("C:\\账\\'x");
        QTest::newRow("statement") << QStringLiteral("x'; DROP TABLE letters; --");
        QTest::newRow("wildcards") << QStringLiteral("100% _完成_");
        QTest::newRow("newline") << QStringLiteral("第一行\n第二行");
        QTest::newRow("identifier") << QStringLiteral("rv_e1\"; DROP SCHEMA public CASCADE; --");
    }
    void namesAndValuesGoInAndComeBackExactly()
    {
        QFETCH(QString, text);
        const QString engagement = newEngagement(QStringLiteral("项目 ") + text);
        QVERIFY(LedgerServer::engagements(LedgerLocation::parse(m_cluster.adminAddress()))
                    .contains(engagement));
        const auto clerk = openAs(kClerk, engagement);
        QCOMPARE(clerk->engagement(), engagement);
        clerk->setValues(QStringLiteral("HZ2026-0001"), {{LetterField::Note, text}});
        const auto team = openAs(kTeam, engagement);
        team->setParties({text, {text + QStringLiteral(" 关联")}});
        team->setReconcilingItems(QStringLiteral("HZ2026-0003"),
                                  {{QStringLiteral("其他"), -100, QDate(), text, text}});

        const auto again = openAs(kReviewer, engagement);
        QCOMPARE(again->letter(QStringLiteral("HZ2026-0001"))->value(LetterField::Note), text);
        QCOMPARE(again->parties().client, text.simplified());
        const ReconcilingItem item =
            again->reconcilingItems(QStringLiteral("HZ2026-0003")).value(0);
        QCOMPARE(item.reference, text.trimmed());
        QCOMPARE(item.note, text.trimmed());
        QVERIFY2(again->verify().ok, qPrintable(again->verify().problem));
        QCOMPARE(again->letters().size(), 4);
    }
};

QTEST_GUILESS_MAIN(TestLedgerRoles)
#include "test_ledger_roles.moc"

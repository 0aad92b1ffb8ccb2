// An engagement copied between a ledger file and a real PostgreSQL server, both ways: exact
// (ids, the log and its chain, PDFs as bytes), checked, all or nothing; the batch command run
// as a process; and the server reached over TLS only when its certificate checks out.
#include "ledger/LedgerCopy.h"
#include "ledger/LedgerLocation.h"
#include "ledger/LedgerSchema.h"
#include "ledger/LedgerServer.h"
#include "ledger/LedgerStore.h"
#include "platform/Exception.h"
#include "support/BatchProcess.h"
#include "support/LedgerScenario.h"
#include "support/MessageOf.h"
#include "support/PgCluster.h"
#include "support/PgTls.h"
#include "support/Python.h"
#include "support/SelectionFixtures.h"
#include "support/TestCentre.h"

#include <QCryptographicHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString kTlsUser = QStringLiteral("centre-admin");
const QString kTlsPassword = QStringLiteral("s3cret-TLS");

// A selection of five rows, two picked, then a row more in a second round.
void addSelection(LedgerStore &ledger)
{
    const qint64 id = ledger.recordSelection(
        selectionOf(5, {{3, PickReason::Sampled, 120000, 0}, {0, PickReason::Key, -1, 0}}),
        populationRow);
    SelectionRound second;
    second.round = 1;
    second.parameters = QStringLiteral("{\"added\":1}");
    second.drawsAfter = 3;
    ledger.extendSelection(id, second, {{4, PickReason::Manual, -1, 0}});
}

// Everything a ledger holds, each row with its id, as text: two ledgers alike hold the same.
QStringList everything(const LedgerStore &ledger)
{
    const auto time = [](const QDateTime &at) { return at.toString(Qt::ISODateWithMs); };
    QStringList lines{ledger.engagement(), QString::number(ledger.schemaVersion()),
                      QString::fromLatin1(ledger.codeKey().toHex()),
                      QString::number(ledger.toleranceCents())};
    for (const LedgerLetter &l : ledger.letters())
        lines << QStringList{QString::number(l.id),
                             l.identity.number,
                             l.identity.customer,
                             l.identity.cutOff.toString(Qt::ISODate),
                             QString::number(l.identity.cents.value_or(-1)),
                             l.identity.templateName,
                             QString::number(l.firstRun),
                             QString::fromLatin1(l.pageSha256),
                             QString::number(l.reprints),
                             time(l.voided),
                             l.voidReason,
                             QString::number(l.answered),
                             l.follows,
                             QString::number(l.keyedCode),
                             l.values.join(u'|'),
                             QString::number(l.version)}
                     .join(u'\t');
    for (const LedgerRun &r : ledger.runs())
        lines << QStringList{QString::number(r.id),
                             time(r.at),
                             r.kind,
                             r.output,
                             r.templateName,
                             r.user,
                             QString::number(r.letters),
                             QString::number(r.reprints),
                             r.replyAreas}
                     .join(u'\t');
    for (const LogEntry &e : ledger.log())
        lines << QStringList{QString::number(e.id),
                             time(e.at),
                             e.user,
                             e.action,
                             e.subject,
                             e.field,
                             e.oldValue,
                             e.newValue,
                             QString::fromLatin1(e.previousHash),
                             QString::fromLatin1(e.hash)}
                     .join(u'\t');
    for (const ReplyPageRecord &p : ledger.replies())
        lines << QStringList{QString::fromLatin1(p.fileSha256),
                             QString::number(p.page),
                             p.file,
                             p.number,
                             p.state,
                             p.received.toString(Qt::ISODate),
                             p.channel,
                             p.codeCheck}
                     .join(u'\t');
    for (const QString &number : ledger.numbersWithPdf())
        lines << number + QString::fromLatin1(QCryptographicHash::hash(ledger.letterPdf(number),
                                                                       QCryptographicHash::Sha256)
                                                  .toHex());
    for (const MessageRecord &m : ledger.messages())
        lines << QStringList{QString::number(m.id), m.number,   m.recipient,
                             m.messageId,           time(m.at), m.state,
                             m.serverReply}
                     .join(u'\t');
    for (const AddressCheck &c : ledger.addressChecks())
        lines << QStringList{c.number, c.by, c.how, c.on.toString(Qt::ISODate), c.note}.join(u'\t');
    lines << ledger.parties().client + u'|' + ledger.parties().related.join(u'|');
    for (const auto &[number, items] : ledger.allReconcilingItems().asKeyValueRange())
        for (const ReconcilingItem &i : items)
            lines << QStringList{number, i.kind, QString::number(i.cents), i.reference, i.note}
                         .join(u'\t');
    for (const auto &[number, p] : ledger.alternativeProcedures().asKeyValueRange())
        lines << QStringList{number, p.conclusion, QString::number(p.coveredCents), p.note,
                             QString::number(p.evidence.size())}
                     .join(u'\t');
    for (const LedgerSelection &s : ledger.selections()) {
        lines << QStringList{QString::number(s.id),
                             QString::number(s.rowCount),
                             QString::number(s.totalCents),
                             QString::fromLatin1(s.populationSha256),
                             s.method,
                             s.seed}
                     .join(u'\t');
        for (const SelectionRound &r : s.rounds)
            lines << QStringList{QString::number(r.round), time(r.time), r.user, r.parameters,
                                 QString::number(r.drawsAfter)}
                         .join(u'\t');
        for (const SelectionPick &p : s.picks)
            lines << QStringLiteral("pick %1 %2 %3 %4")
                         .arg(p.position)
                         .arg(p.reason)
                         .arg(p.point)
                         .arg(p.round);
        for (const PopulationRow &r : ledger.population(s.id))
            lines << QStringList{r.customer, r.cutOff, r.amount, r.number}.join(u'\t');
    }
    return lines;
}

// Every cell of every sheet of a workbook, as openpyxl reads it.
QString cellsOf(const QString &workbook)
{
    const PythonRun read = runPython(
        QStringLiteral("import sys, openpyxl\n"
                       "wb = openpyxl.load_workbook(sys.argv[1])\n"
                       "for ws in wb.worksheets:\n"
                       "    print('==', ws.title)\n"
                       "    for row in ws.iter_rows():\n"
                       "        print('\\t'.join('' if c.value is None else repr(c.value) "
                       "for c in row))\n"),
        {workbook});
    return read.ok ? read.out : QStringLiteral("openpyxl could not read ") + workbook;
}
} // namespace

class TestLedgerCopy : public QObject
{
    Q_OBJECT

    PgCluster m_cluster;
    PgTls m_tls;
    QTemporaryDir m_dir;
    int m_names = 0;

    QString newFile() { return m_dir.filePath(QStringLiteral("l%1.rvledger").arg(++m_names)); }
    QString newName() { return QStringLiteral("项目 %1").arg(++m_names); }
    // The engagements listed and the schemas there, to see that nothing was left half made.
    QString serverState()
    {
        m_cluster.psql(QStringLiteral("SELECT (SELECT string_agg(name, ',' ORDER BY id) FROM "
                                      "public.rv_engagements) || ' / ' || (SELECT "
                                      "string_agg(nspname, ',' ORDER BY nspname) FROM "
                                      "pg_namespace WHERE nspname LIKE 'rv\\_e%')"));
        return m_cluster.lastOutput();
    }
    // The TLS user's address: host localhost, as the server's certificate names it.
    QString tlsAddress(const QString &engagement, const QString &host = QStringLiteral("localhost"),
                       const QString &query = QString())
    {
        return QStringLiteral("postgresql://%1@%2:%3/%4?engagement=%5%6")
            .arg(kTlsUser, host)
            .arg(m_cluster.port())
            .arg(m_cluster.database(), QString::fromLatin1(QUrl::toPercentEncoding(engagement)),
                 query.isNull()
                     ? QStringLiteral("&sslmode=verify-full&sslrootcert=") +
                           QString::fromLatin1(QUrl::toPercentEncoding(m_tls.caCertificate()))
                     : query);
    }
    // A ledger file with every kind of write, a selection among them.
    QString filledFile()
    {
        const QString path = newFile();
        const auto ledger = LedgerStore::create(path, QStringLiteral("年审 2026"));
        fillLedgerWithEverything(*ledger);
        addSelection(*ledger);
        return path;
    }

private slots:
    void initTestCase()
    {
        if (const QString why = PgCluster::missing(); !why.isEmpty())
            QSKIP(qPrintable(why));
        QVERIFY2(m_tls.make(m_cluster.folder()), qPrintable(m_tls.error()));
        const QString notReady = startCentre(m_cluster, m_tls.settings());
        QVERIFY2(notReady.isEmpty(), qPrintable(notReady));
        // An administrator who may connect only over TLS.
        QVERIFY(m_cluster.addUser(kTlsUser, kTlsPassword));
        QVERIFY(m_cluster.psql(QStringLiteral("ALTER ROLE \"%1\" SUPERUSER").arg(kTlsUser)));
        QFile hba(m_cluster.dataFolder() + QStringLiteral("/pg_hba.conf"));
        QVERIFY(hba.open(QIODevice::ReadOnly));
        const QByteArray rules = hba.readAll();
        hba.close();
        QVERIFY(hba.open(QIODevice::WriteOnly | QIODevice::Truncate));
        hba.write(QStringLiteral("hostssl all %1 127.0.0.1/32 scram-sha-256\n"
                                 "hostnossl all %1 127.0.0.1/32 reject\n")
                      .arg(kTlsUser)
                      .toUtf8() +
                  rules);
        hba.close();
        QVERIFY(m_cluster.psql(QStringLiteral("SELECT pg_reload_conf()")));
        LedgerStore::setUserName(QStringLiteral("审计员甲"));
    }

    void tableListCoversTheSchema()
    {
        // A table the list leaves out would be lost by every copy; one listed before a table
        // it refers to would make the copy fail.
        const QString path = newFile();
        LedgerStore::create(path, QStringLiteral("表"));
        QStringList listed;
        for (const LedgerSchema::Table &table : LedgerSchema::tables())
            listed.append(table.name);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("t"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        {
            QSqlQuery query(db);
            QVERIFY(query.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                                              "ORDER BY name")));
            QStringList made;
            while (query.next())
                made.append(query.value(0).toString());
            QStringList sorted = listed;
            sorted.sort();
            QCOMPARE(sorted, made);
            for (int i = 0; i < listed.size(); ++i) {
                QVERIFY(query.exec(QStringLiteral("PRAGMA foreign_key_list(%1)").arg(listed[i])));
                while (query.next()) {
                    const QString referred = query.value(2).toString();
                    QVERIFY2(listed.indexOf(referred) <= i,
                             qPrintable(listed[i] + QStringLiteral(" before ") + referred));
                }
            }
        }
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("t"));
    }

    void fileToServerAndBackIsExact()
    {
        const QString first = filledFile();
        const QString name = newName();
        const QString server = m_cluster.adminAddress(name);
        QStringList told;
        const LedgerCopy::Result there =
            LedgerCopy::copy(first, server, [&told](const LedgerCopy::Table &table, qint64 n) {
                if (n == table.rows)
                    told.append(table.name);
            });
        QCOMPARE(there.letters, 5);
        QCOMPARE(there.voided, 1);
        QCOMPARE(told.size(), LedgerSchema::tables().size()); // every table, empty ones too
        const QString last = newFile();
        const LedgerCopy::Result back = LedgerCopy::copy(server, last);
        QCOMPARE(back.logEntries, there.logEntries);

        const auto a = LedgerStore::open(first);
        const auto s = LedgerStore::open(server);
        const auto b = LedgerStore::open(last);
        for (const LedgerStore *ledger : {a.get(), s.get(), b.get()}) {
            const LedgerStore::Verification check = ledger->verify();
            QVERIFY2(check.ok, qPrintable(ledger->shownName() + check.problem));
            QCOMPARE(check.entries, there.logEntries);
        }
        QCOMPARE(everything(*s), everything(*a));
        QCOMPARE(everything(*b), everything(*a));

        // The register, as a reviewer reads it, the same from each of the three.
        QStringList registers;
        for (const QString &ledger : {first, server, last}) {
            const QString out = m_dir.filePath(QStringLiteral("r%1.xlsx").arg(++m_names));
            const BatchProcessRun run =
                batch({QStringLiteral("register"), QStringLiteral("--ledger"), ledger,
                       QStringLiteral("--out"), out});
            QVERIFY2(run.status == 0, qPrintable(run.err));
            registers.append(cellsOf(out));
        }
        QVERIFY(registers[0].contains(QStringLiteral("HZ2026-0001")));
        QCOMPARE(registers[1], registers[0]);
        QCOMPARE(registers[2], registers[0]);

        // The server's ids go on after the copied ones: later writes work and still check.
        QList<SentPage> pages = ledgerPages(7, 1);
        s->recordRun(ledgerRun(), pages);
        s->setParties({QStringLiteral("杭州被审计有限公司"), {QStringLiteral("新关联方")}});
        s->checkAddress({QStringLiteral("HZ2026-0007"), QStringLiteral("李四"),
                         QStringLiteral("官网"), QDate(2027, 2, 1), QString()});
        QCOMPARE(s->letter(QStringLiteral("HZ2026-0007"))->id, a->letters().constLast().id + 1);
        QCOMPARE(s->runs().constLast().id, a->runs().constLast().id + 1);
        QVERIFY2(s->verify().ok, qPrintable(s->verify().problem));
    }

    void fileToFileAndServerToServer()
    {
        const QString source = filledFile();
        const QString copy = newFile();
        LedgerCopy::copy(source, copy);
        const QString one = m_cluster.adminAddress(newName());
        const QString two = m_cluster.adminAddress(newName());
        LedgerCopy::copy(copy, one);
        LedgerCopy::copy(one, two);
        QCOMPARE(everything(*LedgerStore::open(two)), everything(*LedgerStore::open(source)));
    }

    void anOlderFileIsBroughtUpToDateFirst()
    {
        // A ledger of the first version, its later columns added at the ends of its tables:
        // the copy goes by the columns' names, not their places.
        const QString old = newFile();
        QVERIFY(QFile::copy(
            qEnvironmentVariable("TESTS_DATA_DIR") + QStringLiteral("/ledger-v1.rvledger"), old));
        QFile::setPermissions(old, QFile::ReadOwner | QFile::WriteOwner);
        const QString server = m_cluster.adminAddress(newName());
        LedgerCopy::copy(old, server);
        const auto source = LedgerStore::open(old);
        QCOMPARE(source->schemaVersion(), LedgerSchema::Current);
        QCOMPARE(source->log().constLast().action, QStringLiteral("升级"));
        const auto copy = LedgerStore::open(server);
        QCOMPARE(everything(*copy), everything(*source));
        QCOMPARE(copy->letter(QStringLiteral("HZ2026-0001"))->value(LetterField::ReplyAmount),
                 QStringLiteral("1234567.89"));
        QVERIFY2(copy->verify().ok, qPrintable(copy->verify().problem));
    }

    void refusalsLeaveNothing_data()
    {
        QTest::addColumn<QString>("from"); // "filled" for a ledger with everything in it
        QTest::addColumn<QString>("to");   // "file", "server" for new ones, or given
        QTest::addColumn<QString>("message");
        QTest::newRow("the file exists") << "filled"
                                         << "existing"
                                         << "已存在，未作改动";
        QTest::newRow("the engagement exists") << "filled"
                                               << "existing engagement"
                                               << "已存在，未作改动；请另起项目名称";
        QTest::newRow("no such file") << "missing"
                                      << "server"
                                      << "找不到函证台账";
        QTest::newRow("not a ledger") << "text"
                                      << "file"
                                      << "不是函证台账文件";
        QTest::newRow("another program's database") << "sqlite"
                                                    << "server"
                                                    << "不是函证台账文件";
        QTest::newRow("no such engagement") << "missing engagement"
                                            << "file"
                                            << "不存在";
        QTest::newRow("changed outside the program") << "tampered"
                                                     << "server"
                                                     << "未通过核对，没有复制";
        QTest::newRow("no engagement named") << "filled"
                                             << "unnamed"
                                             << "没有指明新项目的名称";
    }
    void refusalsLeaveNothing()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, message);
        QString source = from == QLatin1String("missing") ? newFile() : filledFile();
        if (from == QLatin1String("text") || from == QLatin1String("sqlite")) {
            source = newFile();
            if (from == QLatin1String("text")) {
                QFile text(source);
                QVERIFY(text.open(QIODevice::WriteOnly));
                text.write("函证编号,金额\n");
            } else {
                QSqlDatabase db =
                    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
                db.setDatabaseName(source);
                QVERIFY(db.open());
                QVERIFY(QSqlQuery(db).exec(QStringLiteral("CREATE TABLE meta (key, value)")));
                db.close();
                db = QSqlDatabase();
                QSqlDatabase::removeDatabase(QStringLiteral("other"));
            }
        } else if (from == QLatin1String("missing engagement")) {
            source = m_cluster.adminAddress(QStringLiteral("没有这个项目"));
        } else if (from == QLatin1String("tampered")) {
            tamper(source, {QStringLiteral("UPDATE letters SET customer = '别家' WHERE id = 2")});
        }
        QString target =
            to == QLatin1String("server") ? m_cluster.adminAddress(newName()) : newFile();
        QByteArray before;
        if (to == QLatin1String("existing")) {
            LedgerStore::create(target, QStringLiteral("已有"));
            QFile existing(target);
            QVERIFY(existing.open(QIODevice::ReadOnly));
            before = existing.readAll();
        } else if (to == QLatin1String("existing engagement")) {
            target = m_cluster.adminAddress(newName());
            LedgerStore::create(target, LedgerLocation::parse(target).engagement);
        } else if (to == QLatin1String("unnamed")) {
            target = m_cluster.adminAddress();
        }
        const QString state = serverState();
        const QString error = messageOf([&] { LedgerCopy::copy(source, target); });
        QVERIFY2(error.contains(message), qPrintable(error));
        QCOMPARE(serverState(), state);
        QVERIFY(!QFile::exists(target + QStringLiteral(".part")));
        if (to == QLatin1String("existing")) {
            QFile existing(target);
            QVERIFY(existing.open(QIODevice::ReadOnly));
            QCOMPARE(existing.readAll(), before);
        } else if (to == QLatin1String("file")) {
            QVERIFY(!QFile::exists(target));
        }
    }

    void aCopyFailingOnTheServerLeavesNoEngagement()
    {
        // The schema the engagement would get is taken already: the copy fails after its row
        // is written, which must go with it.
        QVERIFY(m_cluster.psql(QStringLiteral("SELECT last_value + 1 FROM "
                                              "public.rv_engagements_id_seq")));
        const QString schema = QStringLiteral("rv_e") + m_cluster.lastOutput();
        QVERIFY(m_cluster.psql(QStringLiteral("CREATE SCHEMA %1").arg(schema)));
        const QString state = serverState();
        const QString name = newName();
        const QString error =
            messageOf([&] { LedgerCopy::copy(filledFile(), m_cluster.adminAddress(name)); });
        QVERIFY2(error.contains(QStringLiteral("失败")), qPrintable(error));
        QCOMPARE(serverState(), state);
        QVERIFY(m_cluster.psql(QStringLiteral("DROP SCHEMA %1").arg(schema)));
    }

    void batchCopiesOverVerifiedTls()
    {
        const QString source = filledFile();
        const QString name = newName();
        const QString target = tlsAddress(name);
        qputenv("PGPASSWORD", kTlsPassword.toUtf8());
        const BatchProcessRun run =
            batch({QStringLiteral("ledger"), QStringLiteral("copy"), source, target});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QVERIFY2(run.out.contains(QStringLiteral("已复制询证函：6 行\n")), qPrintable(run.out));
        QVERIFY(run.out.contains(QStringLiteral("已复制操作记录：")));
        QVERIFY2(run.out.contains(QStringLiteral("5 封询证函（另有 1 封已作废）")),
                 qPrintable(run.out));
        QVERIFY(run.out.contains(QStringLiteral("项目“%1”").arg(name)));
        QCOMPARE(run.out.count(u'\n'), LedgerSchema::tables().size() + 1);

        const BatchProcessRun verified =
            batch({QStringLiteral("ledger"), QStringLiteral("verify"), target});
        QVERIFY2(verified.status == 0, qPrintable(verified.err));
        // Again to the same engagement: refused, exit status 1, one line saying why.
        const BatchProcessRun again =
            batch({QStringLiteral("ledger"), QStringLiteral("copy"), source, target});
        QCOMPARE(again.status, 1);
        QVERIFY2(again.err.contains(QStringLiteral("已存在，未作改动")), qPrintable(again.err));
        const BatchProcessRun usage =
            batch({QStringLiteral("ledger"), QStringLiteral("copy"), source});
        QCOMPARE(usage.status, 2);
        qunsetenv("PGPASSWORD");
    }

    void tlsChecksTheServer_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("query");   // after the engagement; null for verify-full
        QTest::addColumn<QString>("message"); // empty when it opens
        const QString other =
            QStringLiteral("&sslmode=verify-full&sslrootcert=") +
            QString::fromLatin1(QUrl::toPercentEncoding(m_tls.otherCaCertificate()));
        QTest::newRow("the CA that signed it") << "localhost" << QString() << QString();
        QTest::newRow("another CA") << "localhost" << other << "服务器证书未通过验证";
        QTest::newRow("a name the certificate lacks")
            << "127.0.0.1" << QString() << "服务器证书上的名称与地址中的服务器“127.0.0.1”不符";
        QTest::newRow("no CA file") << "localhost"
                                    << "&sslmode=verify-full&sslrootcert=%2Fno%2Fsuch%2Fca.crt"
                                    << "找不到用来验证服务器证书的根证书文件“/no/such/ca.crt”";
        QTest::newRow("unencrypted") << "127.0.0.1"
                                     << "&sslmode=disable"
                                     << "服务器只接受用户 centre-admin 的加密连接";
        QTest::newRow("a wrong password") << "localhost"
                                          << "password"
                                          << "用户 centre-admin 的密码不对";
    }
    void tlsChecksTheServer()
    {
        QFETCH(QString, host);
        QFETCH(QString, query);
        QFETCH(QString, message);
        const QString name = newName();
        LedgerStore::create(m_cluster.adminAddress(name), name);
        const bool wrongPassword = query == QLatin1String("password");
        const LedgerLocation location =
            LedgerLocation::parse(tlsAddress(name, host, wrongPassword ? QString() : query));
        const QString password = wrongPassword ? QStringLiteral("wrong") : kTlsPassword;
        if (message.isEmpty()) {
            const auto ledger = LedgerStore::openOnServer(location, password);
            QCOMPARE(ledger->engagement(), name);
            QVERIFY(ledger->verify().ok);
            return;
        }
        const QString error = messageOf([&] { LedgerStore::openOnServer(location, password); });
        QVERIFY2(error.startsWith(QStringLiteral("无法连接函证中心 %1:%2/rvcentre 的项目“%3”：")
                                      .arg(host)
                                      .arg(m_cluster.port())
                                      .arg(name)),
                 qPrintable(error));
        QVERIFY2(error.contains(message), qPrintable(error));
        // Not taken for a connection lost mid-way.
        QVERIFY(!error.contains(QStringLiteral("中断")));
    }
};

QTEST_GUILESS_MAIN(TestLedgerCopy)
#include "test_ledger_copy.moc"

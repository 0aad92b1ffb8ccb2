// The desktop on the confirmation centre's server: 连接函证中心… with a real server, the
// password asked only when the server wants one and never written to the settings, the
// engagement opened as the ledger in use, another program's changes shown as they come.
#include "app/Application.h"
#include "app/CentreConnectDialog.h"
#include "app/LedgerFiles.h"
#include "app/LedgerWindow.h"
#include "app/Tfrmmain.h"
#include "control/CentreConnection.h"
#include "ledger/CentreRefusal.h"
#include "ledger/LedgerServer.h"
#include "ledger/LedgerStore.h"
#include "support/BatchProcess.h"
#include "support/FakePrompts.h"
#include "support/LedgerFixtures.h"
#include "support/PgCluster.h"
#include "support/TestCentre.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <clocale>
#include <locale.h>

class TestCentreWindow : public QObject
{
    Q_OBJECT

private:
    PgCluster m_cluster;

    // The dialog filled in for 'user' on the test's server, over TCP (where a password is
    // asked for).
    void fillIn(CentreConnectDialog &dialog, const QString &user)
    {
        dialog.edtHost->setText(QStringLiteral("127.0.0.1"));
        dialog.spnPort->setValue(m_cluster.port());
        dialog.edtDatabase->setText(m_cluster.database());
        dialog.edtUser->setText(user);
        dialog.cbbSslMode->setCurrentText(QStringLiteral("disable"));
    }
    QStringList listed(const CentreConnectDialog &dialog)
    {
        QStringList names;
        for (int row = 0; row < dialog.lstEngagements->count(); ++row)
            names.append(dialog.lstEngagements->item(row)->text());
        return names;
    }

private slots:
    void initTestCase()
    {
        if (const QString why = PgCluster::missing(); !why.isEmpty())
            QSKIP(qPrintable(why));
        qunsetenv("PGPASSWORD");
        qunsetenv("PGPASSFILE");
        const QString notReady = startCentre(m_cluster);
        QVERIFY2(notReady.isEmpty(), qPrintable(notReady));
        for (const QString &name : {QStringLiteral("年报2026"), QStringLiteral("半年报2026")})
            LedgerStore::create(m_cluster.adminAddress(name), name);
        // One who may open everything, one who may open nothing.
        QVERIFY(m_cluster.psql(
            QStringLiteral("CREATE ROLE alice LOGIN SUPERUSER PASSWORD 'alice-pw'")));
        QVERIFY(m_cluster.addUser(QStringLiteral("bob"), QStringLiteral("bob-pw")));
    }

    // Asked for a password only when the server wants one, again when it is wrong; the
    // engagements listed, one opened as the ledger in use, the address remembered without
    // the password.
    void anEngagementIsOpenedFromTheCentre()
    {
        FakePrompts prompts;
        Tfrmmain window;
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<CentreConnectDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QVERIFY(!dialog->edtPassword->isVisibleTo(dialog));
            fillIn(*dialog, QStringLiteral("alice"));
            dialog->btnConnect->click();
            QVERIFY(dialog->edtPassword->isVisibleTo(dialog));
            QCOMPARE(dialog->lblMessage->text(),
                     QStringLiteral("函证中心要求输入密码：请填写密码，再点击“连接”。"));
            dialog->edtPassword->setText(QStringLiteral("wrong"));
            dialog->btnConnect->click();
            QCOMPARE(dialog->lblMessage->text(),
                     QStringLiteral("密码不正确：请重新输入密码，再点击“连接”。"));
            QVERIFY(listed(*dialog).isEmpty());
            dialog->edtPassword->setText(QStringLiteral("alice-pw"));
            dialog->btnConnect->click();
            QCOMPARE(listed(*dialog),
                     (QStringList{QStringLiteral("半年报2026"), QStringLiteral("年报2026")}));
            dialog->lstEngagements->setCurrentRow(1);
            QTest::keyClick(dialog->lstEngagements, Qt::Key_Return);
        });
        window.mniConnectCentre->trigger();
        QVERIFY2(prompts.errors().isEmpty(), qPrintable(prompts.errors().join('\n')));
        QVERIFY(window.ledger());
        QVERIFY(window.ledger()->onServer());
        QCOMPARE(window.ledger()->engagement(), QStringLiteral("年报2026"));
        const QString shown = QStringLiteral("函证中心 127.0.0.1:%1/%2 的项目“年报2026”")
                                  .arg(m_cluster.port())
                                  .arg(m_cluster.database());
        QCOMPARE(window.statLedger->text(),
                 QStringLiteral("函证台账：%1（0 封询证函）").arg(shown));
        window.mniLedger->trigger();
        auto *ledgerWindow = window.findChild<LedgerWindow *>();
        QVERIFY(ledgerWindow);
        QCOMPARE(ledgerWindow->windowTitle(),
                 QStringLiteral("函证台账 — 年报2026（%1）").arg(shown));

        // The address is kept for the next start, the password nowhere on disk.
        QSettings settings;
        settings.sync();
        const QString address = CentreConnection::lastAddress();
        QVERIFY(address.startsWith(QStringLiteral("postgresql://alice@127.0.0.1:")));
        QFile file(settings.fileName());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray written = file.readAll();
        QVERIFY(written.contains("alice@127.0.0.1"));
        QVERIFY(!written.contains("alice-pw"));
        const CentreFields offered = CentreConnection::initialFields();
        QCOMPARE(offered.host, QStringLiteral("127.0.0.1"));
        QCOMPARE(offered.port, m_cluster.port());
        QCOMPARE(offered.user, QStringLiteral("alice"));
        QCOMPARE(offered.sslMode, QStringLiteral("disable"));

        // A change another program makes shows in the window and the status bar, as it comes;
        // the letter the user chose stays chosen.
        auto other = LedgerStore::open(m_cluster.adminAddress(QStringLiteral("年报2026")));
        other->recordRun(ledgerRun(), ledgerPages(1, 2));
        QTRY_COMPARE_WITH_TIMEOUT(ledgerWindow->tblLetters->model()->rowCount(), 2, 2000);
        ledgerWindow->tblLetters->selectRow(1);
        other->recordRun(ledgerRun(), ledgerPages(3, 1));
        QTRY_COMPARE_WITH_TIMEOUT(window.statLedger->text(),
                                  QStringLiteral("函证台账：%1（3 封询证函）").arg(shown), 2000);
        QTRY_COMPARE_WITH_TIMEOUT(ledgerWindow->tblLetters->model()->rowCount(), 3, 2000);
        QCOMPARE(ledgerWindow->tblLetters->currentIndex().row(), 1);
        QCOMPARE(ledgerWindow->tblLetters->selectionModel()->selectedRows().size(), 1);

        // At the next start the engagement opens again with the password of the session,
        // without asking.
        Tfrmmain next;
        next.openLedgerAtStart(QString());
        QVERIFY(next.ledger());
        QCOMPARE(next.ledger()->engagement(), QStringLiteral("年报2026"));
        QVERIFY(prompts.errors().isEmpty());
    }

    // The list and the password belong to the server they were given for: another port or
    // user forgets both, another database the list only.
    void anotherServerForgetsTheListAndThePassword()
    {
        FakePrompts prompts;
        CentreConnectDialog dialog(nullptr);
        fillIn(dialog, QStringLiteral("alice"));
        const auto listedWithPassword = [&] {
            dialog.edtPassword->setText(QStringLiteral("alice-pw"));
            dialog.btnConnect->click();
            QCOMPARE(listed(dialog).size(), 2);
            QVERIFY(dialog.btnOpen->isEnabled());
        };
        listedWithPassword();
        dialog.spnPort->setFocus();
        QTest::keyClick(dialog.spnPort, Qt::Key_Up);
        QVERIFY(listed(dialog).isEmpty());
        QVERIFY(!dialog.btnOpen->isEnabled());
        QCOMPARE(dialog.edtPassword->text(), QString());

        dialog.spnPort->setValue(m_cluster.port());
        listedWithPassword();
        QTest::keyClicks(dialog.edtUser, QStringLiteral("x"));
        QVERIFY(listed(dialog).isEmpty());
        QCOMPARE(dialog.edtPassword->text(), QString());

        dialog.edtUser->setText(QStringLiteral("alice"));
        listedWithPassword();
        QTest::keyClicks(dialog.edtDatabase, QStringLiteral("2"));
        QVERIFY(listed(dialog).isEmpty());
        QCOMPARE(dialog.edtPassword->text(), QStringLiteral("alice-pw"));
        QVERIFY(prompts.errors().isEmpty());
    }

    // Work whose end the user's role may not record is refused before the user does it:
    // no items filled in, no reason written, only to be refused on saving.
    void workTheRoleMayNotRecordIsRefusedBeforeItStarts()
    {
        const QString engagement = QStringLiteral("角色2026");
        LedgerStore::create(m_cluster.adminAddress(engagement), engagement)
            ->recordRun(ledgerRun(), ledgerPages(1, 2));
        QVERIFY(m_cluster.addUser(QStringLiteral("carl"), QStringLiteral("carl-pw"),
                                  {QStringLiteral("rv_clerk")}));
        qputenv("PGPASSWORD", "carl-pw");
        const auto forget = qScopeGuard([] { qunsetenv("PGPASSWORD"); });
        FakePrompts prompts;
        Tfrmmain window;
        window.openLedger(m_cluster.userAddress(QStringLiteral("carl"), engagement));
        QVERIFY2(prompts.errors().isEmpty(), qPrintable(prompts.errors().join('\n')));
        window.mniLedger->trigger();
        auto *ledger = window.findChild<LedgerWindow *>();
        QVERIFY(ledger);
        ledger->tblLetters->selectRow(0);
        // A dialog that opens all the same is closed, so that the test goes on to fail.
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [] {
            if (QWidget *dialog = QApplication::activeModalWidget())
                dialog->close();
        });
        closer.start(200);
        ledger->btnReconcile->click();
        ledger->btnVoid->click();
        const QString needed = QStringLiteral("这项修改需要“项目组”角色；用户 carl 在函证中心"
                                              "没有这一角色，未作改动.");
        QCOMPARE(prompts.errors(), (QStringList{needed, needed}));
    }

    // At start the engagement last opened is opened again without a question: where the
    // server wants a password not given this session, the status bar says so, and the
    // address is kept for the next start.
    void atStartAPasswordIsNeverAsked()
    {
        QVERIFY(m_cluster.psql(
            QStringLiteral("CREATE ROLE carol LOGIN SUPERUSER PASSWORD 'carol-pw'")));
        FakePrompts prompts;
        const QString address = QStringLiteral("postgresql://carol@127.0.0.1:%1/%2?engagement=%3")
                                    .arg(m_cluster.port())
                                    .arg(m_cluster.database(), QStringLiteral("年报2026"));
        LedgerFiles::remember(address);
        Tfrmmain window;
        window.openLedgerAtStart(QString());
        QVERIFY(!window.ledger());
        QVERIFY(prompts.shown.isEmpty());
        QVERIFY2(window.stat1->currentMessage().contains(
                     QStringLiteral("的密码：请写在 ~/.pgpass 中，或在连接时输入")),
                 qPrintable(window.stat1->currentMessage()));
        QCOMPARE(LedgerFiles::last(), address);
    }

    // libpq's words for a connection refused, as the dialog tells them apart: a password to
    // ask for, the rest said in the error box.
    void refusalsAreToldApart_data()
    {
        QTest::addColumn<QString>("said");
        QTest::addColumn<int>("kind");
        using Kind = CentreRefusal::Kind;
        QTest::newRow("no password")
            << "connection to server at \"127.0.0.1\", port 5432 failed: fe_sendauth: no "
               "password supplied"
            << int(Kind::Password);
        QTest::newRow("wrong password")
            << "connection to server at \"127.0.0.1\", port 5432 failed: FATAL:  password "
               "authentication failed for user \"alice\""
            << int(Kind::Password);
        QTest::newRow("wrong password after a try with TLS")
            << "connection to server at \"db\", port 5432 failed: SSL off; FATAL:  password "
               "authentication failed for user \"alice\""
            << int(Kind::Password);
        QTest::newRow("TLS required")
            << "connection to server at \"db\", port 5432 failed: server does not support SSL, "
               "but SSL was required"
            << int(Kind::Tls);
        QTest::newRow("certificate")
            << "connection to server at \"db\", port 5432 failed: SSL error: certificate verify "
               "failed"
            << int(Kind::Tls);
        QTest::newRow("no database")
            << "connection to server at \"db\", port 5432 failed: FATAL:  database \"x\" does "
               "not exist"
            << int(Kind::NoDatabase);
        QTest::newRow("no user")
            << "connection to server at \"db\", port 5432 failed: FATAL:  role \"carol\" does "
               "not exist"
            << int(Kind::NoUser);
        QTest::newRow("refused")
            << "connection to server at \"127.0.0.1\", port 1 failed: Connection refused\n\tIs "
               "the server running on that host and accepting TCP/IP connections?"
            << int(Kind::Unreachable);
        QTest::newRow("unknown host")
            << "could not translate host name \"nowhere.example\" to address: Name or service "
               "not known"
            << int(Kind::Unreachable);
        // A server set up on a Chinese system answers in Chinese; the system's own words
        // follow the desktop's language.
        QTest::newRow("wrong password, a Chinese server")
            << "connection to server at \"db\", port 5432 failed: 致命错误:  用户 \"alice\" "
               "Password 认证失败"
            << int(Kind::Password);
        QTest::newRow("no database, a Chinese server")
            << "connection to server at \"db\", port 5432 failed: 致命错误:  数据库 \"x\" 不存在"
            << int(Kind::NoDatabase);
        QTest::newRow("no user, a Chinese server")
            << "connection to server at \"db\", port 5432 failed: 致命错误:  角色 \"carol\" 不存在"
            << int(Kind::NoUser);
        QTest::newRow("starting, a Chinese server")
            << "connection to server at \"db\", port 5432 failed: 致命错误:  数据库系统启动中"
            << int(Kind::Unreachable);
        QTest::newRow("refused, a Chinese desktop")
            << "connection to server at \"127.0.0.1\", port 1 failed: 拒绝连接\n\tIs the "
               "server running on that host and accepting TCP/IP connections?"
            << int(Kind::Unreachable);
    }
    void refusalsAreToldApart()
    {
        QFETCH(QString, said);
        QFETCH(int, kind);
        QCOMPARE(int(CentreRefusal::kindOf(said)), kind);
    }

    // The fields as the address keeps them, and the one missing or wrong named.
    // On a Chinese desktop libpq would word its part in Chinese: kept English, the refusal is
    // still told in the user's words.
    void aChineseDesktopIsToldWhyToo()
    {
        if (!QFile::exists(QStringLiteral("/usr/share/locale/zh_CN/LC_MESSAGES/libpq5-15.mo")))
            QSKIP("libpq has no Chinese messages here");
        if (locale_t chinese = newlocale(LC_ALL_MASK, "zh_CN.UTF-8", locale_t(nullptr)))
            freelocale(chinese);
        else
            QSKIP("the system has no zh_CN.UTF-8 locale");
        // The program's own doing, not inherited from this test's connections.
        qunsetenv("PGLOCALEDIR");
        const auto toldWhy = [](const QString &address) {
            return batch({QStringLiteral("ledger"), QStringLiteral("info"), address}).err;
        };
        // libpq's own words: a name it cannot look up.
        const QString noHost = toldWhy(
            QStringLiteral("postgresql://alice@no-such-host.invalid/rvcentre?engagement=x"));
        QVERIFY2(noHost.contains(QStringLiteral("找不到服务器“no-such-host.invalid”")),
                 qPrintable(noHost));
        // The system's words: a port where no server listens.
        const QString noAnswer =
            toldWhy(QStringLiteral("postgresql://alice@127.0.0.1:1/rvcentre?engagement=x"));
        QVERIFY2(noAnswer.contains(QStringLiteral("服务器没有应答：请检查服务器名称和端口")),
                 qPrintable(noAnswer));
    }

    void theFieldsMakeTheAddress_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("sslMode");
        QTest::addColumn<QString>("rootCert");
        QTest::addColumn<QString>("expected"); // the address, or the message
        QTest::newRow("plain") << "centre.example.com"
                               << "rvcentre"
                               << "prefer" << QString()
                               << "postgresql://alice@centre.example.com:6432/"
                                  "rvcentre?engagement=%E5%B9%B4%E6%8A%A5&sslmode=prefer";
        QTest::newRow("checked TLS")
            << "centre.example.com"
            << "rvcentre"
            << "verify-full"
            << "/etc/ca folder/ca.crt"
            << "postgresql://alice@centre.example.com:6432/rvcentre?engagement=%E5%B9%B4%E6%8A%A5&"
               "sslmode=verify-full&sslrootcert=%2Fetc%2Fca%20folder%2Fca.crt";
        QTest::newRow("no server") << "  "
                                   << "rvcentre"
                                   << "prefer" << QString() << QStringLiteral("请填写服务器");
        QTest::newRow("no database") << "centre.example.com"
                                     << ""
                                     << "prefer" << QString() << QStringLiteral("请填写数据库");
        QTest::newRow("checked TLS without a CA")
            << "centre.example.com"
            << "rvcentre"
            << "verify-ca" << QString()
            << QStringLiteral("加密方式 verify-ca 要核对服务器的证书：请选择根证书文件");
    }
    void theFieldsMakeTheAddress()
    {
        QFETCH(QString, host);
        QFETCH(QString, database);
        QFETCH(QString, sslMode);
        QFETCH(QString, rootCert);
        QFETCH(QString, expected);
        CentreFields fields{host, 6432, database, QStringLiteral("alice"), sslMode, rootCert};
        QString got;
        try {
            const LedgerLocation location =
                CentreConnection::locationOf(fields, QStringLiteral("年报"));
            got = location.text();
            const CentreFields back = CentreConnection::fieldsOf(LedgerLocation::parse(got));
            QCOMPARE(back.host, fields.host);
            QCOMPARE(back.port, fields.port);
            QCOMPARE(back.sslMode, fields.sslMode);
            QCOMPARE(back.rootCert, fields.rootCert);
        } catch (const Exception &error) {
            got = error.message();
        }
        QCOMPARE(got, expected);
    }

    // What the dialog says of a server it cannot use, in the one error box.
    void theCentreSaysWhyItCannotBeUsed_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("database");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("sslMode");
        QTest::addColumn<QString>("said");
        QTest::newRow("nothing to open") << "bob"
                                         << "bob-pw" << QString() << 0 << "disable"
                                         << QStringLiteral("您在此函证中心没有可以打开的项目");
        QTest::newRow("no such database")
            << "alice"
            << "alice-pw"
            << "nodb" << 0 << "disable" << QStringLiteral("服务器上没有数据库 nodb");
        QTest::newRow("no server there")
            << "alice"
            << "alice-pw" << QString() << 1 << "disable" << QStringLiteral("服务器没有应答");
        QTest::newRow("TLS required where the server has none")
            << "alice"
            << "alice-pw" << QString() << 0 << "require" << QStringLiteral("服务器不接受加密连接");
    }
    void theCentreSaysWhyItCannotBeUsed()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, database);
        QFETCH(int, port);
        QFETCH(QString, sslMode);
        QFETCH(QString, said);
        FakePrompts prompts;
        CentreConnectDialog dialog(nullptr);
        fillIn(dialog, user);
        if (!database.isEmpty())
            dialog.edtDatabase->setText(database);
        if (port > 0)
            dialog.spnPort->setValue(port);
        dialog.cbbSslMode->setCurrentText(sslMode);
        dialog.edtPassword->setText(password);
        dialog.btnConnect->click();
        QCOMPARE(prompts.errors().size(), 1);
        QVERIFY2(prompts.errors().first().contains(said), qPrintable(prompts.errors().first()));
        QVERIFY(listed(dialog).isEmpty());
        QVERIFY(!dialog.btnOpen->isEnabled());
    }
};

int main(int argc, char *argv[])
{
    Application app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    app.setQuitOnLastWindowClosed(false);
    TestCentreWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_centre_window.moc"

// The send window as the user works it, through its components' names, against a real SMTP
// server: the letters listed, sent with their results shown, a refused one sent again, and a
// self-signed certificate trusted by its key once the user accepts it.

#include "app/LedgerWindow.h"
#include "app/MailWindow.h"
#include "control/MailSettings.h"
#include "platform/FontSetup.h"
#include "support/FakePrompts.h"
#include "support/MailReadBack.h"
#include "support/MailedLedger.h"
#include "support/SmtpTestServer.h"

#include <QApplication>
#include <QComboBox>
#include <QJsonArray>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

namespace {

void useServer(const SmtpTestServer &server, MailSettings::Security security,
               const QString &acceptedKey = {})
{
    MailSettings settings = MailSettings::load();
    settings.server = QStringLiteral("127.0.0.1");
    settings.port = server.port();
    settings.security = security;
    settings.user.clear();
    settings.senderAddress = QStringLiteral("audit@firm.example.cn");
    settings.acceptedKey = acceptedKey;
    settings.save();
}

template <typename T> T *part(QWidget &window, const char *name)
{
    T *found = window.findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no %s", name);
    return found;
}

QString cell(QWidget &window, int row, int column)
{
    const QTableWidgetItem *item = part<QTableWidget>(window, "tblMail")->item(row, column);
    return item ? item->text() : QString();
}

int received(const QString &box)
{
    return int(envelopes(box).size());
}

} // namespace

class TestMailWindow : public QObject
{
    Q_OBJECT
    TestPaths m_paths;
    QString newPath(const QString &stem) { return m_paths.next(stem); }

private slots:
    void initTestCase()
    {
        FontSetup::install();
        if (!SmtpTestServer::available())
            QSKIP("python3-aiosmtpd is not installed (scripts/install-deps.sh installs it)");
    }

    void sendsAndRetriesTheRefused()
    {
        FakePrompts prompts;
        auto ledger = mailedLedger(newPath(QStringLiteral("w.rvledger")), 3, 3);
        // Reached from the ledger window's bottom row.
        LedgerWindow ledgerWindow(nullptr, ledger.get());
        QCOMPARE(part<QPushButton>(ledgerWindow, "btnMail")->text(), QStringLiteral("邮件发送…"));

        MailWindow window(nullptr, *ledger);
        QCOMPARE(window.objectName(), QStringLiteral("frmMail"));
        QCOMPARE(part<QTableWidget>(window, "tblMail")->rowCount(), 2);
        QCOMPARE(cell(window, 0, 0), numberOf(1));
        QCOMPARE(cell(window, 1, 2), addressOf(2));
        QVERIFY(part<QLabel>(window, "lblNote")
                    ->text()
                    .contains(QStringLiteral("另有 1 封没有邮箱地址")));

        SmtpTestServer::Options refusing;
        refusing.refuse = addressOf(2);
        const QString box = newPath(QStringLiteral("box"));
        {
            SmtpTestServer server(box, refusing);
            useServer(server, MailSettings::Security::None);
            part<QPushButton>(window, "btnSend")->click();
        }
        QCOMPARE(received(box), 1);
        QVERIFY(cell(window, 0, 4).startsWith(QStringLiteral("已发送：250")));
        QVERIFY2(cell(window, 1, 4).startsWith(QStringLiteral("发送失败：邮件服务器拒绝收件人")),
                 qPrintable(cell(window, 1, 4)));
        QVERIFY(prompts.errors().isEmpty());
        QCOMPARE(prompts.shown.constLast().kind, QStringLiteral("inform"));
        QVERIFY(prompts.shown.constLast().text.contains(numberOf(2)));
        QPushButton *retry = part<QPushButton>(window, "btnRetry");
        QVERIFY(retry->isEnabled());

        const QString again = newPath(QStringLiteral("box"));
        SmtpTestServer server(again, {});
        useServer(server, MailSettings::Security::None);
        retry->click();
        QCOMPARE(received(again), 1);
        QCOMPARE(
            envelopes(again).constFirst().value(QStringLiteral("to")).toArray().at(0).toString(),
            addressOf(2));
        QVERIFY(!retry->isEnabled());
        QCOMPARE(ledger->messages(numberOf(2)).constLast().state, QStringLiteral("已发送"));

        // Reminders: none is due on the day the letters left.
        part<QComboBox>(window, "cbbKind")->setCurrentIndex(1);
        QCOMPARE(part<QTableWidget>(window, "tblMail")->rowCount(), 0);
        QVERIFY(!part<QPushButton>(window, "btnSend")->isEnabled());
    }

    void aCertificateIsTrustedByItsKey()
    {
        FakePrompts prompts;
        prompts.confirmAnswer = true;
        const QString folder = newPath(QStringLiteral("tls"));
        QDir().mkpath(folder);
        QVERIFY(SmtpTestServer::makeCertificate(folder));
        SmtpTestServer::Options options;
        options.mode = QStringLiteral("smtps");
        options.certificate = folder + QStringLiteral("/cert.pem");
        options.key = folder + QStringLiteral("/key.pem");
        const QString box = newPath(QStringLiteral("box"));
        SmtpTestServer server(box, options);
        useServer(server, MailSettings::Security::Tls);
        auto ledger = mailedLedger(newPath(QStringLiteral("t.rvledger")), 3);

        MailWindow window(nullptr, *ledger);
        part<QPushButton>(window, "btnSend")->click();
        // Asked once, with the key, then all three went.
        int asked = 0;
        for (const FakePrompts::Shown &shown : prompts.shown)
            if (shown.kind == QStringLiteral("confirm:信任并发送")) {
                ++asked;
                QVERIFY(shown.text.contains(MailSettings::load().acceptedKey));
            }
        QCOMPARE(asked, 1);
        QVERIFY(MailSettings::load().acceptedKey.startsWith(QStringLiteral("sha256//")));
        QCOMPARE(received(box), 3);
        for (int n = 1; n <= 3; ++n)
            QCOMPARE(ledger->messages(numberOf(n)).constLast().state, QStringLiteral("已发送"));
        // The one refused before the user trusted the key stays recorded as failed.
        QCOMPARE(ledger->messages(numberOf(1)).constFirst().state, QStringLiteral("发送失败"));
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TestMailWindow test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_mail_window.moc"

// Letters and reminders by e-mail from a real ledger file through a real SMTP server
// (aiosmtpd): who gets what, the attachment the very PDF the ledger hashed, no reminder to
// a letter answered, failures recorded as failed and sent again, TLS, and the batch tool's
// send command as a user runs it.

#include "control/LetterRecording.h"
#include "control/MailRun.h"
#include "control/MailTemplate.h"
#include "control/SmtpSender.h"
#include "engine/PdfExport.h"
#include "ledger/LedgerStore.h"
#include "platform/FontSetup.h"
#include "support/MailReadBack.h"
#include "support/MailedLedger.h"
#include "support/MessageOf.h"
#include "support/SmtpTestServer.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QThread>

namespace {

MailSettings plainSettings(const SmtpTestServer &server)
{
    MailSettings settings = MailSettings::load();
    settings.server = QStringLiteral("127.0.0.1");
    settings.port = server.port();
    settings.security = MailSettings::Security::None;
    settings.senderAddress = QStringLiteral("audit@firm.example.cn");
    settings.senderName = QStringLiteral("审计二部");
    return settings;
}

MailRun::Report sendAll(LedgerStore &ledger, const MailSettings &settings, MailRun::Kind kind,
                        const QDate &today = QDate::currentDate())
{
    SmtpSender sender(settings.smtp(QString()));
    return MailRun::send(ledger, sender, settings, kind, MailRun::candidates(ledger, kind, today),
                         today);
}

QStringList numbers(const QList<MailRun::Outcome> &outcomes)
{
    QStringList found;
    for (const MailRun::Outcome &outcome : outcomes)
        found.append(outcome.number);
    return found;
}

QStringList recipients(const QString &folder)
{
    QStringList to;
    for (const QJsonObject &envelope : envelopes(folder))
        for (const QJsonValue &address : envelope.value(QStringLiteral("to")).toArray())
            to.append(address.toString());
    return to;
}

// The server's public key as curl pins it, read with openssl from the certificate.
QString pinOf(const QString &certificate)
{
    QProcess shell;
    shell.start(QStringLiteral("sh"),
                {QStringLiteral("-c"),
                 QStringLiteral("openssl x509 -pubkey -noout -in '%1' | openssl pkey -pubin "
                                "-outform der | openssl dgst -sha256 -binary | base64")
                     .arg(certificate)});
    shell.waitForFinished(30000);
    return QStringLiteral("sha256//") +
           QString::fromLatin1(shell.readAllStandardOutput().trimmed());
}

struct BatchRun
{
    int exitCode = -1;
    QString out, err;
};

BatchRun batch(const QStringList &arguments, const QProcessEnvironment &extra = {})
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(extra);
    process.setProcessEnvironment(env);
    process.start(qEnvironmentVariable("PROGRAM_DIR") + QStringLiteral("/roviradavev-batch"),
                  arguments);
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

class TestMailSend : public QObject
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

    // Each letter goes to its own address with its own PDF, the one the ledger hashed; a
    // letter printed without an address keeps no PDF and is not sent; a letter sent is not
    // sent again, and the ledger says it went by e-mail.
    void lettersGoWithTheirOwnPdf()
    {
        const QString box = newPath(QStringLiteral("box"));
        SmtpTestServer server(box, {});
        QVERIFY(server.port() > 0);
        auto ledger = mailedLedger(newPath(QStringLiteral("l.rvledger")), 4, 3);
        int notSendable = 0;
        const auto due = MailRun::candidates(*ledger, MailRun::Kind::Letters, QDate::currentDate(),
                                             10, {}, &notSendable);
        QCOMPARE(due.size(), 3);
        QCOMPARE(notSendable, 1);

        const MailSettings settings = plainSettings(server);
        const MailRun::Report report = sendAll(*ledger, settings, MailRun::Kind::Letters);
        QCOMPARE(report.sentCount(), 3);
        QVERIFY(report.failed().isEmpty());
        QCOMPARE(recipients(box), (QStringList{addressOf(1), addressOf(2), addressOf(4)}));

        const QList<QJsonObject> received = envelopes(box);
        for (int i = 0; i < received.size(); ++i) {
            const QString number = numberOf(i == 2 ? 4 : i + 1);
            const QJsonObject message =
                readBack(received[i].value(QStringLiteral("file")).toString());
            QCOMPARE(message.value(QStringLiteral("subject")).toString(),
                     QStringLiteral("询证函 %1（华东机械股份有限公司2026年度）").arg(number));
            QVERIFY(
                message.value(QStringLiteral("text"))
                    .toString()
                    .contains(QStringLiteral("第%1贸易有限公司：").arg(number.right(4).toInt())));
            const QJsonArray attached = message.value(QStringLiteral("attachments")).toArray();
            QCOMPARE(attached.size(), 1);
            const QByteArray pdf = QByteArray::fromBase64(
                attached[0].toObject().value(QStringLiteral("data")).toString().toLatin1());
            const LedgerLetter letter = *ledger->letter(number);
            QCOMPARE(pdf, ledger->letterPdf(number));
            QCOMPARE(QCryptographicHash::hash(pdf, QCryptographicHash::Sha256).toHex(),
                     letter.pageSha256);
            QVERIFY(pdf.startsWith("%PDF"));
            QCOMPARE(letter.value(LetterField::SendMethod), QStringLiteral("电子邮件"));
            QCOMPARE(letter.value(LetterField::SendDate),
                     QDate::currentDate().toString(Qt::ISODate));
            const QList<MessageRecord> kept = ledger->messages(number);
            QCOMPARE(kept.size(), 1);
            QCOMPARE(kept[0].state, QStringLiteral("已发送"));
            QCOMPARE(kept[0].messageId, message.value(QStringLiteral("id")).toString());
            QVERIFY(kept[0].serverReply.startsWith(QStringLiteral("250")));
        }
        QVERIFY(
            MailRun::candidates(*ledger, MailRun::Kind::Letters, QDate::currentDate()).isEmpty());
        QVERIFY(ledger->verify().ok);
    }

    // Reminders go to the letters still unanswered after the days set, as text; never to a
    // letter answered, one with a result, or one not yet due.
    // One file a letter: what is kept to send is each file as written, whose hash the
    // ledger records, not the page made again (a PDF says when it was made).
    void aSplitRunKeepsTheFilesItWrote()
    {
        const QString folder = newPath(QStringLiteral("split"));
        QVERIFY(QDir().mkpath(folder));
        const ReportDocument letters = numberedLetters(1, 3);
        const QStringList names{numberOf(1), numberOf(2), numberOf(3)};
        QList<QByteArray> hashes;
        PdfExport::writeEach(letters, folder, names, {}, &hashes);
        QStringList files;
        for (const QString &name : names)
            files.append(QDir(folder).filePath(name + QStringLiteral(".pdf")));
        // A second on, a page made again would say another time and differ.
        QThread::msleep(1100);
        auto ledger = LedgerStore::create(newPath(QStringLiteral("s.rvledger")),
                                          QStringLiteral("华东机械股份有限公司2026年度"));
        LetterRecording::record(
            *ledger, letters, QStringLiteral("应收帐款确认函"), LetterRecording::EachPdf, folder,
            {0, 1, 2}, hashes, {},
            {{{LetterField::Email, addressOf(1)}}, {}, {{LetterField::Email, addressOf(3)}}},
            files);
        // Every letter keeps the file written, to be checked against and to be e-mailed.
        for (int n : {1, 2, 3}) {
            QFile file(files[n - 1]);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray written = file.readAll();
            QCOMPARE(ledger->letterPdf(numberOf(n)), written);
            QCOMPARE(ledger->letter(numberOf(n))->pageSha256, PdfExport::sha256Hex(written));
        }
        QVERIFY(ledger->verify().ok);
    }

    void remindersOnlyToTheUnanswered()
    {
        const QString box = newPath(QStringLiteral("box"));
        SmtpTestServer server(box, {});
        auto ledger = mailedLedger(newPath(QStringLiteral("r.rvledger")), 5);
        const QDate today = QDate::currentDate();
        for (int n = 1; n <= 5; ++n)
            ledger->setValues(
                numberOf(n),
                {{LetterField::SendDate, today.addDays(n == 5 ? -3 : -15).toString(Qt::ISODate)}});
        ReplyPageRecord reply;
        reply.fileSha256 = QByteArray(64, 'a');
        reply.page = 1;
        reply.file = QStringLiteral("/tmp/回函.pdf");
        reply.number = numberOf(1);
        reply.state = QStringLiteral("已匹配");
        reply.received = today;
        ledger->recordReplies({reply});
        ledger->setValues(numberOf(2), {{LetterField::Result, QStringLiteral("相符")}});

        const MailRun::Report report =
            sendAll(*ledger, plainSettings(server), MailRun::Kind::Reminders);
        QCOMPARE(numbers(report.outcomes), (QStringList{numberOf(3), numberOf(4)}));
        QCOMPARE(recipients(box), (QStringList{addressOf(3), addressOf(4)}));
        const QJsonObject message =
            readBack(envelopes(box).constFirst().value(QStringLiteral("file")).toString());
        QCOMPARE(message.value(QStringLiteral("subject")).toString(),
                 QStringLiteral("催询：询证函 %1 尚未收到回函").arg(numberOf(3)));
        QVERIFY2(
            message.value(QStringLiteral("text")).toString().contains(QStringLiteral("已过 15 天")),
            qPrintable(message.value(QStringLiteral("text")).toString()));
        QVERIFY(message.value(QStringLiteral("attachments")).toArray().isEmpty());
        QCOMPARE(ledger->messages(numberOf(3)).constFirst().kind, QStringLiteral("催收"));
        // A reminder leaves the letter's dispatch as it was.
        QCOMPARE(ledger->letter(numberOf(3))->value(LetterField::SendMethod), QString());
        QVERIFY(ledger->messages(numberOf(1)).isEmpty());
        // Limited to the numbers asked for, as the 待催收 list does.
        QCOMPARE(
            MailRun::candidates(*ledger, MailRun::Kind::Reminders, today, 10, {numberOf(4)}).size(),
            1);
    }

    // A server that refuses a recipient or goes away: those letters are recorded as failed,
    // never as sent, the others as sent, the run names them, and the next run sends them.
    void failuresAreRecordedAndSentAgain_data()
    {
        QTest::addColumn<QString>("refuse");
        QTest::addColumn<int>("dropAfter");
        QTest::addColumn<QStringList>("failed");
        QTest::addColumn<QString>("reason");
        QTest::newRow("recipient refused") << addressOf(2) << -1 << QStringList{numberOf(2)}
                                           << QStringLiteral("邮件服务器拒绝收件人");
        QTest::newRow("connection dropped after the data")
            << QString() << 1 << QStringList{numberOf(2), numberOf(3)}
            << QStringLiteral("此邮件未确认发出");
    }
    void failuresAreRecordedAndSentAgain()
    {
        QFETCH(QString, refuse);
        QFETCH(int, dropAfter);
        QFETCH(QStringList, failed);
        QFETCH(QString, reason);
        auto ledger = mailedLedger(newPath(QStringLiteral("f.rvledger")), 3);
        MailRun::Report report;
        {
            SmtpTestServer::Options options;
            options.refuse = refuse;
            options.dropAfter = dropAfter;
            SmtpTestServer server(newPath(QStringLiteral("box")), options);
            report = sendAll(*ledger, plainSettings(server), MailRun::Kind::Letters);
        }
        QCOMPARE(numbers(report.failed()), failed);
        QVERIFY2(report.failed().constFirst().detail.contains(reason),
                 qPrintable(report.failed().constFirst().detail));
        const QString summary = report.summary(MailRun::Kind::Letters);
        for (const QString &number : failed)
            QVERIFY2(summary.contains(number), qPrintable(summary));
        for (int n = 1; n <= 3; ++n) {
            const bool sent = !failed.contains(numberOf(n));
            QCOMPARE(ledger->messages(numberOf(n)).constLast().state,
                     sent ? QStringLiteral("已发送") : QStringLiteral("发送失败"));
            QCOMPARE(ledger->letter(numberOf(n))->value(LetterField::SendMethod),
                     sent ? QStringLiteral("电子邮件") : QString());
        }
        // Tried again on a server that takes them: only the failed ones go.
        const QString box = newPath(QStringLiteral("box"));
        SmtpTestServer again(box, {});
        const MailRun::Report retried =
            sendAll(*ledger, plainSettings(again), MailRun::Kind::Letters);
        QCOMPARE(numbers(retried.outcomes), failed);
        QCOMPARE(retried.sentCount(), failed.size());
        QVERIFY(ledger->verify().ok);
    }

    // A self-signed certificate is refused until the user accepts its key.
    void selfSignedOnlyOnceAccepted_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("security");
        QTest::newRow("smtps") << "smtps" << int(MailSettings::Security::Tls);
        QTest::newRow("starttls") << "starttls" << int(MailSettings::Security::StartTls);
    }
    void selfSignedOnlyOnceAccepted()
    {
        QFETCH(QString, mode);
        QFETCH(int, security);
        const QString folder = newPath(QStringLiteral("tls"));
        QDir().mkpath(folder);
        QVERIFY(SmtpTestServer::makeCertificate(folder));
        SmtpTestServer::Options options;
        options.mode = mode;
        options.certificate = folder + QStringLiteral("/cert.pem");
        options.key = folder + QStringLiteral("/key.pem");
        const QString box = newPath(QStringLiteral("box"));
        SmtpTestServer server(box, options);
        auto ledger = mailedLedger(newPath(QStringLiteral("t.rvledger")), 1);
        MailSettings settings = plainSettings(server);
        settings.security = MailSettings::Security(security);
        const MailRun::Report refused = sendAll(*ledger, settings, MailRun::Kind::Letters);
        QCOMPARE(refused.sentCount(), 0);
        QVERIFY2(refused.failed().constFirst().detail.contains(QStringLiteral("证书无法验证")),
                 qPrintable(refused.failed().constFirst().detail));
        QVERIFY(envelopes(box).isEmpty());
        // The key the server shows is the one the user is asked to accept.
        const QString key = SmtpSender::serverKey(settings.smtp(QString()));
        QCOMPARE(key, pinOf(options.certificate));
        settings.acceptedKey = key;
        QCOMPARE(sendAll(*ledger, settings, MailRun::Kind::Letters).sentCount(), 1);
        QCOMPARE(recipients(box), QStringList{addressOf(1)});
    }

    // The password in a real keyring (gnome-keyring in a session of its own): kept, found
    // by server and user only, forgotten; and the batch tool logs in with it.
    void theSecretStoreKeepsThePassword()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("gnome-keyring-daemon")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("dbus-run-session")).isEmpty())
            QSKIP("gnome-keyring or dbus is not installed (scripts/install-deps.sh installs them)");
        const QString folder = newPath(QStringLiteral("keyring"));
        QDir().mkpath(folder);
        QVERIFY(SmtpTestServer::makeCertificate(folder));
        SmtpTestServer::Options options;
        options.mode = QStringLiteral("starttls");
        options.certificate = folder + QStringLiteral("/cert.pem");
        options.key = folder + QStringLiteral("/key.pem");
        options.user = QStringLiteral("audit");
        options.password = QStringLiteral("口令-secret");
        const QString box = newPath(QStringLiteral("box"));
        SmtpTestServer server(box, options);
        const QString path = newPath(QStringLiteral("k.rvledger"));
        mailedLedger(path, 1);

        const QString probe =
            QCoreApplication::applicationDirPath() + QStringLiteral("/secret_probe");
        const QString batchTool =
            qEnvironmentVariable("PROGRAM_DIR") + QStringLiteral("/roviradavev-batch");
        const QString script =
            QStringLiteral(
                "printf unlock | gnome-keyring-daemon --unlock --components=secrets >/dev/null; "
                "P='%1'; $P store 127.0.0.1 audit '口令-secret'; $P lookup 127.0.0.1 audit; "
                "$P lookup 127.0.0.1 other; $P lookup 10.0.0.1 audit; "
                "'%2' send --ledger '%3' --letters --smtp smtp://127.0.0.1:%4 --user audit "
                "--from audit@firm.example.cn --pin '%5' >/dev/null 2>'%6/batch.err'; echo "
                "batch:$?; "
                "$P clear 127.0.0.1 audit; $P lookup 127.0.0.1 audit; "
                // A server name is the same host in any case, as a URL reads it.
                "$P store ' Mail.Firm.Example.CN' audit other >/dev/null; "
                "$P lookup mail.firm.example.cn audit")
                .arg(probe, batchTool, path)
                .arg(server.port())
                .arg(pinOf(options.certificate), folder);
        QProcess session;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // A keyring of the test's own, never the user's.
        env.insert(QStringLiteral("HOME"), folder);
        env.insert(QStringLiteral("XDG_DATA_HOME"), folder + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder);
        env.remove(QStringLiteral("ROVIRADAVEV_SMTP_PASSWORD"));
        session.setProcessEnvironment(env);
        session.start(QStringLiteral("dbus-run-session"),
                      {QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"), script});
        QVERIFY(session.waitForFinished(120000));
        const QStringList lines = QString::fromUtf8(session.readAllStandardOutput())
                                      .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        if (lines.value(0).startsWith(QStringLiteral("error:")))
            QSKIP(
                qPrintable(QStringLiteral("the keyring could not be unlocked here: ") + lines[0]));
        QFile said(folder + QStringLiteral("/batch.err"));
        said.open(QIODevice::ReadOnly);
        QVERIFY2(lines == (QStringList{QStringLiteral("found:口令-secret"), QStringLiteral("none"),
                                       QStringLiteral("none"), QStringLiteral("batch:0"),
                                       QStringLiteral("none"), QStringLiteral("found:other")}),
                 qPrintable(lines.join(QLatin1Char(' ')) + QLatin1Char('\n') +
                            QString::fromUtf8(said.readAll())));
        QCOMPARE(recipients(box), QStringList{addressOf(1)});
    }

    void templatesFillTheirFields_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("filled");
        QTest::newRow("letter fields") << "{函证编号} {被询证单位} {截止日期} {金额}"
                                       << "HZ-0007 第7贸易有限公司 2026年12月31日 1,000.07";
        QTest::newRow("engagement and further field") << "{审计项目}/{地址}"
                                                      << "华东机械/中山路7号";
        QTest::newRow("unknown and broken stay") << "{未知} {函证编号 {"
                                                 << "{未知} {函证编号 {";
        QTest::newRow("days and sent on") << "{发函日期} {天数}"
                                          << "2027年1月2日 12";
    }
    void templatesFillTheirFields()
    {
        QFETCH(QString, text);
        QFETCH(QString, filled);
        LedgerLetter letter;
        letter.identity =
            LetterRecording::identities(numberedLetters(7, 1), QString()).constFirst();
        letter.values.resize(LedgerStore::fields().size());
        QCOMPARE(MailTemplate::fill(text, MailTemplate::fieldsOf(letter, QStringLiteral("华东机械"),
                                                                 QDate(2027, 1, 2), 12)),
                 filled);
    }

    // The batch tool's send, as a user runs it: exit 0 when all went, 3 when one failed, 2
    // for a command line it cannot take; every message in the ledger.
    void batchSend_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("refuse");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said");
        QTest::newRow("all sent") << QStringList{"--letters"} << QString() << 0
                                  << QStringLiteral("已发送询证函 2 封");
        QTest::newRow("one refused") << QStringList{"--letters"} << addressOf(2) << 3
                                     << QStringLiteral("失败 1 封：HZ-0002（邮件服务器拒绝收件人");
        QTest::newRow("none due to remind")
            << QStringList{"--reminders"} << QString() << 0 << QStringLiteral("已发送催收 0 封");
        QTest::newRow("both kinds") << QStringList{"--letters", "--reminders"} << QString() << 2
                                    << QStringLiteral("--letters 或 --reminders 中的一个");
        QTest::newRow("not smtp") << QStringList{"--letters", "--smtp", "http://127.0.0.1:80"}
                                  << QString() << 2 << QStringLiteral("--smtp 须为");
        QTest::newRow("a server that is not there")
            << QStringList{"--letters", "--smtp", "smtp://mail.invalid:25"} << QString() << 3
            << QStringLiteral("mail.invalid");
        QTest::newRow("no password") << QStringList{"--letters", "--user", "u"} << QString() << 1
                                     << QStringLiteral("ROVIRADAVEV_SMTP_PASSWORD");
    }
    void batchSend()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, refuse);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        const QString path = newPath(QStringLiteral("b.rvledger"));
        mailedLedger(path, 2);
        SmtpTestServer::Options serverOptions;
        serverOptions.refuse = refuse;
        const QString box = newPath(QStringLiteral("box"));
        SmtpTestServer server(box, serverOptions);
        QStringList arguments{QStringLiteral("send"), QStringLiteral("--ledger"), path,
                              QStringLiteral("--from"), QStringLiteral("audit@firm.example.cn")};
        if (!options.contains(QStringLiteral("--smtp")))
            arguments << QStringLiteral("--smtp") << server.url(QStringLiteral("smtp"));
        // No desktop session: the secret store is not there to ask.
        QProcessEnvironment env;
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                   QStringLiteral("unix:path=/nonexistent"));
        const BatchRun run = batch(arguments + options, env);
        QVERIFY2(run.exitCode == exitCode, qPrintable(run.err));
        QVERIFY2((run.out + run.err).contains(said), qPrintable(run.out + run.err));
        if (exitCode == 3 && !refuse.isEmpty()) {
            QVERIFY(run.out.contains(QStringLiteral("HZ-0001\t%1\t已发送").arg(addressOf(1))));
            QVERIFY(run.out.contains(QStringLiteral("HZ-0002\t%1\t发送失败").arg(addressOf(2))));
            QCOMPARE(LedgerStore::open(path)->messages(numberOf(2)).constFirst().state,
                     QStringLiteral("发送失败"));
        }
        if (exitCode == 0 && options == QStringList{QStringLiteral("--letters")})
            QCOMPARE(recipients(box), (QStringList{addressOf(1), addressOf(2)}));
    }
};

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    TestMailSend test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_mail_send.moc"

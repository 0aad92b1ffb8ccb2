// The letters by e-mail: messages built as bytes and read back with Python's email package,
// and sent through a real SMTP server (aiosmtpd) in the clear, over STARTTLS and over TLS,
// with a refused recipient and a server that goes away in the middle of a run.

#include "control/MailMessage.h"
#include "control/SmtpSender.h"
#include "support/MailReadBack.h"
#include "support/MessageOf.h"
#include "support/Python.h"
#include "support/SmtpTestServer.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

namespace {

// Some bytes that look like a PDF and hold every byte value, so a base64 slip shows.
QByteArray pdfBytes(int size, int seed)
{
    QByteArray out("%PDF-1.4\n");
    for (int i = 0; out.size() < size; ++i)
        out += char((i * 7 + seed) & 0xff);
    return out;
}

QString numbered(const QString &pattern, int number)
{
    return pattern.arg(number, 3, 10, QLatin1Char('0'));
}

// Letter 'number' to 'to': subject "应收账款询证函 第001号", attachment "询证函-001.pdf".
MailMessage letter(const QString &to, int number, const QByteArray &pdf)
{
    MailMessage message(QStringLiteral("审计二部"), QStringLiteral("audit@firm.example.cn"));
    message.addTo(QStringLiteral("上海某某有限公司财务部"), to);
    message.setSubject(numbered(QStringLiteral("应收账款询证函 第%1号"), number));
    message.setText(QStringLiteral("您好：\n请核对附件中的询证函。\n.\n..第二段以点开头\n此致"));
    message.addAttachment({numbered(QStringLiteral("询证函-%1.pdf"), number), pdf});
    return message;
}

// A server in 'mode' with the certificate makeCertificate laid in 'folder'.
SmtpTestServer::Options tlsOptions(const QString &mode, const QString &folder)
{
    SmtpTestServer::Options options;
    options.mode = mode;
    options.certificate = folder + QStringLiteral("/cert.pem");
    options.key = folder + QStringLiteral("/key.pem");
    return options;
}

} // namespace

class TestMail : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void messageReadsBack_data();
    void messageReadsBack();
    void dateAndMessageId();
    void invalidAddressRefused_data();
    void invalidAddressRefused();
    void sendsManyOnOneConnection();
    void certificate_data();
    void certificate();
    void startTlsDemanded();
    void login_data();
    void login();
    void refusedRecipientFailsThatMessageOnly();
    void droppedConnectionFailsTheRest();
    void clearTextOnlyOnThisMachine_data();
    void clearTextOnlyOnThisMachine();

private:
    bool m_server = false;
};

void TestMail::initTestCase()
{
    m_server = SmtpTestServer::available();
}

void TestMail::messageReadsBack_data()
{
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("toName");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("ascii") << QStringLiteral("Confirmation of balance 2026")
                           << QStringLiteral("Acme, \"Ltd\"") << QStringLiteral("letter 1.pdf");
    QTest::newRow("long ascii") << QStringLiteral("Confirmation ").repeated(12)
                                << QStringLiteral("A") << QStringLiteral("a.pdf");
    QTest::newRow("chinese") << QStringLiteral("应收账款询证函（截至2026年12月31日）")
                             << QStringLiteral("上海某某有限公司")
                             << QStringLiteral("询证函-0001.pdf");
    QTest::newRow("long chinese")
        << QStringLiteral("关于贵公司与本公司往来款项余额的询证函，请于十日内回复").repeated(4)
        << QStringLiteral("北京市朝阳区某某某某某某某某某某科技发展股份有限公司财务部")
        << QStringLiteral("致北京市朝阳区某某某某某某某某某某科技发展股份有限公司的应收账款询证函第"
                          "0001号.pdf");
    QTest::newRow("beyond the BMP") << QStringLiteral("𠮷野家 😀 询证函 =?UTF-8?B?x?= 末尾")
                                    << QStringLiteral("𠮷田") << QStringLiteral("𠮷.pdf");
    // Too long for the first line, short enough for one word: it must not fold right after
    // "Subject:", which readers show as a leading space.
    QTest::newRow("one word just too long for the first line")
        << QStringLiteral("催询：询证函 HZ-0003 尚未收到回函") << QStringLiteral("甲")
        << QStringLiteral("a.pdf");
    QTest::newRow("ascii like a word") << QStringLiteral("=?UTF-8?B?5Lit?= is not Chinese")
                                       << QStringLiteral("") << QStringLiteral("x.pdf");
}

void TestMail::messageReadsBack()
{
    QFETCH(QString, subject);
    QFETCH(QString, toName);
    QFETCH(QString, fileName);
    MailMessage message(QStringLiteral("审计二部 张三"), QStringLiteral("audit@firm.example.cn"));
    message.addTo(toName, QStringLiteral("finance@customer.example.com"));
    message.addTo(QStringLiteral("李四"), QStringLiteral("li@customer.example.com"));
    message.setSubject(subject);
    const QString text = QStringLiteral("第一行  \n=等号与尾随空格 \n") +
                         QStringLiteral("很长的一行").repeated(30) + QStringLiteral("\n.\n结束");
    message.setText(text);
    const QByteArray pdf = pdfBytes(5000, 3);
    message.addAttachment({fileName, pdf});
    const QByteArray bytes = message.toBytes();

    QVERIFY(!bytes.contains("\r\r"));
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
    QCOMPARE(bytes.count('\r'), bytes.count("\r\n"));
    const qsizetype headerEnd = bytes.indexOf("\r\n\r\n");
    for (const QByteArray &line : bytes.split('\n')) {
        const QByteArray bare = line.chopped(line.endsWith('\r') ? 1 : 0);
        QVERIFY2(bare.size() <= 78, bare.constData());
        static const QRegularExpression word(QStringLiteral("=\\?UTF-8\\?B\\?[^?]*\\?="));
        for (auto match = word.globalMatch(QString::fromLatin1(bare)); match.hasNext();)
            QVERIFY2(match.next().capturedLength() <= 75, bare.constData());
    }
    QVERIFY(bytes.left(headerEnd).contains("\r\nMIME-Version: 1.0\r\n"));

    const QJsonObject read = readBackBytes(bytes);
    QVERIFY(!read.isEmpty());
    QCOMPARE(read[u"defects"].toArray().size(), 0);
    QCOMPARE(read[u"subject"].toString(), subject);
    QCOMPARE(read[u"from"].toArray()[0].toArray()[0].toString(), QStringLiteral("审计二部 张三"));
    const QJsonArray to = read[u"to"].toArray();
    QCOMPARE(to.size(), 2);
    // Python's reader puts a space between the encoded-words of a name, where RFC 2047
    // says there is none; a long Chinese name needs more than one word.
    QCOMPARE(to[0].toArray()[0].toString().remove(QLatin1Char(' ')),
             QString(toName).remove(QLatin1Char(' ')));
    QCOMPARE(to[0].toArray()[1].toString(), QStringLiteral("finance@customer.example.com"));
    QCOMPARE(to[1].toArray()[0].toString(), QStringLiteral("李四"));
    QCOMPARE(read[u"text"].toString(), text);
    const QJsonArray attachments = read[u"attachments"].toArray();
    QCOMPARE(attachments.size(), 1);
    QCOMPARE(attachments[0][u"name"].toString(), fileName);
    QCOMPARE(attachments[0][u"type"].toString(), QStringLiteral("application/pdf"));
    QCOMPARE(QByteArray::fromBase64(attachments[0][u"data"].toString().toLatin1()), pdf);
}

void TestMail::dateAndMessageId()
{
    MailMessage message(QString(), QStringLiteral("a@firm.example.cn"));
    message.setDate(QDateTime(QDate(2026, 12, 10), QTime(20, 58, 5), QTimeZone(8 * 3600)));
    QVERIFY(message.toBytes().contains("\r\nDate: Thu, 10 Dec 2026 20:58:05 +0800\r\n"));
    message.setDate(QDateTime(QDate(2027, 1, 3), QTime(7, 4, 0), QTimeZone(-(3 * 3600 + 1800))));
    QVERIFY(message.toBytes().contains("\r\nDate: Sun, 3 Jan 2027 07:04:00 -0330\r\n"));

    QSet<QString> ids;
    static const QRegularExpression form(QStringLiteral("^<[0-9a-f]{32}@firm\\.example\\.cn>$"));
    for (int i = 0; i < 1000; ++i) {
        const MailMessage another(QString(), QStringLiteral("b@firm.example.cn"));
        QVERIFY2(form.match(another.messageId()).hasMatch(), qPrintable(another.messageId()));
        ids.insert(another.messageId());
    }
    QCOMPARE(ids.size(), 1000);
    QVERIFY(
        message.toBytes().contains("\r\nMessage-ID: " + message.messageId().toLatin1() + "\r\n"));
}

void TestMail::invalidAddressRefused_data()
{
    QTest::addColumn<QString>("address");
    QTest::newRow("header smuggled") << QStringLiteral("a@b.cn\r\nBcc: x@y.cn");
    QTest::newRow("command smuggled") << QStringLiteral("a@b.cn> RCPT TO:<x@y.cn");
    QTest::newRow("no at") << QStringLiteral("finance.example.cn");
    QTest::newRow("chinese") << QStringLiteral("财务@例子.cn");
    QTest::newRow("empty") << QString();
}

void TestMail::invalidAddressRefused()
{
    QFETCH(QString, address);
    const QString expected = QStringLiteral("邮件地址“%1”无效").arg(address);
    QCOMPARE(messageOf([&] { MailMessage(QString(), address); }), expected);
    MailMessage message(QString(), QStringLiteral("a@firm.example.cn"));
    QCOMPARE(messageOf([&] { message.addTo(QString(), address); }), expected);
    QVERIFY(message.recipients().isEmpty());
}

void TestMail::sendsManyOnOneConnection()
{
    if (!m_server)
        QSKIP("python3-aiosmtpd is not installed: no SMTP server to send to");
    QTemporaryDir dir;
    SmtpTestServer server(dir.filePath(QStringLiteral("box")), {});
    QVERIFY(server.port() > 0);
    SmtpSender sender({server.url(QStringLiteral("smtp")), false, {}, {}, {}, {}, 30});
    QList<QByteArray> pdfs;
    for (int i = 1; i <= 3; ++i) {
        pdfs.append(pdfBytes(30000 + i, i));
        const SendResult result =
            sender.send(letter(QStringLiteral("c%1@customer.example.com").arg(i), i, pdfs.last()));
        QVERIFY2(result.sent, qPrintable(result.reason));
        QCOMPARE(result.reply, QStringLiteral("250 OK queued as %1").arg(i));
        QVERIFY(result.reason.isEmpty());
    }
    const QList<QJsonObject> seen = envelopes(dir.filePath(QStringLiteral("box")));
    QCOMPARE(seen.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(seen[i][u"to"].toArray(),
                 QJsonArray{QStringLiteral("c%1@customer.example.com").arg(i + 1)});
        QCOMPARE(seen[i][u"from"].toString(), QStringLiteral("audit@firm.example.cn"));
        // One connection for the run: the same client port every time.
        QCOMPARE(seen[i][u"peer"], seen[0][u"peer"]);
        const QJsonObject read = readBack(seen[i][u"file"].toString());
        QCOMPARE(read[u"subject"].toString(),
                 numbered(QStringLiteral("应收账款询证函 第%1号"), i + 1));
        // A line of a lone "." would end the data if the client did not double it.
        QCOMPARE(read[u"text"].toString(),
                 QStringLiteral("您好：\n请核对附件中的询证函。\n.\n..第二段以点开头\n此致"));
        const QJsonArray attachments = read[u"attachments"].toArray();
        QCOMPARE(attachments.size(), 1);
        QCOMPARE(attachments[0][u"name"].toString(),
                 numbered(QStringLiteral("询证函-%1.pdf"), i + 1));
        QCOMPARE(QByteArray::fromBase64(attachments[0][u"data"].toString().toLatin1()), pdfs[i]);
    }
}

void TestMail::certificate_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("scheme");
    QTest::newRow("smtps") << QStringLiteral("smtps") << QStringLiteral("smtps");
    QTest::newRow("starttls") << QStringLiteral("starttls") << QStringLiteral("smtp");
}

void TestMail::certificate()
{
    QFETCH(QString, mode);
    QFETCH(QString, scheme);
    if (!m_server)
        QSKIP("python3-aiosmtpd is not installed: no SMTP server to send to");
    QTemporaryDir dir;
    QVERIFY(SmtpTestServer::makeCertificate(dir.path()));
    const SmtpTestServer::Options options = tlsOptions(mode, dir.path());
    SmtpTestServer server(dir.filePath(QStringLiteral("box")), options);
    QVERIFY(server.port() > 0);
    const QByteArray pdf = pdfBytes(2000, 1);

    SmtpSender untrusting({server.url(scheme), true, {}, {}, {}, {}, 30});
    const SendResult refused =
        untrusting.send(letter(QStringLiteral("a@customer.example.com"), 1, pdf));
    QVERIFY(!refused.sent);
    QVERIFY2(refused.reason.startsWith(QStringLiteral("邮件服务器“127.0.0.1”的证书无法验证：")),
             qPrintable(refused.reason));
    QVERIFY(refused.reason.endsWith(QStringLiteral("；如确认此服务器可信，请导入其证书")));
    QVERIFY(envelopes(dir.filePath(QStringLiteral("box"))).isEmpty());

    SmtpSender accepting({server.url(scheme), true, {}, {}, options.certificate, {}, 30});
    const SendResult sent =
        accepting.send(letter(QStringLiteral("a@customer.example.com"), 2, pdf));
    QVERIFY2(sent.sent, qPrintable(sent.reason));
    QCOMPARE(sent.reply, QStringLiteral("250 OK queued as 1"));
    QCOMPARE(envelopes(dir.filePath(QStringLiteral("box"))).size(), 1);

    // The key the user accepted stands for the certificate; another key is refused.
    QProcess pin;
    pin.start(QStringLiteral("sh"),
              {QStringLiteral("-c"),
               QStringLiteral("openssl x509 -in \"$0\" -pubkey -noout | openssl pkey -pubin "
                              "-outform der | openssl dgst -sha256 -binary | base64"),
               options.certificate});
    QVERIFY(pin.waitForFinished(30000));
    const QString key = QStringLiteral("sha256//") + QString::fromLatin1(pin.readAll().trimmed());
    SmtpSender pinned({server.url(scheme), true, {}, {}, {}, key, 30});
    const SendResult pinnedResult =
        pinned.send(letter(QStringLiteral("a@customer.example.com"), 4, pdf));
    QVERIFY2(pinnedResult.sent, qPrintable(pinnedResult.reason));
    const QString otherKey =
        QStringLiteral("sha256//") + QString(43, QLatin1Char('A')) + QLatin1Char('=');
    SmtpSender otherPin({server.url(scheme), true, {}, {}, {}, otherKey, 30});
    const SendResult otherResult =
        otherPin.send(letter(QStringLiteral("a@customer.example.com"), 5, pdf));
    QVERIFY(!otherResult.sent);
    QVERIFY2(otherResult.reason.startsWith(
                 QStringLiteral("邮件服务器“127.0.0.1”的证书与已接受的不同：")),
             qPrintable(otherResult.reason));
    QCOMPARE(envelopes(dir.filePath(QStringLiteral("box"))).size(), 2);
    QCOMPARE(messageOf([&] {
                 SmtpSender({server.url(scheme), true, {}, {}, {}, QStringLiteral("ab:cd"), 30});
             }),
             QStringLiteral("已接受的证书指纹“ab:cd”无效"));

    SmtpSender missingFile(
        {server.url(scheme), true, {}, {}, dir.filePath(QStringLiteral("none.pem")), {}, 30});
    const SendResult unread =
        missingFile.send(letter(QStringLiteral("a@customer.example.com"), 3, pdf));
    QVERIFY(!unread.sent);
    QVERIFY2(
        unread.reason.startsWith(
            QStringLiteral("证书文件“%1”无法读取").arg(dir.filePath(QStringLiteral("none.pem")))),
        qPrintable(unread.reason));
}

void TestMail::startTlsDemanded()
{
    if (!m_server)
        QSKIP("python3-aiosmtpd is not installed: no SMTP server to send to");
    QTemporaryDir dir;
    SmtpTestServer server(dir.filePath(QStringLiteral("box")), {});
    QVERIFY(server.port() > 0);
    SmtpSender sender({server.url(QStringLiteral("smtp")), true, {}, {}, {}, {}, 30});
    const SendResult result = sender.send(letter(QStringLiteral("a@customer.example.com"), 1, "x"));
    QVERIFY(!result.sent);
    QVERIFY2(result.reason.startsWith(
                 QStringLiteral("邮件服务器“127.0.0.1”不支持加密连接（STARTTLS）：")),
             qPrintable(result.reason));
    QVERIFY(envelopes(dir.filePath(QStringLiteral("box"))).isEmpty());
}

void TestMail::login_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("sent");
    QTest::newRow("right") << QStringLiteral("pässwörd 秘密") << true;
    QTest::newRow("wrong") << QStringLiteral("pässwörd") << false;
}

void TestMail::login()
{
    QFETCH(QString, password);
    QFETCH(bool, sent);
    if (!m_server)
        QSKIP("python3-aiosmtpd is not installed: no SMTP server to send to");
    QTemporaryDir dir;
    QVERIFY(SmtpTestServer::makeCertificate(dir.path()));
    SmtpTestServer::Options options = tlsOptions(QStringLiteral("starttls"), dir.path());
    options.user = QStringLiteral("audit");
    options.password = QStringLiteral("pässwörd 秘密");
    SmtpTestServer server(dir.filePath(QStringLiteral("box")), options);
    QVERIFY(server.port() > 0);
    SmtpSender sender({server.url(QStringLiteral("smtp")),
                       true,
                       options.user,
                       password,
                       options.certificate,
                       {},
                       30});
    const SendResult result =
        sender.send(letter(QStringLiteral("a@customer.example.com"), 1, pdfBytes(1000, 1)));
    QCOMPARE(result.sent, sent);
    QCOMPARE(envelopes(dir.filePath(QStringLiteral("box"))).size(), sent ? 1 : 0);
    if (!sent) {
        QVERIFY2(result.reason.startsWith(
                     QStringLiteral("邮件服务器“127.0.0.1”拒绝登录，请检查用户名和密码：535")),
                 qPrintable(result.reason));
        QVERIFY(!result.reason.contains(password));
    }
}

void TestMail::refusedRecipientFailsThatMessageOnly()
{
    if (!m_server)
        QSKIP("python3-aiosmtpd is not installed: no SMTP server to send to");
    QTemporaryDir dir;
    SmtpTestServer::Options options;
    options.refuse = QStringLiteral("gone@customer.example.com");
    SmtpTestServer server(dir.filePath(QStringLiteral("box")), options);
    QVERIFY(server.port() > 0);
    SmtpSender sender({server.url(QStringLiteral("smtp")), false, {}, {}, {}, {}, 30});
    const QStringList to{QStringLiteral("a@customer.example.com"), options.refuse,
                         QStringLiteral("c@customer.example.com")};
    QList<SendResult> results;
    for (int i = 0; i < to.size(); ++i)
        results.append(sender.send(letter(to[i], i + 1, "pdf")));
    QVERIFY(results[0].sent);
    QVERIFY(!results[1].sent);
    QCOMPARE(results[1].reason,
             QStringLiteral("邮件服务器拒绝收件人“gone@customer.example.com”：550 5.1.1 "
                            "<gone@customer.example.com>: Recipient address rejected"));
    QVERIFY(results[1].reply.startsWith(QStringLiteral("550 ")));
    QVERIFY2(results[2].sent, qPrintable(results[2].reason));
    QCOMPARE(results[2].reply, QStringLiteral("250 OK queued as 2"));
    const QList<QJsonObject> seen = envelopes(dir.filePath(QStringLiteral("box")));
    QCOMPARE(seen.size(), 2);
    QCOMPARE(seen[1][u"to"].toArray(), QJsonArray{to[2]});
}

void TestMail::droppedConnectionFailsTheRest()
{
    if (!m_server)
        QSKIP("python3-aiosmtpd is not installed: no SMTP server to send to");
    QTemporaryDir dir;
    SmtpTestServer::Options options;
    options.dropAfter = 2;
    SmtpTestServer server(dir.filePath(QStringLiteral("box")), options);
    QVERIFY(server.port() > 0);
    SmtpSender sender({server.url(QStringLiteral("smtp")), false, {}, {}, {}, {}, 10});
    QList<SendResult> results;
    for (int i = 1; i <= 5; ++i)
        results.append(sender.send(
            letter(QStringLiteral("c%1@customer.example.com").arg(i), i, pdfBytes(30000, i))));
    QVERIFY(results[0].sent);
    QVERIFY(results[1].sent);
    QVERIFY(!results[2].sent);
    QVERIFY2(results[2].reason.startsWith(
                 QStringLiteral("与邮件服务器“127.0.0.1”的连接中断，此邮件未确认发出：")),
             qPrintable(results[2].reason));
    // The next one may still reach the dying server's queue, or find no server at all.
    for (int i = 3; i < 5; ++i) {
        QVERIFY(!results[i].sent);
        QVERIFY2(
            results[i].reason.startsWith(QStringLiteral("无法连接邮件服务器“127.0.0.1”：")) ||
                results[i].reason.startsWith(QStringLiteral("与邮件服务器“127.0.0.1”的连接中断")),
            qPrintable(results[i].reason));
    }
    QVERIFY(results[4].reason.startsWith(QStringLiteral("无法连接邮件服务器“127.0.0.1”：")));
    QCOMPARE(envelopes(dir.filePath(QStringLiteral("box"))).size(), 2);
}

void TestMail::clearTextOnlyOnThisMachine_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("startTls");
    QTest::addColumn<QString>("message");
    const QString remote = QStringLiteral("邮件服务器“%1”不在本机，不能明文发送邮件；请用加密连接"
                                          "（smtps:// 或 STARTTLS）");
    const QString invalid =
        QStringLiteral("邮件服务器地址“%1”无效，应为 smtps://服务器:465 或 smtp://服务器:587");
    QTest::newRow("remote in the clear")
        << QStringLiteral("smtp://mail.firm.example.cn:25") << false
        << remote.arg(QStringLiteral("mail.firm.example.cn"));
    QTest::newRow("a LAN address") << QStringLiteral("smtp://192.168.1.10") << false
                                   << remote.arg(QStringLiteral("192.168.1.10"));
    QTest::newRow("127 as a name") << QStringLiteral("smtp://127.0.0.1.example.cn") << false
                                   << remote.arg(QStringLiteral("127.0.0.1.example.cn"));
    QTest::newRow("remote with STARTTLS")
        << QStringLiteral("smtp://mail.firm.example.cn:587") << true << QString();
    QTest::newRow("remote with TLS")
        << QStringLiteral("smtps://mail.firm.example.cn") << false << QString();
    QTest::newRow("localhost") << QStringLiteral("smtp://localhost:25") << false << QString();
    QTest::newRow("loopback") << QStringLiteral("smtp://127.0.0.2:25") << false << QString();
    QTest::newRow("IPv6 loopback") << QStringLiteral("smtp://[::1]:25") << false << QString();
    QTest::newRow("not SMTP") << QStringLiteral("http://mail.firm.example.cn") << true
                              << invalid.arg(QStringLiteral("http://mail.firm.example.cn"));
    QTest::newRow("no host") << QStringLiteral("smtps://") << true
                             << invalid.arg(QStringLiteral("smtps://"));
}

void TestMail::clearTextOnlyOnThisMachine()
{
    QFETCH(QString, url);
    QFETCH(bool, startTls);
    QFETCH(QString, message);
    // Refused in the constructor: no connection is attempted, no name is looked up.
    QCOMPARE(messageOf([&] { SmtpSender({url, startTls, {}, {}, {}, {}, 5}); }), message);
}

QTEST_GUILESS_MAIN(TestMail)
#include "test_mail.moc"

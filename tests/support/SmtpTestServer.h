#pragma once
// A real SMTP server for tests and benchmarks: aiosmtpd in a child python3, on a free port of
// 127.0.0.1, storing every message it accepts as a numbered .eml file in a folder with its
// envelope in envelopes.jsonl. It can refuse one recipient, or die in the middle of the
// message after a number of them (the connection dropped, and no server any more).

#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>

class SmtpTestServer
{
public:
    struct Options
    {
        QString mode = QStringLiteral("plain"); // plain, starttls (required) or smtps
        QString refuse;                         // this recipient gets 550
        int dropAfter = -1;                     // dies on the message after this many
        QString certificate;                    // PEM certificate and key for TLS
        QString key;
        QString user; // when given (with TLS), the server demands this login
        QString password;
    };

    static bool available()
    {
        QProcess probe;
        probe.start(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral("-c"), QStringLiteral("import aiosmtpd")});
        return probe.waitForFinished(30000) && probe.exitStatus() == QProcess::NormalExit &&
               probe.exitCode() == 0;
    }

    // A self-signed certificate for localhost and 127.0.0.1, as a small office server has.
    static bool makeCertificate(const QString &folder)
    {
        QProcess openssl;
        openssl.start(
            QStringLiteral("openssl"),
            {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
             QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-subj"),
             QStringLiteral("/CN=localhost"), QStringLiteral("-addext"),
             QStringLiteral("subjectAltName=DNS:localhost,IP:127.0.0.1"), QStringLiteral("-days"),
             QStringLiteral("2"), QStringLiteral("-keyout"), folder + QStringLiteral("/key.pem"),
             QStringLiteral("-out"), folder + QStringLiteral("/cert.pem")});
        return openssl.waitForFinished(60000) && openssl.exitCode() == 0;
    }

    SmtpTestServer(const QString &folder, const Options &options)
    {
        QDir().mkpath(folder);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral("/usr/bin/python3"),
                        {QStringLiteral("-c"), QString::fromUtf8(kScript), folder, options.mode,
                         options.refuse, QString::number(options.dropAfter), options.certificate,
                         options.key, options.user, options.password});
        if (m_process.waitForReadyRead(30000))
            m_port = m_process.readLine().trimmed().toInt();
    }

    ~SmtpTestServer()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(10000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    int port() const { return m_port; }
    QString url(const QString &scheme, const QString &host = QStringLiteral("127.0.0.1")) const
    {
        return scheme + QStringLiteral("://") + host + QLatin1Char(':') + QString::number(m_port);
    }

private:
    static constexpr const char *kScript = R"PY(
import json, logging, os, socket, ssl, sys
from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword

# Refused handshakes are what some tests are after; their tracebacks are no news.
logging.getLogger('mail.log').setLevel(logging.CRITICAL)

folder, mode, refuse, drop_after, cert, key, user, password = sys.argv[1:9]
drop_after = int(drop_after)

class Handler:
    count = 0
    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address == refuse:
            return '550 5.1.1 <%s>: Recipient address rejected' % address
        envelope.rcpt_tos.append(address)
        return '250 OK'
    async def handle_DATA(self, server, session, envelope):
        Handler.count += 1
        if 0 <= drop_after < Handler.count:
            os._exit(3)
        name = os.path.join(folder, '%04d.eml' % Handler.count)
        with open(name, 'wb') as f:
            f.write(envelope.original_content)
        with open(os.path.join(folder, 'envelopes.jsonl'), 'a') as f:
            f.write(json.dumps({'file': name, 'from': envelope.mail_from,
                                'to': envelope.rcpt_tos, 'peer': list(session.peer)}) + '\n')
        return '250 OK queued as %d' % Handler.count

probe = socket.socket()
probe.bind(('127.0.0.1', 0))
port = probe.getsockname()[1]
probe.close()
options = {}
if mode != 'plain':
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    if mode == 'smtps':
        options = {'ssl_context': context}
    else:
        options = {'tls_context': context, 'require_starttls': True}
    if user:
        def authenticator(server, session, envelope, mechanism, data):
            good = isinstance(data, LoginPassword) and data.login.decode() == user and \
                data.password.decode() == password
            return AuthResult(success=good, handled=False)
        options.update(authenticator=authenticator, auth_required=True)
controller = Controller(Handler(), hostname='127.0.0.1', port=port, **options)
controller.start()
print(port, flush=True)
sys.stdin.read()
controller.stop()
)PY";

    QProcess m_process;
    int m_port = 0;
};

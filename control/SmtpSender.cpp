#include "SmtpSender.h"

#include "MailMessage.h"
#include "platform/Exception.h"

#include <QRegularExpression>
#include <QUrl>

#include <curl/curl.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <algorithm>
#include <cstring>

namespace {

const QStringList kCommands{QStringLiteral("EHLO"),     QStringLiteral("HELO"),
                            QStringLiteral("STARTTLS"), QStringLiteral("AUTH"),
                            QStringLiteral("MAIL"),     QStringLiteral("RCPT"),
                            QStringLiteral("DATA"),     QStringLiteral("RSET"),
                            QStringLiteral("QUIT"),     QStringLiteral("NOOP")};

bool onThisMachine(const QString &host)
{
    if (host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0 ||
        host == QStringLiteral("::1"))
        return true;
    const QStringList parts = host.split(QLatin1Char('.'));
    bool numeric = parts.size() == 4 && parts.first() == QStringLiteral("127");
    for (const QString &part : parts) {
        bool ok = false;
        numeric = numeric && part.toInt(&ok) <= 255 && ok;
    }
    return numeric;
}

void initialiseCurl()
{
    // Once per process, before the first handle; libcurl asks for it to be done early.
    static const bool done = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!done)
        throw Exception(QStringLiteral("无法初始化邮件发送组件"));
}

} // namespace

struct SmtpSender::Session
{
    CURL *handle = nullptr;
    QByteArray payload;
    qsizetype offset = 0;
    QString lastReply;
    QString lastCommand; // only the verb: an AUTH line carries the credentials
    QString lastRecipient;
    QString refusal; // the server's first 4xx or 5xx reply in this send
    QString refusedCommand;
    QString refusedRecipient;
    char error[CURL_ERROR_SIZE] = {};

    ~Session()
    {
        if (handle)
            curl_easy_cleanup(handle);
    }

    static size_t read(char *buffer, size_t size, size_t count, void *user)
    {
        auto *session = static_cast<Session *>(user);
        const size_t wanted =
            std::min(size * count, size_t(session->payload.size() - session->offset));
        std::memcpy(buffer, session->payload.constData() + session->offset, wanted);
        session->offset += qsizetype(wanted);
        return wanted;
    }

    // The dialogue, to tell which step the server refused and what it said.
    static int trace(CURL *, curl_infotype type, char *data, size_t size, void *user)
    {
        auto *session = static_cast<Session *>(user);
        const QByteArray text(data, qsizetype(size));
        if (type == CURLINFO_HEADER_IN) {
            for (const QByteArray &line : text.split('\n')) {
                if (line.trimmed().isEmpty() || session->lastCommand == QStringLiteral("QUIT"))
                    continue;
                session->lastReply = QString::fromUtf8(line.trimmed());
                // The first refusal names the step; what libcurl does after it does not.
                const bool refusal = line.startsWith('4') || line.startsWith('5');
                if (refusal && session->refusal.isEmpty()) {
                    session->refusal = session->lastReply;
                    session->refusedCommand = session->lastCommand;
                    session->refusedRecipient = session->lastRecipient;
                }
            }
        } else if (type == CURLINFO_HEADER_OUT) {
            const QString verb =
                QString::fromLatin1(text.simplified().split(' ').constFirst()).toUpper();
            // Other lines (a login's continuation, the data's end) are neither kept nor a step.
            if (kCommands.contains(verb))
                session->lastCommand = verb;
            if (verb == QStringLiteral("RCPT")) {
                const qsizetype open = text.indexOf('<');
                const qsizetype close = text.indexOf('>', open);
                session->lastRecipient = QString::fromUtf8(text.mid(open + 1, close - open - 1));
            }
        }
        return 0;
    }
};

SmtpSender::SmtpSender(const SmtpSettings &settings)
    : m_settings(settings), m_session(std::make_unique<Session>())
{
    const QUrl url(settings.url, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    m_host = url.host();
    if (!url.isValid() || m_host.isEmpty() ||
        (scheme != QStringLiteral("smtp") && scheme != QStringLiteral("smtps")))
        throw Exception(
            QStringLiteral("邮件服务器地址“%1”无效，应为 smtps://服务器:465 或 smtp://服务器:587")
                .arg(settings.url));
    const bool clear = scheme == QStringLiteral("smtp") && !settings.startTls;
    if (clear && !onThisMachine(m_host))
        throw Exception(QStringLiteral("邮件服务器“%1”不在本机，不能明文发送邮件；请用加密连接"
                                       "（smtps:// 或 STARTTLS）")
                            .arg(m_host));
    static const QRegularExpression key(QStringLiteral("^sha256//[A-Za-z0-9+/]{43}=$"));
    if (!settings.acceptedKey.isEmpty() && !key.match(settings.acceptedKey).hasMatch())
        throw Exception(QStringLiteral("已接受的证书指纹“%1”无效").arg(settings.acceptedKey));
    initialiseCurl();
    m_session->handle = curl_easy_init();
    if (!m_session->handle)
        throw Exception(QStringLiteral("无法初始化邮件发送组件"));
    CURL *h = m_session->handle;
    curl_easy_setopt(h, CURLOPT_URL, settings.url.toUtf8().constData());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    // On this machine the clear is allowed, not required: a local server that offers
    // STARTTLS (and may demand it) still gets it.
    curl_easy_setopt(h, CURLOPT_USE_SSL, long(clear ? CURLUSESSL_TRY : CURLUSESSL_ALL));
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    if (!settings.user.isEmpty()) {
        curl_easy_setopt(h, CURLOPT_USERNAME, settings.user.toUtf8().constData());
        curl_easy_setopt(h, CURLOPT_PASSWORD, settings.password.toUtf8().constData());
    }
    if (!settings.caFile.isEmpty())
        curl_easy_setopt(h, CURLOPT_CAINFO, settings.caFile.toLocal8Bit().constData());
    if (!settings.acceptedKey.isEmpty()) {
        // The key stands in for the chain of signatures, as a self-signed server has none.
        curl_easy_setopt(h, CURLOPT_PINNEDPUBLICKEY, settings.acceptedKey.toLatin1().constData());
        curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 0L);
    }
    const long timeout = std::max(1, settings.timeoutSeconds);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, timeout);
    curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, timeout);
    // A large attachment on a slow line may take longer than the timeout as a whole; only a
    // stalled transfer is given up.
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, timeout);
    curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(h, CURLOPT_READFUNCTION, &Session::read);
    curl_easy_setopt(h, CURLOPT_READDATA, m_session.get());
    curl_easy_setopt(h, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, &Session::trace);
    curl_easy_setopt(h, CURLOPT_DEBUGDATA, m_session.get());
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, m_session->error);
}

SmtpSender::~SmtpSender() = default;

SendResult SmtpSender::send(const MailMessage &message)
{
    Session &s = *m_session;
    s.payload = message.toBytes();
    s.offset = 0;
    s.lastReply.clear();
    s.lastCommand.clear();
    s.lastRecipient.clear();
    s.refusal.clear();
    s.refusedCommand.clear();
    s.refusedRecipient.clear();
    s.error[0] = 0;
    curl_slist *recipients = nullptr;
    for (const QString &to : message.recipients())
        recipients = curl_slist_append(recipients, ('<' + to.toUtf8() + '>').constData());
    const QByteArray from = '<' + message.fromAddress().toUtf8() + '>';
    curl_easy_setopt(s.handle, CURLOPT_MAIL_FROM, from.constData());
    curl_easy_setopt(s.handle, CURLOPT_MAIL_RCPT, recipients);
    curl_easy_setopt(s.handle, CURLOPT_INFILESIZE_LARGE, curl_off_t(s.payload.size()));
    const CURLcode code = curl_easy_perform(s.handle);
    curl_easy_setopt(s.handle, CURLOPT_MAIL_RCPT, nullptr);
    curl_slist_free_all(recipients);
    s.payload.clear();

    SendResult result;
    // After a failure the server's state (a transaction left open, a dead socket) is
    // unknown: the next message starts on a new connection.
    curl_easy_setopt(s.handle, CURLOPT_FRESH_CONNECT,
                     code == CURLE_OK && s.refusal.isEmpty() ? 0L : 1L);
    result.reply = s.refusal.isEmpty() ? s.lastReply : s.refusal;
    const bool refused = !s.refusal.isEmpty();
    const QString detail = !result.reply.isEmpty() && (refused || s.error[0] == 0) ? result.reply
                           : s.error[0] != 0 ? QString::fromUtf8(s.error)
                                             : QString::fromUtf8(curl_easy_strerror(code));
    if (code == CURLE_OK && !refused && s.lastCommand == QStringLiteral("DATA") &&
        s.lastReply.startsWith(QStringLiteral("250"))) {
        result.sent = true;
        return result;
    }
    if (code == CURLE_OK)
        result.reason = QStringLiteral("邮件服务器“%1”未确认收到此邮件：%2").arg(m_host, detail);
    else if (code == CURLE_PEER_FAILED_VERIFICATION)
        result.reason = QStringLiteral("邮件服务器“%1”的证书无法验证：%2；如确认此服务器可信，"
                                       "请导入其证书")
                            .arg(m_host, detail);
    else if (code == CURLE_SSL_PINNEDPUBKEYNOTMATCH)
        result.reason = QStringLiteral("邮件服务器“%1”的证书与已接受的不同：%2；证书可能已更换，"
                                       "也可能有人冒充此服务器，请与管理员核实后再导入")
                            .arg(m_host, detail);
    else if (code == CURLE_SSL_CACERT_BADFILE)
        result.reason = QStringLiteral("证书文件“%1”无法读取：%2").arg(m_settings.caFile, detail);
    else if (code == CURLE_USE_SSL_FAILED)
        result.reason =
            QStringLiteral("邮件服务器“%1”不支持加密连接（STARTTLS）：%2").arg(m_host, detail);
    else if (code == CURLE_LOGIN_DENIED)
        result.reason =
            QStringLiteral("邮件服务器“%1”拒绝登录，请检查用户名和密码：%2").arg(m_host, detail);
    else if (refused && s.refusedCommand == QStringLiteral("RCPT"))
        result.reason =
            QStringLiteral("邮件服务器拒绝收件人“%1”：%2").arg(s.refusedRecipient, detail);
    else if (refused && s.refusedCommand == QStringLiteral("MAIL"))
        result.reason =
            QStringLiteral("邮件服务器拒绝发件人“%1”：%2").arg(message.fromAddress(), detail);
    else if (refused && s.refusedCommand == QStringLiteral("DATA"))
        result.reason = QStringLiteral("邮件服务器拒绝了此邮件：%1").arg(detail);
    else if (code == CURLE_COULDNT_CONNECT || code == CURLE_COULDNT_RESOLVE_HOST ||
             code == CURLE_SSL_CONNECT_ERROR ||
             (code == CURLE_OPERATION_TIMEDOUT && s.lastReply.isEmpty()))
        result.reason = QStringLiteral("无法连接邮件服务器“%1”：%2").arg(m_host, detail);
    else if (code == CURLE_SEND_ERROR || code == CURLE_RECV_ERROR || code == CURLE_GOT_NOTHING ||
             code == CURLE_OPERATION_TIMEDOUT || code == CURLE_WEIRD_SERVER_REPLY)
        result.reason =
            QStringLiteral("与邮件服务器“%1”的连接中断，此邮件未确认发出：%2").arg(m_host, detail);
    else
        result.reason = QStringLiteral("邮件未能发出（邮件服务器“%1”）：%2").arg(m_host, detail);
    return result;
}

namespace {
// The base64 SHA-256 of a PEM certificate's public key (its SubjectPublicKeyInfo).
QString keyOfCertificate(const QByteArray &pem)
{
    BIO *bio = BIO_new_mem_buf(pem.constData(), int(pem.size()));
    X509 *certificate = bio ? PEM_read_bio_X509(bio, nullptr, nullptr, nullptr) : nullptr;
    BIO_free(bio);
    if (!certificate)
        return {};
    unsigned char *der = nullptr;
    const int size = i2d_PUBKEY(X509_get0_pubkey(certificate), &der);
    X509_free(certificate);
    if (size <= 0)
        return {};
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestSize = 0;
    EVP_Digest(der, size_t(size), digest, &digestSize, EVP_sha256(), nullptr);
    OPENSSL_free(der);
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char *>(digest), int(digestSize)).toBase64());
}
} // namespace

QString SmtpSender::serverKey(const SmtpSettings &settings)
{
    SmtpSettings probe = settings;
    probe.acceptedKey.clear();
    const SmtpSender checked(probe); // the same rules for the address
    CURL *h = checked.m_session->handle;
    curl_easy_setopt(h, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(h, CURLOPT_CERTINFO, 1L);
    curl_easy_setopt(h, CURLOPT_UPLOAD, 0L);
    curl_easy_setopt(h, CURLOPT_USERNAME, nullptr);
    curl_easy_setopt(h, CURLOPT_PASSWORD, nullptr);
    // A command that sends nothing and needs no login: the handshake is what is wanted.
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, "NOOP");
    curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    const CURLcode code = curl_easy_perform(h);
    curl_certinfo *info = nullptr;
    QString key;
    if (curl_easy_getinfo(h, CURLINFO_CERTINFO, &info) == CURLE_OK && info &&
        info->num_of_certs > 0)
        for (curl_slist *item = info->certinfo[0]; item && key.isEmpty(); item = item->next)
            if (std::strncmp(item->data, "Cert:", 5) == 0)
                key = keyOfCertificate(QByteArray(item->data + 5));
    if (key.isEmpty())
        throw Exception(
            QStringLiteral("无法取得邮件服务器“%1”的证书：%2")
                .arg(checked.m_host, checked.m_session->error[0] != 0
                                         ? QString::fromUtf8(checked.m_session->error)
                                         : QString::fromUtf8(curl_easy_strerror(code))));
    return QStringLiteral("sha256//") + key;
}

#pragma once
// Sends messages through the office's own SMTP server with libcurl, one connection kept for
// a run of many. Encryption is demanded (smtps://, or STARTTLS on smtp://); text in the
// clear is allowed only to a server on this machine. The password is handed to libcurl and
// nowhere else: never logged, never written.

#include <QString>

#include <memory>

class MailMessage;

struct SmtpSettings
{
    QString url;          // smtps://host:465 or smtp://host:587
    bool startTls = true; // on smtp://: false (STARTTLS when offered) only on this machine
    QString user;
    QString password;
    // A PEM certificate trusted in place of the system's: the server's own self-signed
    // certificate, once the user has accepted it, or the office's CA.
    QString caFile;
    // Or the server's public key as the user accepted it, "sha256//" and its base64 SHA-256:
    // the connection is taken when the server shows that key, whoever signed it.
    QString acceptedKey;
    int timeoutSeconds = 60;
};

struct SendResult
{
    bool sent = false;
    QString reply;  // the server's last reply line, "250 …" when sent
    QString reason; // in Chinese, when not sent
};

class SmtpSender
{
public:
    // Raises Exception, before any connection, for a URL that is not an SMTP server or for
    // text in the clear to another machine.
    explicit SmtpSender(const SmtpSettings &settings);
    ~SmtpSender();
    SmtpSender(const SmtpSender &) = delete;
    SmtpSender &operator=(const SmtpSender &) = delete;

    // Sent only when the server took the whole message ("250" after its data). A refused
    // recipient or a lost connection fails this message alone; the next send tries again.
    SendResult send(const MailMessage &message);

    // The public key the server shows, as "sha256//" and its base64 SHA-256 (what
    // acceptedKey takes), read without trusting it, so that the user can be asked whether
    // to. Raises Exception when no TLS connection can be made.
    static QString serverKey(const SmtpSettings &settings);

    // The server's host as the user named it, for messages.
    const QString &host() const { return m_host; }

    struct Session;

private:
    SmtpSettings m_settings;
    QString m_host;
    std::unique_ptr<Session> m_session;
};

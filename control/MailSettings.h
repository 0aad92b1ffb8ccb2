#pragma once
// How the auditor's letters and reminders go out by e-mail: the server, its security, the
// login name, the sender, the texts and a server certificate the user accepted. Kept in the
// user's settings; the password never is (it goes to the secret store or is asked).

#include "SmtpSender.h"

#include <QString>

struct MailSettings
{
    enum class Security
    {
        Tls,      // SSL/TLS from the start (smtps, port 465)
        StartTls, // STARTTLS demanded (port 587)
        None      // 无（仅本机）: in the clear, for a server on this machine only
    };

    QString server;
    int port = 465;
    Security security = Security::Tls;
    QString user;
    QString senderAddress; // 发件人
    QString senderName;
    QString acceptedKey; // "sha256//…", the server's key the user accepted
    QString letterSubject, letterBody, reminderSubject, reminderBody;

    static MailSettings load();
    void save() const;
    // The names the security choices show.
    static QString securityName(Security security);
    // The libcurl URL and options; raises Exception when no server is set.
    SmtpSettings smtp(const QString &password) const;
};

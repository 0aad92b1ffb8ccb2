#include "MailSettings.h"

#include "MailTemplate.h"

#include "platform/Exception.h"

#include <QSettings>

namespace {
const QString Group = QStringLiteral("mail/");
}

MailSettings MailSettings::load()
{
    const QSettings settings;
    MailSettings mail;
    auto text = [&](const char *key, const QString &fallback = {}) {
        return settings.value(Group + QLatin1String(key), fallback).toString();
    };
    mail.server = text("server");
    mail.port = settings.value(Group + QStringLiteral("port"), 465).toInt();
    const QString security = text("security", QStringLiteral("tls"));
    mail.security = security == QStringLiteral("starttls") ? Security::StartTls
                    : security == QStringLiteral("none")   ? Security::None
                                                           : Security::Tls;
    mail.user = text("user");
    mail.senderAddress = text("sender");
    mail.senderName = text("senderName");
    mail.acceptedKey = text("acceptedKey");
    mail.letterSubject = text("letterSubject", MailTemplate::LetterSubject);
    mail.letterBody = text("letterBody", MailTemplate::LetterBody);
    mail.reminderSubject = text("reminderSubject", MailTemplate::ReminderSubject);
    mail.reminderBody = text("reminderBody", MailTemplate::ReminderBody);
    return mail;
}

void MailSettings::save() const
{
    QSettings settings;
    settings.setValue(Group + QStringLiteral("server"), server.trimmed());
    settings.setValue(Group + QStringLiteral("port"), port);
    settings.setValue(Group + QStringLiteral("security"),
                      security == Security::StartTls ? QStringLiteral("starttls")
                      : security == Security::None   ? QStringLiteral("none")
                                                     : QStringLiteral("tls"));
    settings.setValue(Group + QStringLiteral("user"), user.trimmed());
    settings.setValue(Group + QStringLiteral("sender"), senderAddress.trimmed());
    settings.setValue(Group + QStringLiteral("senderName"), senderName.trimmed());
    settings.setValue(Group + QStringLiteral("acceptedKey"), acceptedKey);
    settings.setValue(Group + QStringLiteral("letterSubject"), letterSubject);
    settings.setValue(Group + QStringLiteral("letterBody"), letterBody);
    settings.setValue(Group + QStringLiteral("reminderSubject"), reminderSubject);
    settings.setValue(Group + QStringLiteral("reminderBody"), reminderBody);
}

QString MailSettings::securityName(Security security)
{
    switch (security) {
    case Security::Tls:
        return QStringLiteral("SSL/TLS");
    case Security::StartTls:
        return QStringLiteral("STARTTLS");
    case Security::None:
        return QStringLiteral("无（仅本机）");
    }
    return {};
}

SmtpSettings MailSettings::smtp(const QString &password) const
{
    if (server.trimmed().isEmpty())
        throw Exception(QStringLiteral("尚未设置邮件服务器，请先在“邮件设置”中填写"));
    SmtpSettings smtp;
    QString host = server.trimmed();
    if (host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('[')))
        host = QLatin1Char('[') + host + QLatin1Char(']'); // an IPv6 address
    smtp.url =
        QStringLiteral("%1://%2:%3")
            .arg(security == Security::Tls ? QStringLiteral("smtps") : QStringLiteral("smtp"), host)
            .arg(port);
    smtp.startTls = security != Security::None;
    smtp.user = user.trimmed();
    smtp.password = password;
    smtp.acceptedKey = acceptedKey;
    return smtp;
}

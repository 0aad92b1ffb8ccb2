#pragma once
// One e-mail as the bytes an SMTP server takes: RFC 5322 headers (Chinese names and
// subjects as RFC 2047 encoded-words), a multipart/mixed body with the text and the
// attached letters. Addresses are checked here, so no header can be smuggled in.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

struct MailAttachment
{
    QString fileName;
    QByteArray content;
    QString mimeType = QStringLiteral("application/pdf");
};

class MailMessage
{
public:
    // Dated now, with a fresh Message-ID; raises Exception when an address is not one.
    MailMessage(const QString &fromName, const QString &fromAddress);

    void addTo(const QString &name, const QString &address);
    void setSubject(const QString &subject) { m_subject = subject; }
    void setText(const QString &text) { m_text = text; }
    void addAttachment(const MailAttachment &attachment) { m_attachments.append(attachment); }
    void setDate(const QDateTime &date) { m_date = date; }

    const QString &fromAddress() const { return m_fromAddress; }
    QStringList recipients() const;
    // "<random@domain-of-From>", fixed for the life of the message.
    const QString &messageId() const { return m_messageId; }

    // The message with CRLF line ends; lines starting with "." are left to the SMTP client.
    QByteArray toBytes() const;

private:
    struct Address
    {
        QString name;
        QString address;
    };

    QString m_fromName;
    QString m_fromAddress;
    QList<Address> m_to;
    QString m_subject;
    QString m_text;
    QList<MailAttachment> m_attachments;
    QDateTime m_date;
    QString m_messageId;
    QByteArray m_boundary;
};

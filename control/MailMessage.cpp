#include "MailMessage.h"

#include "MailEncoding.h"
#include "platform/Exception.h"

#include <QLocale>
#include <QRandomGenerator>
#include <QRegularExpression>

namespace {

// An ASCII address with nothing a header or an SMTP command could be split at.
QString checkedAddress(const QString &address)
{
    static const QRegularExpression pattern(
        QStringLiteral("^[A-Za-z0-9!#$%&'*+/=?^_`{|}~.-]+@[A-Za-z0-9.-]+\\.[A-Za-z0-9-]+$"));
    if (!pattern.match(address).hasMatch())
        throw Exception(QStringLiteral("邮件地址“%1”无效").arg(address));
    return address;
}

QByteArray randomHex(int bytes)
{
    QByteArray raw(bytes, Qt::Uninitialized);
    QRandomGenerator::system()->generate(raw.begin(), raw.end());
    return raw.toHex();
}

// RFC 5322's date-time, in English whatever the user's locale, with the time's own offset.
QByteArray rfc5322Date(const QDateTime &date)
{
    const int offset = date.offsetFromUtc() / 60;
    const int magnitude = std::abs(offset);
    return QLocale::c().toString(date, QStringLiteral("ddd, d MMM yyyy HH:mm:ss")).toLatin1() +
           (offset < 0 ? " -" : " +") +
           QByteArray::number(magnitude / 60 * 100 + magnitude % 60).rightJustified(4, '0');
}

} // namespace

MailMessage::MailMessage(const QString &fromName, const QString &fromAddress)
    : m_fromName(fromName), m_fromAddress(checkedAddress(fromAddress)),
      m_date(QDateTime::currentDateTime()), m_boundary("=_rv_" + randomHex(12))
{
    m_messageId = QLatin1Char('<') + QString::fromLatin1(randomHex(16)) + QLatin1Char('@') +
                  fromAddress.section(QLatin1Char('@'), 1) + QLatin1Char('>');
}

void MailMessage::addTo(const QString &name, const QString &address)
{
    m_to.append({name, checkedAddress(address)});
}

QStringList MailMessage::recipients() const
{
    QStringList out;
    for (const Address &to : m_to)
        out.append(to.address);
    return out;
}

QByteArray MailMessage::toBytes() const
{
    QList<QPair<QString, QString>> to;
    for (const Address &address : m_to)
        to.append({address.name, address.address});
    QByteArray out = MailEncoding::addressHeader("From", {{m_fromName, m_fromAddress}}) +
                     MailEncoding::addressHeader("To", to) +
                     MailEncoding::header("Subject", m_subject) + "Date: " + rfc5322Date(m_date) +
                     "\r\nMessage-ID: " + m_messageId.toLatin1() +
                     "\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"" +
                     m_boundary + "\"\r\n\r\n";
    out += "--" + m_boundary +
           "\r\nContent-Type: text/plain; charset=UTF-8\r\n"
           "Content-Transfer-Encoding: quoted-printable\r\n\r\n" +
           MailEncoding::quotedPrintable(m_text);
    for (const MailAttachment &attachment : m_attachments)
        out += "--" + m_boundary + "\r\n" +
               MailEncoding::attachmentHeaders(attachment.fileName, attachment.mimeType) + "\r\n" +
               MailEncoding::base64Lines(attachment.content);
    out += "--" + m_boundary + "--\r\n";
    return out;
}

#pragma once
// The MIME encodings of a message: folded RFC 2047 header words, quoted-printable text,
// base64 at 76 columns and RFC 2231 file names. All output lines end in CRLF.

#include <QByteArray>
#include <QString>

namespace MailEncoding {

// "Name: value" folded at 78 columns; a value that is not plain ASCII becomes UTF-8 "B"
// encoded-words of at most 75 characters, each holding whole characters.
QByteArray header(const QByteArray &name, const QString &value);
// "Name: display-name <address>, …" for From and To; the addresses are checked beforehand.
QByteArray addressHeader(const QByteArray &name, const QList<QPair<QString, QString>> &mailboxes);
// UTF-8 text as quoted-printable, hard line breaks as CRLF, lines of at most 76 characters.
QByteArray quotedPrintable(const QString &text);
QByteArray base64Lines(const QByteArray &data);
// The Content-Type and Content-Disposition header lines of an attachment.
QByteArray attachmentHeaders(const QString &fileName, const QString &mimeType);

} // namespace MailEncoding

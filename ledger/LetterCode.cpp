#include "LetterCode.h"

#include <QMessageAuthenticationCode>
#include <QRandomGenerator>

namespace LetterCode {

namespace {

// RFC 4648's alphabet: upper case and digits only, so the code stays in the QR code's
// alphanumeric mode and reads the same to a person.
constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";

QString base32(const QByteArray &bytes, int characters)
{
    QString text;
    quint64 bits = 0;
    int held = 0;
    for (char byte : bytes) {
        bits = (bits << 8) | quint8(byte);
        held += 8;
        while (held >= 5 && text.size() < characters) {
            held -= 5;
            text.append(QLatin1Char(Alphabet[(bits >> held) & 31]));
        }
        if (text.size() == characters)
            break;
    }
    return text;
}

} // namespace

QByteArray newKey()
{
    QByteArray key(32, Qt::Uninitialized);
    QRandomGenerator::system()->generate(reinterpret_cast<quint32 *>(key.data()),
                                         reinterpret_cast<quint32 *>(key.data() + key.size()));
    return key;
}

QString checksum(const QByteArray &key, const LetterIdentity &identity)
{
    // Unit separators keep one field's end from being read as the next one's start.
    const QString message = identity.number.trimmed() + QChar(0x1f) +
                            (identity.cents ? QString::number(*identity.cents) : QString()) +
                            QChar(0x1f) + identity.cutOff.toString(Qt::ISODate) + QChar(0x1f) +
                            identity.customer.trimmed();
    const QByteArray mac =
        QMessageAuthenticationCode::hash(message.toUtf8(), key, QCryptographicHash::Sha256);
    return base32(mac, ChecksumLength);
}

QString content(const QByteArray &key, const LetterIdentity &identity)
{
    return identity.number.trimmed() + Separator + checksum(key, identity);
}

std::optional<Parts> split(const QString &code)
{
    const QString text = code.trimmed();
    const qsizetype at = text.lastIndexOf(Separator);
    if (at <= 0 || text.size() - at - 1 != ChecksumLength)
        return std::nullopt;
    const QString sum = text.mid(at + 1);
    for (QChar c : sum)
        if (!(c >= u'A' && c <= u'Z') && !(c >= u'2' && c <= u'7'))
            return std::nullopt;
    return Parts{text.left(at).trimmed(), sum};
}

} // namespace LetterCode

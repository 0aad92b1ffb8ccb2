#pragma once
// What a letter's QR code says: its number and a short checksum keyed with the ledger's own
// secret, over the number, book amount, cut-off date and customer. A code copied from
// another letter, made up, or altered does not verify; the key is never printed.

#include "LedgerTypes.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace LetterCode {
// Between the number and the checksum: one of the characters a QR code's compact
// alphanumeric mode holds, and not one letter numbers use.
inline constexpr QChar Separator = u'*';
// The checksum's length: 8 base-32 characters, 40 bits of the HMAC.
inline constexpr int ChecksumLength = 8;

// A new secret key, from the system's random source.
QByteArray newKey();
// The checksum of 'identity' under 'key'.
QString checksum(const QByteArray &key, const LetterIdentity &identity);
// The code printed: the number, the separator and the checksum.
QString content(const QByteArray &key, const LetterIdentity &identity);

struct Parts
{
    QString number;
    QString checksum;
};
// The number and checksum of a code that carries one; nothing for a code of the number
// alone (or of some other text).
std::optional<Parts> split(const QString &code);
} // namespace LetterCode

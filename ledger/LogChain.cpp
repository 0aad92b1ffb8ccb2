#include "LogChain.h"

#include "Sha256.h"

#include <string>

namespace LogChain {

QString timeText(const QDateTime &at)
{
    return at.toUTC().toString(Qt::ISODateWithMs);
}

QByteArray hashOf(const LogEntry &entry)
{
    return hashOf(entry, timeText(entry.at));
}

QByteArray hashOf(const LogEntry &entry, QStringView storedTime)
{
    // Fields joined by the unit separator, which no text of the ledger holds, each prefixed
    // by its length so that no shift between fields gives the same bytes. Made in buffers
    // kept between calls: the check hashes a million entries.
    thread_local std::string canonical, field;
    canonical.clear();
    auto add = [](QStringView text) {
        field.clear();
        for (const QChar c : text) {
            const char16_t u = c.unicode();
            if (u < 0x80) {
                field += char(u);
            } else if (u < 0x800) {
                field += char(0xC0 | u >> 6);
                field += char(0x80 | (u & 0x3F));
            } else if (!QChar::isSurrogate(u)) {
                field += char(0xE0 | u >> 12);
                field += char(0x80 | (u >> 6 & 0x3F));
                field += char(0x80 | (u & 0x3F));
            } else { // beyond the basic plane, or a lone half: as Qt encodes it
                const QByteArray bytes = text.toUtf8();
                field.assign(bytes.constData(), size_t(bytes.size()));
                break;
            }
        }
        canonical += std::to_string(field.size());
        canonical += ':';
        canonical += field;
        canonical += '\x1f';
    };
    add(QString::number(entry.id));
    add(storedTime);
    add(entry.user);
    add(entry.action);
    add(entry.subject);
    add(entry.field);
    add(entry.oldValue);
    add(entry.newValue);
    add(QString::fromLatin1(entry.previousHash));
    return Sha256::hex(QByteArrayView(canonical.data(), qsizetype(canonical.size())));
}

} // namespace LogChain

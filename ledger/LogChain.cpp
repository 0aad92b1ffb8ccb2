#include "LogChain.h"

#include <QCryptographicHash>

namespace LogChain {

QString timeText(const QDateTime &at)
{
    return at.toUTC().toString(Qt::ISODateWithMs);
}

QByteArray hashOf(const LogEntry &entry)
{
    // Fields joined by the unit separator, which no text of the ledger holds, each prefixed
    // by its length so that no shift between fields gives the same bytes.
    QByteArray canonical;
    auto add = [&canonical](const QString &text) {
        const QByteArray bytes = text.toUtf8();
        canonical += QByteArray::number(bytes.size());
        canonical += ':';
        canonical += bytes;
        canonical += '\x1f';
    };
    add(QString::number(entry.id));
    add(timeText(entry.at));
    add(entry.user);
    add(entry.action);
    add(entry.subject);
    add(entry.field);
    add(entry.oldValue);
    add(entry.newValue);
    add(QString::fromLatin1(entry.previousHash));
    return QCryptographicHash::hash(canonical, QCryptographicHash::Sha256).toHex();
}

} // namespace LogChain

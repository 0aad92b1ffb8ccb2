// The parties a reply must not come from: the audited client and its related parties, kept
// in the ledger so that every machine flags against the same list, and logged like any
// change.
#include "LedgerStore.h"

#include "SqlBinding_p.h"
#include "platform/Exception.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {
const QString kClient = QStringLiteral("被审计单位");
const QString kRelated = QStringLiteral("关联方");
} // namespace

const QString LedgerStore::PartiesAction = QStringLiteral("关联方名单");

LedgerParties LedgerStore::parties() const
{
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!exec(query, QStringLiteral("SELECT role, name FROM parties ORDER BY id")))
        fail(QStringLiteral("读取"), query.lastError());
    LedgerParties parties;
    while (query.next()) {
        if (query.value(0).toString() == kClient)
            parties.client = query.value(1).toString();
        else
            parties.related.append(query.value(1).toString());
    }
    return parties;
}

void LedgerStore::setParties(const LedgerParties &wanted)
{
    requireRole({LedgerRole::Team});
    LedgerParties clean;
    clean.client = wanted.client.simplified();
    for (const QString &name : wanted.related)
        if (const QString simple = name.simplified();
            !simple.isEmpty() && !clean.related.contains(simple))
            clean.related.append(simple);
    write([&] {
        const LedgerParties old = parties();
        QSqlQuery remove(m_db), insert(m_db);
        remove.prepare(QStringLiteral("DELETE FROM parties WHERE role = ? AND name = ?"));
        insert.prepare(QStringLiteral("INSERT INTO parties (role, name) VALUES (?, ?)"));
        auto removeOne = [&](const QString &role, const QString &name) {
            bindAll(remove, {role, name});
            if (!remove.exec())
                fail(QStringLiteral("修改"), remove.lastError());
            appendLog(PartiesAction, QStringLiteral("台账"), role, name, QString());
        };
        auto addOne = [&](const QString &role, const QString &name) {
            bindAll(insert, {role, name});
            if (!insert.exec())
                fail(QStringLiteral("修改"), insert.lastError());
            appendLog(PartiesAction, QStringLiteral("台账"), role, QString(), name);
        };
        if (old.client != clean.client) {
            if (!old.client.isEmpty())
                removeOne(kClient, old.client);
            if (!clean.client.isEmpty())
                addOne(kClient, clean.client);
        }
        for (const QString &name : old.related)
            if (!clean.related.contains(name))
                removeOne(kRelated, name);
        for (const QString &name : clean.related)
            if (!old.related.contains(name))
                addOne(kRelated, name);
    });
}

QString LedgerStore::partiesDiffer(const QList<LogEntry> &logged) const
{
    LedgerParties replayed;
    for (const LogEntry &entry : logged) {
        if (entry.field == kClient)
            replayed.client = entry.newValue;
        else if (entry.newValue.isEmpty())
            replayed.related.removeAll(entry.oldValue);
        else
            replayed.related.append(entry.newValue);
    }
    const LedgerParties kept = parties();
    QStringList keptRelated = kept.related, replayedRelated = replayed.related;
    keptRelated.sort();
    replayedRelated.sort();
    if (kept.client != replayed.client || keptRelated != replayedRelated)
        return QStringLiteral("被审计单位和关联方名单与操作记录不符");
    return {};
}

// Several writers on one engagement: every change of a letter counts its version up, and a
// change the caller based on an older version is refused where another writer changed the
// same thing meanwhile, naming who and when from the log, so nothing is overwritten unseen.
#include "LedgerStore.h"

#include "AmountText.h"
#include "ReconciliationRecordText.h"
#include "StaleChange.h"
#include "platform/Exception.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {
QString quoted(const QString &text)
{
    return QStringLiteral("“%1”").arg(text);
}

// "已被 bob 于 2026-12-11 10:32 ", as the log names the latest change, in local time.
QString byWhom(const std::optional<LogEntry> &entry)
{
    if (!entry)
        return QStringLiteral("已被他人");
    return QStringLiteral("已被 %1 于 %2 ")
        .arg(entry->user, entry->at.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")));
}

QString refusal(const QString &number, const QStringList &conflicts)
{
    return QStringLiteral("函证编号 %1 的%2，未作改动；请刷新后再改")
        .arg(number, conflicts.join(QStringLiteral("；")));
}

QString itemsSummary(const QList<ReconcilingItem> &items)
{
    if (items.isEmpty())
        return QStringLiteral("没有调节项");
    qint64 sum = 0;
    for (const ReconcilingItem &item : items)
        sum += item.cents;
    return QStringLiteral("%1 项，合计 %2").arg(items.size()).arg(AmountText::of(sum));
}

QString procedureSummary(const std::optional<AlternativeProcedure> &procedure)
{
    if (!procedure)
        return QStringLiteral("没有替代程序");
    return QStringLiteral("结论%1、证据 %2 项")
        .arg(quoted(procedure->conclusion))
        .arg(procedure->evidence.size());
}

QString partConflict(const QString &part, const std::optional<LogEntry> &last, const QString &seen,
                     const QString &now)
{
    return QStringLiteral("%1%2修改（您打开时：%3；现在：%4）").arg(part, byWhom(last), seen, now);
}
} // namespace

void LedgerStore::bumpVersion(qint64 letter)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("UPDATE letters SET version = version + 1 WHERE id = ?"));
    query.addBindValue(letter);
    if (!query.exec())
        fail(QStringLiteral("修改"), query.lastError());
}

std::optional<LogEntry> LedgerStore::lastChange(const QString &number,
                                                const QStringList &fields) const
{
    QStringList marks;
    QVariantList bound{number};
    for (const QString &field : fields) {
        marks.append(QStringLiteral("?"));
        bound.append(field);
    }
    const QList<LogEntry> found = selectLog(
        QStringLiteral("WHERE id = (SELECT MAX(id) FROM log WHERE subject = ? AND field IN (%1))")
            .arg(marks.join(QStringLiteral(", "))),
        bound);
    if (found.isEmpty())
        return std::nullopt;
    return found.first();
}

void LedgerStore::refuseStale(const LedgerLetter &current, const LedgerLetter &seen,
                              const QList<QPair<LetterField, QString>> &values) const
{
    if (seen.id == current.id && seen.version == current.version)
        return;
    QStringList conflicts;
    QList<LetterField> named;
    for (const auto &[field, text] : values) {
        const QString wanted = normalized(field, text);
        const QString now = current.value(field), was = seen.value(field);
        // Another writer's value the caller saw, or the very one it wants, overwrites nothing.
        if (now == was || now == wanted || named.contains(field))
            continue;
        named.append(field);
        conflicts.append(QStringLiteral("%1%2%3（%4，%5）")
                             .arg(fieldName(field),
                                  byWhom(lastChange(current.identity.number, {fieldName(field)})),
                                  now.isEmpty() ? QStringLiteral("清空")
                                                : QStringLiteral("修改为") + quoted(now),
                                  was.isEmpty() ? QStringLiteral("您看到的是空白")
                                                : QStringLiteral("您看到的是") + quoted(was),
                                  wanted.isEmpty() ? QStringLiteral("要清空")
                                                   : QStringLiteral("要改为") + quoted(wanted)));
    }
    if (!conflicts.isEmpty())
        throw StaleChange(refusal(current.identity.number, conflicts));
}

QPair<bool, bool>
LedgerStore::reconciliationToWrite(const LedgerLetter &current, const ReconciliationSeen &seen,
                                   const QList<ReconcilingItem> &items,
                                   const std::optional<AlternativeProcedure> &procedure) const
{
    using namespace ReconciliationRecordText;
    // A part the dialog leaves as it opened it is not the auditor's change: another
    // writer's change to it since stays.
    const bool writeItems = items != seen.items;
    const bool writeProcedure = procedure != seen.procedure;
    if (seen.letterId == current.id && seen.version == current.version)
        return {writeItems, writeProcedure};
    const QString &number = current.identity.number;
    QStringList conflicts;
    if (writeItems) {
        const QList<ReconcilingItem> now = reconcilingItems(number);
        if (now != seen.items && now != items)
            conflicts.append(partConflict(QStringLiteral("调节项"), lastChange(number, {ItemField}),
                                          itemsSummary(seen.items), itemsSummary(now)));
    }
    if (writeProcedure) {
        const std::optional<AlternativeProcedure> now = alternativeProcedure(number);
        if (now != seen.procedure && now != procedure)
            conflicts.append(partConflict(QStringLiteral("替代程序"),
                                          lastChange(number, {ConclusionField, EvidenceField}),
                                          procedureSummary(seen.procedure), procedureSummary(now)));
    }
    if (!conflicts.isEmpty())
        throw StaleChange(refusal(number, conflicts));
    return {writeItems, writeProcedure};
}

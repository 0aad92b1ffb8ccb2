// Reconciling items, alternative procedures and the tolerance they are judged by. Each list
// is replaced whole, all or none, and logged an item at a time; 函证结果 follows from the
// reply amount, the items and the tolerance.
#include "LedgerStore.h"

#include "AmountText.h"
#include "ListChanges.h"
#include "ReconciliationRecordText.h"
#include "SqlBinding_p.h"
#include "platform/Exception.h"

#include <QMap>
#include <QSqlError>
#include <QSqlQuery>

namespace {
using namespace ReconciliationRecordText;

const QString kLedgerSubject = QStringLiteral("台账");

QString noLetter(const QString &number)
{
    return QStringLiteral("函证台账中没有函证编号为“%1”的有效询证函").arg(number.trimmed());
}

// The texts are kept as typed, without the spaces around them.
ReconcilingItem cleaned(ReconcilingItem item)
{
    item.kind = item.kind.trimmed();
    item.reference = item.reference.trimmed();
    item.note = item.note.trimmed();
    return item;
}

AlternativeProcedure cleaned(AlternativeProcedure procedure)
{
    procedure.conclusion = procedure.conclusion.trimmed();
    procedure.note = procedure.note.trimmed();
    for (AlternativeEvidence &evidence : procedure.evidence) {
        evidence.kind = evidence.kind.trimmed();
        evidence.reference = evidence.reference.trimmed();
    }
    return procedure;
}

QStringList itemTexts(const QList<ReconcilingItem> &items)
{
    QStringList texts;
    for (const ReconcilingItem &item : items)
        texts.append(itemText(item));
    return texts;
}

QStringList evidenceTexts(const std::optional<AlternativeProcedure> &procedure)
{
    QStringList texts;
    if (procedure)
        for (const AlternativeEvidence &evidence : procedure->evidence)
            texts.append(evidenceText(evidence));
    return texts;
}

// Prepares and runs a statement with its values bound in order.
bool run(QSqlQuery &query, const QString &statement, const QVariantList &bound)
{
    query.prepare(statement);
    for (const QVariant &value : bound)
        query.addBindValue(value);
    return query.exec();
}

QString dateText(const QDate &date)
{
    return date.isValid() ? date.toString(Qt::ISODate) : QString();
}

// A letter's lists as its log entries leave them.
struct Replayed
{
    QStringList items, evidence;
    QString conclusion;
    bool consistent = true; // every removal named what was there
};

Replayed replayed(const QList<LogEntry> &entries)
{
    Replayed made;
    for (const LogEntry &entry : entries) {
        if (entry.field == ConclusionField) {
            made.conclusion = entry.newValue;
            continue;
        }
        QStringList &list = entry.field == ItemField ? made.items : made.evidence;
        int position = -1;
        if (!entry.oldValue.isEmpty()) {
            const QString text = withoutPosition(entry.oldValue, &position);
            made.consistent = ListChanges::remove(list, position, text) && made.consistent;
        }
        if (!entry.newValue.isEmpty()) {
            const QString text = withoutPosition(entry.newValue, &position);
            made.consistent = ListChanges::insert(list, position, text) && made.consistent;
        }
    }
    return made;
}
} // namespace

const QString LedgerStore::ReconcileAction = QStringLiteral("调节");
const QString LedgerStore::AlternativeAction = QStringLiteral("替代程序");

// --- Reading

void LedgerStore::forEachItem(
    const QString &where, const QVariantList &bound,
    const std::function<void(qint64, const QString &, const ReconcilingItem &)> &take) const
{
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!run(query,
             QStringLiteral("SELECT i.letter, l.number, i.kind, i.cents, i.item_date, "
                            "i.reference, i.note FROM reconciling_items i JOIN letters l ON "
                            "l.id = i.letter %1 ORDER BY i.letter, i.seq")
                 .arg(where),
             bound))
        fail(QStringLiteral("读取"), query.lastError());
    while (query.next())
        take(query.value(0).toLongLong(), query.value(1).toString(),
             {query.value(2).toString(), query.value(3).toLongLong(),
              QDate::fromString(query.value(4).toString(), Qt::ISODate), query.value(5).toString(),
              query.value(6).toString()});
}

void LedgerStore::forEachProcedure(
    const QString &where, const QVariantList &bound,
    const std::function<void(qint64, const QString &, const AlternativeProcedure &)> &take) const
{
    QMap<qint64, QPair<QString, AlternativeProcedure>> found;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!run(query,
             QStringLiteral("SELECT p.letter, l.number, p.covered_cents, p.conclusion, "
                            "p.note FROM alternative_procedures p JOIN letters l ON l.id = "
                            "p.letter %1")
                 .arg(where),
             bound))
        fail(QStringLiteral("读取"), query.lastError());
    while (query.next()) {
        AlternativeProcedure procedure;
        procedure.coveredCents = query.value(2).toLongLong();
        procedure.conclusion = query.value(3).toString();
        procedure.note = query.value(4).toString();
        found.insert(query.value(0).toLongLong(), {query.value(1).toString(), procedure});
    }
    if (!run(query,
             QStringLiteral("SELECT e.letter, e.kind, e.cents, e.evidence_date, e.reference "
                            "FROM alternative_evidence e JOIN alternative_procedures p ON "
                            "p.letter = e.letter JOIN letters l ON l.id = e.letter %1 "
                            "ORDER BY e.letter, e.seq")
                 .arg(where),
             bound))
        fail(QStringLiteral("读取"), query.lastError());
    while (query.next())
        if (const auto procedure = found.find(query.value(0).toLongLong());
            procedure != found.end())
            procedure->second.evidence.append(
                {query.value(1).toString(), query.value(2).toLongLong(),
                 QDate::fromString(query.value(3).toString(), Qt::ISODate),
                 query.value(4).toString()});
    for (auto procedure = found.cbegin(); procedure != found.cend(); ++procedure)
        take(procedure.key(), procedure->first, procedure->second);
}

QList<ReconcilingItem> LedgerStore::reconcilingItems(const QString &number) const
{
    QList<ReconcilingItem> items;
    forEachItem(
        QStringLiteral("WHERE l.number = ? AND l.voided IS NULL"), {number.trimmed()},
        [&items](qint64, const QString &, const ReconcilingItem &item) { items.append(item); });
    return items;
}

QHash<QString, QList<ReconcilingItem>> LedgerStore::allReconcilingItems() const
{
    QHash<QString, QList<ReconcilingItem>> items;
    forEachItem(QStringLiteral("WHERE l.voided IS NULL"), {},
                [&items](qint64, const QString &number, const ReconcilingItem &item) {
                    items[number].append(item);
                });
    return items;
}

std::optional<AlternativeProcedure> LedgerStore::alternativeProcedure(const QString &number) const
{
    std::optional<AlternativeProcedure> found;
    forEachProcedure(QStringLiteral("WHERE l.number = ? AND l.voided IS NULL"), {number.trimmed()},
                     [&found](qint64, const QString &, const AlternativeProcedure &procedure) {
                         found = procedure;
                     });
    return found;
}

QHash<QString, AlternativeProcedure> LedgerStore::alternativeProcedures() const
{
    QHash<QString, AlternativeProcedure> all;
    forEachProcedure(QStringLiteral("WHERE l.voided IS NULL"), {},
                     [&all](qint64, const QString &number, const AlternativeProcedure &procedure) {
                         all.insert(number, procedure);
                     });
    return all;
}

qint64 LedgerStore::toleranceCents() const
{
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT value FROM meta WHERE key = 'tolerance_cents'"));
    if (!exec(query))
        fail(QStringLiteral("读取"), query.lastError());
    return query.next() ? query.value(0).toLongLong() : 0;
}

// --- Writing

void LedgerStore::judgeWithin(const LedgerLetter &letter, const QList<ReconcilingItem> &items,
                              qint64 tolerance)
{
    const QString reply = letter.value(LetterField::ReplyAmount);
    if (reply.isEmpty())
        return;
    const QString result = Reconciliation::resultOf(
        Reconciliation::differenceAfter(
            letter.identity.cents, AmountText::parse(reply, fieldName(LetterField::ReplyAmount)),
            items),
        tolerance);
    if (!result.isEmpty())
        setValuesWithin(letter, {{LetterField::Result, result}}, ReconcileAction);
}

void LedgerStore::judgeAgainWithin(const LedgerLetter &letter)
{
    QList<ReconcilingItem> items;
    forEachItem(
        QStringLiteral("WHERE l.id = ?"), {letter.id},
        [&items](qint64, const QString &, const ReconcilingItem &item) { items.append(item); });
    if (items.isEmpty())
        return;
    // The result this sets again is the team's to keep: the centre alone may not move it.
    requireRole({LedgerRole::Team});
    // 调节后相符 rests on the reply amount: taken off with it, it would stand on nothing.
    if (letter.value(LetterField::ReplyAmount).isEmpty()) {
        if (letter.value(LetterField::Result) == Reconciliation::Agreed)
            setValuesWithin(letter, {{LetterField::Result, QString()}}, ReconcileAction);
        return;
    }
    judgeWithin(letter, items, toleranceCents());
}

namespace {
// The items as kept: trimmed, each checked, the letter named in the refusal.
QList<ReconcilingItem> cleanedItems(const QString &number, const QList<ReconcilingItem> &items)
{
    QList<ReconcilingItem> clean;
    for (const ReconcilingItem &item : items) {
        clean.append(cleaned(item));
        try {
            Reconciliation::check(clean.last());
        } catch (const Exception &error) {
            throw Exception(QStringLiteral("函证编号 %1：%2（第 %3 项），未作改动")
                                .arg(number.trimmed(), error.message())
                                .arg(clean.size()));
        }
    }
    return clean;
}
} // namespace

void LedgerStore::setReconcilingItems(const QString &number, const QList<ReconcilingItem> &items)
{
    requireRole({LedgerRole::Team});
    const QList<ReconcilingItem> clean = cleanedItems(number, items);
    write([&] { replaceItemsWithin(liveLetter(number), clean); });
}

void LedgerStore::setAlternativeProcedure(const QString &number,
                                          const std::optional<AlternativeProcedure> &procedure)
{
    requireRole({LedgerRole::Team});
    const std::optional<AlternativeProcedure> clean =
        procedure ? std::optional(cleaned(*procedure)) : std::nullopt;
    write([&] { replaceProcedureWithin(liveLetter(number), clean); });
}

void LedgerStore::setReconciliation(const QString &number, const QList<ReconcilingItem> &items,
                                    const std::optional<AlternativeProcedure> &procedure,
                                    const ReconciliationSeen *seen)
{
    requireRole({LedgerRole::Team});
    const QList<ReconcilingItem> cleanItems = cleanedItems(number, items);
    const std::optional<AlternativeProcedure> cleanProcedure =
        procedure ? std::optional(cleaned(*procedure)) : std::nullopt;
    write([&] {
        const LedgerLetter found = liveLetter(number);
        const auto [writeItems, writeProcedure] =
            seen ? reconciliationToWrite(found, *seen, cleanItems, cleanProcedure)
                 : QPair<bool, bool>(true, true);
        if (writeItems)
            replaceItemsWithin(found, cleanItems);
        if (writeProcedure)
            replaceProcedureWithin(found, cleanProcedure);
    });
}

LedgerLetter LedgerStore::liveLetter(const QString &number) const
{
    const auto found = letter(number);
    if (!found)
        throw Exception(noLetter(number));
    return *found;
}

void LedgerStore::replaceItemsWithin(const LedgerLetter &letter,
                                     const QList<ReconcilingItem> &clean)
{
    {
        const LedgerLetter *found = &letter;
        QList<ReconcilingItem> old;
        forEachItem(
            QStringLiteral("WHERE l.id = ?"), {found->id},
            [&old](qint64, const QString &, const ReconcilingItem &item) { old.append(item); });
        const ListChanges::Changes changes = ListChanges::between(itemTexts(old), itemTexts(clean));
        const bool changed = !changes.removed.isEmpty() || !changes.added.isEmpty();
        if (changed) {
            QSqlQuery query(m_db);
            query.prepare(QStringLiteral("DELETE FROM reconciling_items WHERE letter = ?"));
            query.addBindValue(found->id);
            if (!query.exec())
                fail(QStringLiteral("修改"), query.lastError());
            query.prepare(
                QStringLiteral("INSERT INTO reconciling_items (letter, seq, kind, cents, "
                               "item_date, reference, note) VALUES (?, ?, ?, ?, ?, ?, ?)"));
            for (int i = 0; i < clean.size(); ++i) {
                const ReconcilingItem &item = clean[i];
                bindAll(query, {found->id, i, item.kind, item.cents, dateText(item.date),
                                item.reference, item.note});
                if (!query.exec())
                    fail(QStringLiteral("修改"), query.lastError());
            }
            const QString subject = found->identity.number;
            for (int i : changes.removed)
                appendLog(ReconcileAction, subject, ItemField, itemText(old[i], i), QString());
            for (int i : changes.added)
                appendLog(ReconcileAction, subject, ItemField, QString(), itemText(clean[i], i));
            bumpVersion(found->id);
        }
        // An unchanged empty list leaves a result the auditor entered alone.
        if (changed || !clean.isEmpty())
            judgeWithin(*found, clean, toleranceCents());
    }
}

void LedgerStore::replaceProcedureWithin(const LedgerLetter &letter,
                                         const std::optional<AlternativeProcedure> &clean)
{
    {
        const LedgerLetter *found = &letter;
        const QString subject = found->identity.number;
        if (clean) {
            try {
                Reconciliation::check(*clean, found->identity.cents);
            } catch (const Exception &error) {
                throw Exception(
                    QStringLiteral("函证编号 %1：%2，未作改动").arg(subject, error.message()));
            }
        }
        std::optional<AlternativeProcedure> old;
        forEachProcedure(
            QStringLiteral("WHERE l.id = ?"), {found->id},
            [&old](qint64, const QString &, const AlternativeProcedure &kept) { old = kept; });
        const QString oldConclusion = conclusionText(old), newConclusion = conclusionText(clean);
        const QStringList oldEvidence = evidenceTexts(old), newEvidence = evidenceTexts(clean);
        const ListChanges::Changes changes = ListChanges::between(oldEvidence, newEvidence);
        if (oldConclusion == newConclusion && changes.removed.isEmpty() && changes.added.isEmpty())
            return;

        QSqlQuery query(m_db);
        for (const char *table : {"alternative_evidence", "alternative_procedures"}) {
            query.prepare(
                QStringLiteral("DELETE FROM %1 WHERE letter = ?").arg(QLatin1String(table)));
            query.addBindValue(found->id);
            if (!query.exec())
                fail(QStringLiteral("修改"), query.lastError());
        }
        if (clean) {
            query.prepare(QStringLiteral("INSERT INTO alternative_procedures (letter, "
                                         "covered_cents, conclusion, note) VALUES (?, ?, ?, ?)"));
            bindAll(query, {found->id, clean->coveredCents, clean->conclusion, clean->note});
            if (!query.exec())
                fail(QStringLiteral("修改"), query.lastError());
            query.prepare(QStringLiteral("INSERT INTO alternative_evidence (letter, seq, kind, "
                                         "cents, evidence_date, reference) VALUES (?, ?, ?, ?, "
                                         "?, ?)"));
            for (int i = 0; i < clean->evidence.size(); ++i) {
                const AlternativeEvidence &evidence = clean->evidence[i];
                bindAll(query, {found->id, i, evidence.kind, evidence.cents,
                                dateText(evidence.date), evidence.reference});
                if (!query.exec())
                    fail(QStringLiteral("修改"), query.lastError());
            }
        }
        // The conclusion comes first when a procedure is recorded, last when it is taken
        // off, so that the log reads as the work was done.
        const bool conclusionFirst = clean.has_value();
        auto logConclusion = [&] {
            if (oldConclusion != newConclusion)
                appendLog(AlternativeAction, subject, ConclusionField, oldConclusion,
                          newConclusion);
        };
        if (conclusionFirst)
            logConclusion();
        for (int i : changes.removed)
            appendLog(AlternativeAction, subject, EvidenceField, evidenceText(old->evidence[i], i),
                      QString());
        for (int i : changes.added)
            appendLog(AlternativeAction, subject, EvidenceField, QString(),
                      evidenceText(clean->evidence[i], i));
        if (!conclusionFirst)
            logConclusion();
        bumpVersion(found->id);
    }
}

void LedgerStore::setToleranceCents(qint64 cents)
{
    requireRole({LedgerRole::Team});
    if (cents < 0)
        throw Exception(
            QStringLiteral("调节容差 %1 不能为负数，未作改动").arg(AmountText::of(cents)));
    write([&] {
        const qint64 old = toleranceCents();
        if (old == cents)
            return;
        QSqlQuery query(m_db);
        query.prepare(QStringLiteral("UPDATE meta SET value = ? WHERE key = 'tolerance_cents'"));
        query.addBindValue(QString::number(cents));
        if (!query.exec())
            fail(QStringLiteral("修改"), query.lastError());
        if (query.numRowsAffected() == 0) {
            query.prepare(
                QStringLiteral("INSERT INTO meta (key, value) VALUES ('tolerance_cents', ?)"));
            query.addBindValue(QString::number(cents));
            if (!query.exec())
                fail(QStringLiteral("修改"), query.lastError());
        }
        appendLog(ReconcileAction, kLedgerSubject, ToleranceField, AmountText::of(old),
                  AmountText::of(cents));
        QHash<qint64, QList<ReconcilingItem>> items;
        forEachItem(QStringLiteral("WHERE l.voided IS NULL"), {},
                    [&items](qint64 letter, const QString &, const ReconcilingItem &item) {
                        items[letter].append(item);
                    });
        if (items.isEmpty())
            return;
        for (const LedgerLetter &letter :
             selectLetters(QStringLiteral("WHERE voided IS NULL AND id IN (SELECT letter FROM "
                                          "reconciling_items)"),
                           {}))
            judgeWithin(letter, items.value(letter.id), cents);
    });
}

// --- The check

QString LedgerStore::reconciliationDiffers(const QHash<qint64, QList<LogEntry>> &logged,
                                           const QList<LogEntry> &tolerance) const
{
    qint64 expectedTolerance = 0;
    for (const LogEntry &entry : tolerance)
        if (entry.field == ToleranceField)
            expectedTolerance = AmountText::parse(entry.newValue, ToleranceField);
    if (toleranceCents() != expectedTolerance)
        return QStringLiteral("调节容差与操作记录不符");

    // Every letter with a row or an entry, voided ones too: a row belongs to its letter.
    QMap<qint64, QString> numbers;
    QHash<qint64, QStringList> items, evidence;
    QHash<qint64, QString> conclusions;
    forEachItem(QString(), {},
                [&](qint64 letter, const QString &number, const ReconcilingItem &item) {
                    numbers.insert(letter, number);
                    items[letter].append(itemText(item));
                });
    forEachProcedure(
        QString(), {},
        [&](qint64 letter, const QString &number, const AlternativeProcedure &procedure) {
            numbers.insert(letter, number);
            conclusions.insert(letter, conclusionText(procedure));
            evidence.insert(letter, evidenceTexts(procedure));
        });
    for (auto entries = logged.constBegin(); entries != logged.constEnd(); ++entries)
        if (!entries->isEmpty())
            numbers.insert(entries.key(), entries->first().subject);
    for (auto letter = numbers.constBegin(); letter != numbers.constEnd(); ++letter) {
        const Replayed made = replayed(logged.value(letter.key()));
        if (!made.consistent || made.items != items.value(letter.key()))
            return QStringLiteral("函证编号 %1 的调节项与操作记录不符").arg(*letter);
        if (made.conclusion != conclusions.value(letter.key()) ||
            made.evidence != evidence.value(letter.key()))
            return QStringLiteral("函证编号 %1 的替代程序与操作记录不符").arg(*letter);
    }
    return QString();
}

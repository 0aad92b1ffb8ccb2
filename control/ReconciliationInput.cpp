#include "ReconciliationInput.h"

#include "AmountInput.h"
#include "DateInput.h"

#include <algorithm>

namespace ReconciliationInput {

namespace {

// The parts both lists share, read for the row 'row' of the list whose rows are 'noun'.
struct Common
{
    qint64 cents = 0;
    QDate date;
};

Common common(const QString &noun, int row, const QString &kind, const QStringList &kinds,
              const QString &amount, const QString &date, bool signedAmount,
              const RegionalSettings &settings)
{
    const QString name = QStringLiteral("第 %1 行%2").arg(row + 1).arg(noun);
    if (!kinds.contains(kind))
        throw RowError(QStringLiteral("%1的种类“%2”不在可选之列").arg(name, kind), row, Kind);
    Common read;
    try {
        const QString label = name + QStringLiteral("金额");
        const std::optional<qint64> cents = signedAmount
                                                ? AmountInput::signedCents(label, amount, settings)
                                                : AmountInput::cents(label, amount, settings);
        if (!cents)
            throw RowError(name + QStringLiteral("没有金额"), row, Amount);
        read.cents = *cents;
    } catch (const RowError &) {
        throw;
    } catch (const Exception &error) {
        throw RowError(error.message(), row, Amount);
    }
    try {
        read.date =
            DateInput::date(name + QStringLiteral("日期"), date, settings).value_or(QDate());
    } catch (const Exception &error) {
        throw RowError(error.message(), row, Date);
    }
    return read;
}

} // namespace

QList<ReconcilingItem> items(const QList<ItemRow> &rows, const RegionalSettings &settings)
{
    QList<ReconcilingItem> items;
    const QStringList kinds = Reconciliation::itemKinds();
    for (int row = 0; row < rows.size(); ++row) {
        const ItemRow &typed = rows[row];
        const Common read = common(QStringLiteral("调节项"), row, typed.kind, kinds, typed.amount,
                                   typed.date, true, settings);
        items.append(
            {typed.kind, read.cents, read.date, typed.reference.trimmed(), typed.note.trimmed()});
        // What the ledger refuses of an item, said of its row.
        try {
            Reconciliation::check(items.last());
        } catch (const Exception &error) {
            throw RowError(QStringLiteral("第 %1 行调节项：%2").arg(row + 1).arg(error.message()),
                           row, Amount);
        }
    }
    return items;
}

QList<AlternativeEvidence> evidence(const QList<EvidenceRow> &rows,
                                    const RegionalSettings &settings)
{
    QList<AlternativeEvidence> evidence;
    const QStringList kinds = Reconciliation::evidenceKinds();
    for (int row = 0; row < rows.size(); ++row) {
        const EvidenceRow &typed = rows[row];
        const Common read = common(QStringLiteral("证据"), row, typed.kind, kinds, typed.amount,
                                   typed.date, false, settings);
        evidence.append({typed.kind, read.cents, read.date, typed.reference.trimmed()});
    }
    return evidence;
}

AlternativeProcedure procedure(const QList<EvidenceRow> &rows, const QString &covered,
                               const QString &conclusion, const QString &note,
                               std::optional<qint64> bookCents, const RegionalSettings &settings)
{
    AlternativeProcedure procedure;
    procedure.evidence = evidence(rows, settings);
    procedure.coveredCents = AmountInput::cents(QStringLiteral("确认金额"), covered, settings)
                                 .value_or(defaultCovered(rows, bookCents, settings));
    procedure.conclusion = conclusion;
    procedure.note = note.trimmed();
    return procedure;
}

qint64 evidenceCents(const QList<EvidenceRow> &rows, const RegionalSettings &settings)
{
    qint64 sum = 0;
    for (const EvidenceRow &row : rows)
        try {
            sum += AmountInput::cents(QString(), row.amount, settings).value_or(0);
        } catch (const Exception &) {
            // Not yet an amount: left out while being typed; 保存 names it.
        }
    return sum;
}

qint64 defaultCovered(const QList<EvidenceRow> &rows, std::optional<qint64> bookCents,
                      const RegionalSettings &settings)
{
    qint64 sum = evidenceCents(rows, settings);
    if (bookCents)
        sum = std::min(sum, std::max<qint64>(*bookCents, 0));
    return std::max<qint64>(sum, 0);
}

ItemRow rowOf(const ReconcilingItem &item, const RegionalSettings &settings)
{
    return {item.kind, AmountInput::text(item.cents, settings), DateInput::text(item.date),
            item.reference, item.note};
}

EvidenceRow rowOf(const AlternativeEvidence &evidence, const RegionalSettings &settings)
{
    return {evidence.kind, AmountInput::text(evidence.cents, settings),
            DateInput::text(evidence.date), evidence.reference};
}

} // namespace ReconciliationInput

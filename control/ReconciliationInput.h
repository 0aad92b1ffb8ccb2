#pragma once
// The reconciling items and the evidence of an alternative procedure as the auditor types
// them into a list, row by row, read into the ledger's values; and the rows that show
// values kept. Amounts under the regional settings, items' with a sign.

#include "ledger/ReconciliationTypes.h"
#include "platform/Exception.h"
#include "platform/RegionalSettings.h"

namespace ReconciliationInput {

struct ItemRow
{
    QString kind, amount, date, reference, note;
};
struct EvidenceRow
{
    QString kind, amount, date, reference;
};
// The columns of both lists, the item's note last.
enum Column
{
    Kind,
    Amount,
    Date,
    Reference,
    Note
};

// A row refused: the message names it; row (from 0) and column say where to go back to.
class RowError : public Exception
{
public:
    RowError(const QString &message, int row, Column column)
        : Exception(message), m_row(row), m_column(column)
    {
    }
    int row() const { return m_row; }
    Column column() const { return m_column; }

private:
    int m_row;
    Column m_column;
};

// Raise RowError for the first row without an amount, with an amount or a date that does
// not read, of a kind not in the list, or an item Reconciliation::check refuses:
// "第 2 行调节项没有金额".
QList<ReconcilingItem> items(const QList<ItemRow> &rows, const RegionalSettings &settings);
QList<AlternativeEvidence> evidence(const QList<EvidenceRow> &rows,
                                    const RegionalSettings &settings);

// The procedure the evidence rows, 确认金额 (empty: defaultCovered) and the conclusion
// give; raises RowError for a row, Exception for 确认金额 that is no amount.
AlternativeProcedure procedure(const QList<EvidenceRow> &rows, const QString &covered,
                               const QString &conclusion, const QString &note,
                               std::optional<qint64> bookCents, const RegionalSettings &settings);
// The sum of the evidence rows whose amount reads: the rest are still being typed.
qint64 evidenceCents(const QList<EvidenceRow> &rows, const RegionalSettings &settings);
// 确认金额 while the user has typed none: evidenceCents, within nothing and the book amount.
qint64 defaultCovered(const QList<EvidenceRow> &rows, std::optional<qint64> bookCents,
                      const RegionalSettings &settings);

ItemRow rowOf(const ReconcilingItem &item, const RegionalSettings &settings);
EvidenceRow rowOf(const AlternativeEvidence &evidence, const RegionalSettings &settings);

} // namespace ReconciliationInput

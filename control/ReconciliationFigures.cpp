#include "ReconciliationFigures.h"

#include "AmountInput.h"

ReconciliationFigures ReconciliationFigures::of(std::optional<qint64> bookCents,
                                                std::optional<qint64> replyCents,
                                                const QList<ReconciliationInput::ItemRow> &rows,
                                                qint64 toleranceCents,
                                                const RegionalSettings &settings)
{
    ReconciliationFigures figures;
    if (bookCents && replyCents)
        figures.differenceCents = *replyCents - *bookCents;
    QList<ReconcilingItem> read;
    for (const ReconciliationInput::ItemRow &row : rows) {
        std::optional<qint64> cents;
        try {
            cents = AmountInput::signedCents(QString(), row.amount, settings);
        } catch (const Exception &) {
        }
        if (!cents) {
            ++figures.rowsLeftOut;
            continue;
        }
        figures.itemsCents += *cents;
        read.append({row.kind, *cents, {}, {}, {}});
    }
    figures.differenceAfterCents = Reconciliation::differenceAfter(bookCents, replyCents, read);
    figures.result = Reconciliation::resultOf(figures.differenceAfterCents, toleranceCents);
    return figures;
}

QString ReconciliationFigures::suggestedConclusion(qint64 coveredCents,
                                                   std::optional<qint64> bookCents)
{
    const QStringList conclusions = Reconciliation::conclusions();
    if (coveredCents <= 0 && !(bookCents && *bookCents <= 0))
        return conclusions[2];
    if (!bookCents || coveredCents >= *bookCents)
        return conclusions[0];
    return conclusions[1];
}

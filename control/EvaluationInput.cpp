// What the evaluation reads of a ledger: its confirmations, its latest selection and its
// tolerance.
#include "Evaluation.h"

#include "Cents.h"
#include "SelectionParameters.h"
#include "ledger/LedgerStore.h"

#include <QHash>

namespace Evaluation {

namespace {

std::optional<qint64> replyCentsOf(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double amount = text.toDouble(&ok);
    return ok ? Cents::of(amount) : std::nullopt;
}

// The live first letters as items, with a second request's reply standing for its first
// letter's where the first has none: either answers the same confirmation.
QList<Item> lettersOf(const LedgerStore &ledger)
{
    const QList<LedgerLetter> letters = ledger.letters();
    QHash<QString, qsizetype> firstAt;
    QList<Item> items;
    for (const LedgerLetter &letter : letters) {
        if (letter.voided.isValid() || !letter.follows.isEmpty())
            continue;
        Item item;
        item.number = letter.identity.number;
        item.customer = letter.identity.customer;
        item.bookCents = letter.identity.cents.value_or(0);
        item.result = letter.value(LetterField::Result);
        item.replyCents = replyCentsOf(letter.value(LetterField::ReplyAmount));
        firstAt.insert(item.number, items.size());
        items.append(item);
    }
    for (const LedgerLetter &letter : letters) {
        if (letter.voided.isValid() || letter.follows.isEmpty() ||
            !firstAt.contains(letter.follows))
            continue;
        Item &first = items[firstAt.value(letter.follows)];
        if (!first.replyCents)
            first.replyCents = replyCentsOf(letter.value(LetterField::ReplyAmount));
        if (first.result.isEmpty())
            first.result = letter.value(LetterField::Result);
    }
    return items;
}

Sample sampleOf(const LedgerSelection &selection)
{
    Sample sample;
    sample.method = selection.method;
    const SelectionParameters::Round first = SelectionParameters::read(selection.rounds.value(0));
    int points = first.points;
    for (qsizetype i = 1; i < selection.rounds.size(); ++i)
        points += SelectionParameters::read(selection.rounds[i]).points;
    if (first.plan) {
        sample.monetary = first.plan->method == SamplingMethod::MonetarySystematic ||
                          first.plan->method == SamplingMethod::MonetaryCell;
        sample.simpleRandom = first.plan->method == SamplingMethod::SimpleRandom;
        sample.confidence = first.plan->confidence;
        sample.tolerableCents = first.plan->tolerableCents;
    }
    sample.frameCents = first.sampledCents;
    // Points an extension drew narrow the interval every point stands for.
    if (sample.monetary && points > 0)
        sample.intervalCents = double(first.sampledCents) / points;
    return sample;
}

} // namespace

Input inputOf(const LedgerStore &ledger)
{
    Input input;
    input.items = lettersOf(ledger);
    input.toleranceCents = ledger.toleranceCents();
    const QHash<QString, QList<ReconcilingItem>> reconciling = ledger.allReconcilingItems();
    const QHash<QString, AlternativeProcedure> procedures = ledger.alternativeProcedures();
    for (Item &item : input.items) {
        item.items = reconciling.value(item.number);
        if (const auto procedure = procedures.constFind(item.number);
            procedure != procedures.cend())
            item.alternative = *procedure;
    }

    const QList<LedgerSelection> selections = ledger.selections();
    if (selections.isEmpty()) {
        input.populationRows = int(input.items.size());
        for (const Item &item : std::as_const(input.items))
            input.populationCents += item.bookCents;
        return input;
    }
    const LedgerSelection &selection = selections.last();
    input.populationRows = selection.rowCount;
    input.populationCents = selection.totalCents;
    input.sample = sampleOf(selection);
    QHash<QString, qsizetype> itemAt;
    for (qsizetype i = 0; i < input.items.size(); ++i)
        itemAt.insert(input.items[i].number, i);
    const QList<PopulationRow> rows = ledger.population(selection.id);
    for (const SelectionPick &pick : selection.picks) {
        const PopulationRow row = rows.value(pick.position);
        if (const auto at = itemAt.constFind(row.number); at != itemAt.cend()) {
            if (input.items[*at].reason.isEmpty())
                input.items[*at].reason = pick.reason;
            continue;
        }
        Item unsent;
        unsent.number = row.number;
        unsent.customer = row.customer;
        unsent.bookCents = row.cents;
        unsent.reason = pick.reason;
        unsent.sent = false;
        // A pick without a number of its own still counts, once for each row.
        if (!row.number.isEmpty())
            itemAt.insert(row.number, input.items.size());
        input.items.append(unsent);
    }
    return input;
}

} // namespace Evaluation

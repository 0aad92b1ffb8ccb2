#include "Evaluation.h"

#include "Cents.h"
#include "EvaluationSteps.h"
#include "ReliabilityFactors.h"
#include "ledger/SelectionTypes.h"

#include <algorithm>
#include <cmath>

namespace Evaluation {

namespace {

Judged judge(const Item &item, qint64 toleranceCents)
{
    Judged judged;
    judged.item = item;
    judged.differenceAfterCents =
        Reconciliation::differenceAfter(item.bookCents, item.replyCents, item.items);
    const std::optional<qint64> &after = judged.differenceAfterCents;
    if (item.result == QStringLiteral("相符") || item.replyCents == item.bookCents) {
        judged.basis = Basis::Reply;
        judged.confirmedCents = item.bookCents;
    } else if (item.alternative) {
        // Evidence beyond the balance confirms the balance, no more: a letter kept without a
        // book amount must not confirm what nobody booked.
        judged.basis = Basis::Alternative;
        judged.confirmedCents =
            std::clamp(item.alternative->coveredCents, std::min<qint64>(item.bookCents, 0),
                       std::max<qint64>(item.bookCents, 0));
        judged.misstatementCents = item.bookCents - judged.confirmedCents;
    } else if (after && std::abs(*after) <= toleranceCents) {
        judged.basis = Basis::Reconciled;
        judged.confirmedCents = item.bookCents;
    } else if (after) {
        // What the reply says, less what the items explain, is the audited amount: a reply
        // short of the books means the books overstate.
        judged.basis = Basis::Differs;
        judged.misstatementCents = -*after;
    } else {
        // No evidence at all: nothing of the balance is audited.
        judged.misstatementCents = item.bookCents;
    }
    return judged;
}

void add(Tally &tally, qint64 cents, int count = 1)
{
    tally.count += count;
    tally.cents += cents;
}

Tally &tallyOf(Result &result, Basis basis)
{
    switch (basis) {
    case Basis::Reply:
        return result.reply;
    case Basis::Reconciled:
        return result.reconciled;
    case Basis::Alternative:
        return result.alternative;
    case Basis::Differs:
        return result.differs;
    default:
        return result.unconfirmed;
    }
}

} // namespace

QString basisName(Basis basis)
{
    switch (basis) {
    case Basis::Reply:
        return QStringLiteral("回函确认");
    case Basis::Reconciled:
        return QStringLiteral("调节后确认");
    case Basis::Alternative:
        return QStringLiteral("替代程序确认");
    case Basis::Differs:
        return QStringLiteral("调节后仍不符");
    default:
        return QStringLiteral("未确认");
    }
}

double tableFactor(int confidencePercent, int errors)
{
    // Up, as the tables print it: a factor rounded down would understate the limit. The
    // margin keeps a factor a hair above a whole cent of the table from rising past it.
    return std::ceil(ReliabilityFactors::factor(confidencePercent, errors) * 100 - 1e-6) / 100;
}

Result evaluate(const Input &input)
{
    Result result;
    result.sample = input.sample;
    result.toleranceCents = input.toleranceCents;
    result.population = {input.populationRows, input.populationCents};
    for (const Item &item : input.items) {
        const Judged judged = judge(item, input.toleranceCents);
        result.judged.append(judged);
        if (item.sent)
            add(result.sent, item.bookCents);
        if (judged.basis == Basis::Alternative) {
            add(result.alternative, judged.confirmedCents);
            add(result.unconfirmed, item.bookCents - judged.confirmedCents, 0);
        } else {
            add(tallyOf(result, judged.basis), item.bookCents);
        }
        (item.reason == PickReason::Sampled ? result.sampledFoundCents : result.knownCents) +=
            judged.misstatementCents;
    }
    Steps::project(result);
    Steps::conclude(result);
    return result;
}

namespace Steps {
QString yuan(double cents)
{
    return Cents::text(std::llround(cents));
}
} // namespace Steps

} // namespace Evaluation

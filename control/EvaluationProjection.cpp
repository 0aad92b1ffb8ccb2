// The projection of a sample's misstatements to the population it was drawn from.
#include "EvaluationSteps.h"

#include "ledger/SelectionTypes.h"

#include <algorithm>

namespace Evaluation::Steps {

namespace {

bool sampled(const Judged &judged)
{
    return judged.item.reason == PickReason::Sampled;
}

void addProjected(Result &result, double cents)
{
    (cents >= 0 ? *result.projectedOverCents : *result.projectedUnderCents) += std::abs(cents);
}

// Monetary units: each sampled item stands for the interval its point fell in, so its
// tainting (misstatement per yuan) applies to the whole interval. An item as large as the
// interval is certain to be hit, and a credit or zero balance was never drawn by amount:
// both count at their actual misstatement.
void projectMonetary(Result &result, const Sample &sample)
{
    const double interval = sample.intervalCents;
    QList<double> overstatements;
    for (Judged &judged : result.judged) {
        if (!sampled(judged))
            continue;
        const qint64 book = judged.item.bookCents;
        if (book <= 0 || book >= interval) {
            judged.projectedCents = double(judged.misstatementCents);
        } else {
            const double tainting = double(judged.misstatementCents) / double(book);
            judged.tainting = tainting;
            judged.projectedCents = tainting * interval;
            if (tainting > 0)
                overstatements.append(tainting);
        }
        addProjected(result, judged.projectedCents);
    }
    std::stable_sort(overstatements.begin(), overstatements.end(), std::greater<double>());
    // Each factor once: a factor of k misstatements takes k terms of the distribution.
    QList<double> factors;
    for (qsizetype k = 0; k <= overstatements.size(); ++k)
        factors.append(tableFactor(sample.confidence, int(k)));
    double allowances = 0;
    for (qsizetype i = 0; i < overstatements.size(); ++i) {
        Allowance allowance;
        allowance.rank = int(i + 1);
        allowance.tainting = overstatements[i];
        allowance.factorStep = factors[i + 1] - factors[i] - 1;
        allowance.cents = allowance.factorStep * allowance.tainting * interval;
        allowances += allowance.cents;
        result.allowances.append(allowance);
    }
    result.basicPrecisionCents = factors[0] * interval;
    result.upperLimitCents = *result.basicPrecisionCents + *result.projectedOverCents + allowances;
}

// Rows drawn at random: the sample's misstatement per yuan of its book amount, over the
// frame it was drawn from.
void projectRandom(Result &result, const Sample &sample)
{
    qint64 sampleBook = 0;
    for (const Judged &judged : std::as_const(result.judged))
        if (sampled(judged))
            sampleBook += judged.item.bookCents;
    if (sampleBook <= 0) {
        result.projectedOverCents.reset();
        result.projectedUnderCents.reset();
        return;
    }
    const double scale = double(sample.frameCents) / double(sampleBook);
    for (Judged &judged : result.judged)
        if (sampled(judged)) {
            judged.projectedCents = double(judged.misstatementCents) * scale;
            addProjected(result, judged.projectedCents);
        }
}

} // namespace

void project(Result &result)
{
    if (!result.sample)
        return;
    const Sample &sample = *result.sample;
    if (sample.monetary && sample.intervalCents > 0) {
        result.projectedOverCents = result.projectedUnderCents = 0.0;
        projectMonetary(result, sample);
    } else if (sample.simpleRandom) {
        result.projectedOverCents = result.projectedUnderCents = 0.0;
        projectRandom(result, sample);
    }
}

} // namespace Evaluation::Steps

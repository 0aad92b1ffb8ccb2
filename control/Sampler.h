#pragma once
// Chooses the rows of a population by a plan: every row at or above the key threshold,
// the rows picked by hand, and the rest by the plan's method from the seed's draws.
// Monetary-unit sampling runs over the positive amounts below the threshold only; credit
// and zero balances are listed for the auditor, never drawn.

#include "Population.h"
#include "SelectionPlan.h"

struct SamplingOutcome
{
    QList<SelectionPick> picks; // 重要项目 first, then 抽样 in the order drawn, then 手工
    qint64 drawsAfter = 0;      // the seed's draws used by the end
    int points = 0;             // the points or rows drawn (a row hit twice counts once in picks)
    qint64 sampledCents = 0;    // the amount the points fall in
    int sampledRows = 0;        // the rows they fall in
    double intervalCents = 0;   // monetary units: sampledCents / points
    qint64 startCents = -1;     // systematic: the random start within the first interval
    QList<int> credits, zeros;  // positions of credit and zero balances, for the auditor
};

namespace Sampler {
// What the methods draw from under a key threshold: the positive balances below it, as
// many rows and cents as there are; what a monetary-unit sample's size is computed over.
struct Frame
{
    int rows = 0;
    qint64 cents = 0;
};
// Raises Exception for a threshold not above zero.
Frame frameOf(const Population &population, std::optional<qint64> keyThresholdCents);

// Raises Exception, naming the row where there is one, for a plan that cannot be drawn: a
// size above the rows or amount there is to draw from, nothing to draw from, a manual
// position outside the population, a bad seed.
SamplingOutcome select(const Population &population, const SelectionPlan &plan);

// More picks for 'selection', made from this population by 'plan' (its first round's):
// every earlier pick stays, and 'added' more points or rows are drawn, by the same method,
// from where the seed's draws stopped; 'manual' rows are added by hand. Picks of rows
// picked before are left out of the result.
SamplingOutcome extend(const Population &population, const LedgerSelection &selection,
                       const SelectionPlan &plan, int added, const QList<int> &manual = {});
} // namespace Sampler

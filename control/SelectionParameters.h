#pragma once
// The rules and the results of a selection's round as the ledger keeps them (a JSON
// object): the plan of the first round, or what an extension added, with what the draw
// came to (points, the amount they fell in, the interval and the start).

#include "Sampler.h"

namespace SelectionParameters {
QString ofSelection(const SelectionPlan &plan, const SamplingOutcome &outcome);
QString ofExtension(int added, const QList<int> &manual, const SamplingOutcome &outcome);

struct Round
{
    std::optional<SelectionPlan> plan; // the first round's
    int added = 0;                     // an extension's
    QList<int> manual;                 // an extension's rows by hand
    int points = 0;
    qint64 sampledCents = 0;
    int sampledRows = 0;
    double intervalCents = 0;
    qint64 startCents = -1;
    int credits = 0, zeros = 0;
};
// Raises Exception when the round's parameters are not what this program writes.
Round read(const SelectionRound &round);
} // namespace SelectionParameters

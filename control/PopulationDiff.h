#pragma once
// What differs between the population a selection was made from and a table imported
// now: rows added, removed and changed, matched by their letter numbers (by customer when
// the rows carry none), so that the user sees why the earlier picks no longer apply.

#include "Population.h"

struct PopulationDiff
{
    QList<int> added;               // positions in the table now
    QList<int> removed;             // positions in the recorded population
    QList<QPair<int, int>> changed; // (recorded, now)
    bool same() const { return added.isEmpty() && removed.isEmpty() && changed.isEmpty(); }

    static PopulationDiff between(const QList<PopulationRow> &recorded, const Population &now);
    // The differences in the user's words, the first few of each kind listed with their
    // rows and numbers: "新增 2 行：第7行（WL-007 某公司）…".
    QString describe(const QList<PopulationRow> &recorded, const Population &now) const;
};

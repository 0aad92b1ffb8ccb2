#pragma once
// The selection window's inputs as the user typed them, read into a plan: the key
// threshold, the method, the size typed or computed from the tolerable and expected
// misstatement, the seed and the rows ticked by hand. No display in it, so that what the
// window does with the texts can be tried without one.

#include "Population.h"
#include "SampleSize.h"
#include "SelectionPlan.h"

#include <QList>
#include <QString>

struct SelectionDraft
{
    QString threshold; // 重要项目界限; blank: none
    SamplingMethod method = SamplingMethod::MonetarySystematic;
    bool computeSize = false;
    QString size;                // typed, when not computed
    QString tolerable, expected; // 可容忍错报, 预期错报, for the computed size
    int confidence = 95;
    QString seed;
    QList<int> manual; // positions ticked by hand

    // The threshold in cents; raises Exception naming the field for a text that is no
    // amount, or one not above zero.
    std::optional<qint64> thresholdCents(const RegionalSettings &settings) const;
    // The size from the tolerable and expected misstatement over the sample frame's amount.
    // Raises Exception with the reason none follows.
    SampleSize::Result computedSize(const Population &population,
                                    const RegionalSettings &settings) const;
    // The plan these inputs make; raises Exception naming the field that holds none.
    SelectionPlan plan(const Population &population, const RegionalSettings &settings) const;

    // Whether the method draws points over amounts, so that a size can be computed for it.
    static bool monetary(SamplingMethod method);
};

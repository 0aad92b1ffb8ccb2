#pragma once
// The Poisson reliability factors of monetary-unit sampling: the upper limit on the
// expected number of misstatements when 'errors' were found, at a confidence level; and
// the expansion factors for expected misstatement that the sample-size formula uses.

#include <QList>

namespace ReliabilityFactors {
// The confidence levels offered, in percent: 90, 95, 99.
QList<int> confidences();
// Raises Exception for a confidence level not offered.
void requireConfidence(int percent);
// The factor for 0, 1, 2 … errors, computed from the Poisson distribution (the tables
// print it rounded up: 3.00 for none at 95 %).
double factor(int confidencePercent, int errors);
// The expansion factor for expected misstatement: 1.5, 1.6, 1.9 for 90, 95, 99 %.
double expansion(int confidencePercent);
} // namespace ReliabilityFactors

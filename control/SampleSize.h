#pragma once
// The size of a monetary-unit sample from the auditor's tolerable and expected
// misstatement at a confidence level:
//   n = ceil(book value x reliability factor(0 errors) / (tolerable - expected x expansion)),
// and the sampling interval book value / n.

#include <QtGlobal>

namespace SampleSize {
struct Inputs
{
    qint64 populationCents = 0; // the book value the points fall in
    qint64 tolerableCents = 0;
    qint64 expectedCents = 0;
    int confidence = 95; // percent
};

struct Result
{
    int size = 0;
    double factor = 0;        // the reliability factor used
    double expansion = 0;     // the expansion factor used
    double intervalCents = 0; // populationCents / size
};

// Raises Exception with the reason when no size follows: a population of zero, a
// tolerable misstatement not above the expected one expanded, a confidence not offered.
Result monetaryUnit(const Inputs &inputs);
} // namespace SampleSize

#pragma once
// The steps of the evaluation after each confirmation is judged, kept apart so that each
// stays small: the projection of the sample and the conclusion drawn from it.

#include "Evaluation.h"

namespace Evaluation::Steps {
// The projection, the allowances and the upper limit of result.sample over the judged
// items, each item's share of it set in result.judged.
void project(Result &result);
// The statement, and whether the misstatement exceeds the tolerable one.
void conclude(Result &result);
// An amount in cents, rounded to the cent: "1,234.56".
QString yuan(double cents);
} // namespace Evaluation::Steps

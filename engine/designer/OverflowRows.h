#pragma once
// Which of the owner's sample records an element's text does not fit, laid out as the
// renderer lays out every page: so the designer can say how many rows overflow it and
// show one.

#include "SampleData.h"

namespace OverflowRows {
// The indexes of the records, at most all of them, whose text of element 'index' does not
// fit its box even shrunk; empty for an element without text.
QList<int> of(const ReportTemplate &report, const SampleData &data, int index);
// The record labels' row numbers for the user: "第 2、5、9 行" and "等 12 行" beyond 'shown'.
QString describe(const SampleData &data, const QList<int> &records, int shown = 5);
} // namespace OverflowRows

#pragma once
// The evaluation's part of the register's 汇总: coverage by how each confirmation was
// confirmed, the misstatements found and, for a monetary-unit sample, the projection and
// its upper limit. Written as formulas over the register's rows, so that a reader that
// computes them follows what the auditor changes there, each with the evaluation's figure
// as its cached result for a reader that computes nothing.

#include "Evaluation.h"

#include <QString>

#include <optional>

class XlsxBook;
struct lxw_worksheet;

namespace EvaluationSummary {

// The register's columns the formulas read, as ranges of its data rows.
struct Ranges
{
    QString book, reason, basis, alternative, misstatement, tainting;
};

// Writes the lines from row 'first' (from 0) of 'sheet' down, each row after the last one
// written, as a sheet written row by row requires.
void write(XlsxBook &book, lxw_worksheet *sheet, int first, const Ranges &ranges,
           const Evaluation::Result &result, const std::optional<Evaluation::Sample> &sample);

} // namespace EvaluationSummary

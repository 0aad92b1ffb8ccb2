#pragma once
// The judgement of each confirmation as the 结论 tab lists it: one row of texts a
// confirmation, amounts in yuan as the ledger window shows them.

#include "Evaluation.h"

#include <QStringList>

namespace EvaluationRows {
// 函证编号, 被询证单位, 账面金额, 选中原因, 确认方式, 调节后差异, 确认金额, 错报金额, 错报比例.
QStringList titles();
QStringList texts(const Evaluation::Judged &judged);
// The columns of amounts and ratios, shown aligned right.
bool isNumber(int column);
} // namespace EvaluationRows

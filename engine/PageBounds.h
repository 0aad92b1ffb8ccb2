#pragma once
// Which elements of a template reach past its page: they print cut off, or not at all
// (a left edge typed 999 instead of 99). The designer's status line and the batch check
// both warn of them.

#include "ReportTemplate.h"

#include <QList>
#include <QRectF>

namespace PageBounds {
// What an element covers of the page, in millimetres: its box; a table's rows and columns.
QRectF extentMm(const ReportElement &element);
// Whether some of the element lies outside the page.
bool isOutside(const ReportElement &element, const PageSetup &page);
// The indexes of the elements that lie wholly or partly outside the page, in order.
QList<int> outside(const ReportTemplate &report);
// "2 个元素超出页面，打印时会被截去：“函证码”、第 5 个元素"; empty when none does.
QString warning(const ReportTemplate &report);
} // namespace PageBounds

#pragma once
// Today's date, which tests can set.

#include <QDate>

namespace Clock {
QDate today();
// A fixed date for tests; an invalid date returns to the real clock.
void setToday(const QDate &date);
} // namespace Clock

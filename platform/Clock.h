#pragma once
// Today's date.

#include <QDate>

namespace Clock {
QDate today();
} // namespace Clock

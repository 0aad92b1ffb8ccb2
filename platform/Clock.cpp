#include "Clock.h"

namespace Clock {

namespace {
QDate g_fixed;
}

QDate today()
{
    return g_fixed.isValid() ? g_fixed : QDate::currentDate();
}

void setToday(const QDate &date)
{
    g_fixed = date;
}

} // namespace Clock

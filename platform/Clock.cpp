#include "Clock.h"

namespace Clock {

QDate today()
{
    return QDate::currentDate();
}

} // namespace Clock

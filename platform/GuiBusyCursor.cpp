#include "GuiBusyCursor.h"

#include "BusyCursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace GuiBusyCursor {

void install()
{
    BusyCursor::setDisplay({[] {
                                if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
                                    return false;
                                QGuiApplication::setOverrideCursor(Qt::WaitCursor);
                                return true;
                            },
                            [] { QGuiApplication::restoreOverrideCursor(); }});
}

} // namespace GuiBusyCursor

#include "BusyCursor.h"

#include <QCursor>
#include <QGuiApplication>

BusyCursor::BusyCursor()
{
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        m_set = true;
    }
}

void BusyCursor::restore()
{
    if (m_set) {
        QGuiApplication::restoreOverrideCursor();
        m_set = false;
    }
}

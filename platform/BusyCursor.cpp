#include "BusyCursor.h"

namespace {
BusyCursor::Display g_display{nullptr, nullptr};
}

void BusyCursor::setDisplay(Display display)
{
    g_display = display;
}

BusyCursor::BusyCursor()
{
    if (g_display.show)
        m_set = g_display.show();
}

void BusyCursor::restore()
{
    if (m_set) {
        g_display.hide();
        m_set = false;
    }
}

#pragma once
// The application-wide busy cursor for the length of a scope (or until restored).
//
// The cursor belongs to the windowing layer: a program with windows installs how to show
// it (GuiBusyCursor::install), so that what needs no display can still ask for it.

class BusyCursor
{
public:
    struct Display
    {
        bool (*show)(); // true when a cursor was set, to be taken back by 'hide'
        void (*hide)();
    };
    static void setDisplay(Display display);

    BusyCursor();
    ~BusyCursor() { restore(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;

    void restore();

private:
    bool m_set = false;
};

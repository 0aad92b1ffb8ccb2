#pragma once
// The application-wide busy cursor for the length of a scope (or until restored).

class BusyCursor
{
public:
    BusyCursor();
    ~BusyCursor() { restore(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;

    void restore();

private:
    bool m_set = false;
};

#pragma once
// Per-column widths or per-row heights: a count, a default and the few sizes that differ,
// so a table of a million rows costs no more than one of ten.

#include <map>

class SizeList
{
public:
    SizeList(int count, int defaultSize) : m_count(count), m_default(defaultSize) {}

    int count() const { return m_count; }
    int defaultSize() const { return m_default; }
    // Entries beyond a smaller count are lost; new entries take the default.
    void resize(int count);
    int size(int index) const;
    void setSize(int index, int size);
    // Sum of the sizes of entries [from, to).
    long long span(int from, int to) const;

private:
    int m_count;
    int m_default;
    std::map<int, int> m_custom;
};

#pragma once
// Texts by number in one pool, as a workbook's shared strings are kept: a million names
// cost two large blocks rather than a string each.

#include <QStringView>

#include <vector>

class TextTable
{
public:
    void append(QStringView text)
    {
        m_chars.insert(m_chars.end(), text.utf16(), text.utf16() + text.size());
        m_ends.push_back(m_chars.size());
    }
    qsizetype size() const { return qsizetype(m_ends.size()); }
    // The text of that number; the empty text past the end, as other readers show it.
    QStringView at(qsizetype index) const
    {
        if (index < 0 || index >= size())
            return {};
        const size_t start = index == 0 ? 0 : m_ends[size_t(index) - 1];
        return QStringView(m_chars.data() + start, qsizetype(m_ends[size_t(index)] - start));
    }

private:
    std::vector<char16_t> m_chars;
    std::vector<size_t> m_ends;
};

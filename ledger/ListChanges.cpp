#include "ListChanges.h"

namespace ListChanges {

Changes between(const QStringList &before, const QStringList &after)
{
    // The longest common subsequence; the lists are a letter's items, a handful each.
    const qsizetype n = before.size(), m = after.size();
    QList<QList<int>> common(n + 1, QList<int>(m + 1, 0));
    for (qsizetype i = n - 1; i >= 0; --i)
        for (qsizetype j = m - 1; j >= 0; --j)
            common[i][j] = before[i] == after[j] ? common[i + 1][j + 1] + 1
                                                 : std::max(common[i + 1][j], common[i][j + 1]);
    Changes changes;
    qsizetype i = 0, j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && before[i] == after[j]) {
            ++i;
            ++j;
        } else if (j < m && (i == n || common[i][j + 1] >= common[i + 1][j])) {
            changes.added.append(int(j++));
        } else {
            changes.removed.prepend(int(i++));
        }
    }
    return changes;
}

bool remove(QStringList &list, int position, const QString &text)
{
    if (position < 0 || position >= list.size() || list[position] != text)
        return false;
    list.removeAt(position);
    return true;
}

bool insert(QStringList &list, int position, const QString &text)
{
    if (position < 0 || position > list.size())
        return false;
    list.insert(position, text);
    return true;
}

} // namespace ListChanges

#pragma once
// How one ordered list became another, as entries of the log can say it: what was taken
// off and what was put in, the rest kept in place. Replaying the entries in order — the
// removals at their positions, then the additions at theirs — gives the new list.

#include <QList>
#include <QStringList>

namespace ListChanges {
struct Changes
{
    QList<int> removed; // positions in the old list, last first
    QList<int> added;   // positions in the new list, first first
};
// The fewest changes: what both lists share in the same order stays.
Changes between(const QStringList &before, const QStringList &after);
// Applies one logged change; false when the position is not in the list.
bool remove(QStringList &list, int position, const QString &text);
bool insert(QStringList &list, int position, const QString &text);
} // namespace ListChanges

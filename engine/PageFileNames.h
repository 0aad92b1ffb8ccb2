#pragma once
// File names for one file per page, made from a text of each page: characters a file
// name cannot hold become "_", an empty text becomes the page's ordinal (第N页), a
// repeated name gets -2, -3 ... Names never lead outside the folder they are written to.

#include <QStringList>
#include <functional>

namespace PageFileNames {
// The base names (without extension) for the texts, in order; 'ordinal' names an empty
// one by its page number (from 1).
QStringList make(const QStringList &texts, const std::function<QString(qsizetype)> &ordinal);
// Page numbers (from 1) whose text is empty, and those whose name repeats an earlier one.
QList<int> emptyOnes(const QStringList &texts);
QList<int> repeatedOnes(const QStringList &texts);
QString sanitized(const QString &text);
// How many of the names already have a file (name + 'suffix') in 'folder'.
int existingIn(const QString &folder, const QStringList &names, const QString &suffix);
} // namespace PageFileNames

#pragma once
// File names for one file per letter, made from a text of each letter: characters a
// file name cannot hold become "_", an empty text becomes 第N封, a repeated name gets
// -2, -3 ... Names never lead outside the folder they are written to.

#include <QStringList>

namespace LetterFileNames {
// The base names (without extension) for the texts, in order.
QStringList make(const QStringList &texts);
// Letter numbers (from 1) whose text is empty, and those whose name repeats an earlier one.
QList<int> emptyOnes(const QStringList &texts);
QList<int> repeatedOnes(const QStringList &texts);
QString sanitized(const QString &text);
} // namespace LetterFileNames

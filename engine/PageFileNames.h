#pragma once
// File names for one file per page, made from a text of each page: characters a file
// name cannot hold become "_", an empty text becomes the page's ordinal (第N页), a
// repeated name gets -2, -3 ..., and a name longer than a file system takes is cut short.
// Names never lead outside the folder they are written to.

#include <QStringList>
#include <functional>

namespace PageFileNames {
// The longest file name, in bytes of UTF-8, that the usual file systems take (ext4, XFS,
// Btrfs; NTFS and FAT count 255 characters, which is never less).
constexpr qsizetype MaxNameBytes = 255;
// The base names (without 'suffix', the extension each file gets) for the texts, in order;
// 'ordinal' names an empty one by its page number (from 1). A name that would pass
// MaxNameBytes with its suffix is cut at a character's end, and still differs from every
// other; 'shortened' receives the page numbers (from 1) of those.
QStringList make(const QStringList &texts, const std::function<QString(qsizetype)> &ordinal,
                 const QString &suffix, QList<int> *shortened = nullptr);
// Page numbers (from 1) whose text is empty, and those whose name repeats an earlier one.
QList<int> emptyOnes(const QStringList &texts);
QList<int> repeatedOnes(const QStringList &texts);
QString sanitized(const QString &text);
// How many of the names already have a file (name + 'suffix') in 'folder'.
int existingIn(const QString &folder, const QStringList &names, const QString &suffix);
} // namespace PageFileNames

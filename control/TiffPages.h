#pragma once
// The pages of a multi-page TIFF, each read on its own. Qt's reader finds page n by walking
// the file's chain of directories from the first, again for every page, so reading a file
// of n pages takes time growing with n²; here the chain is walked once and each page is
// shown to the reader as a TIFF of that one page.

#include <QByteArrayView>
#include <QIODevice>
#include <QList>

#include <memory>

namespace TiffPages {
// Where each page's directory is in 'file', in order; empty when 'file' is no TIFF or its
// first directory cannot be reached. The chain ends at a directory out of the file or one
// already seen.
QList<quint64> directories(QByteArrayView file);
// 'file' (which must outlive it) as a TIFF of the one page whose directory is at
// 'directory', one of those directories() gave; open for reading.
std::unique_ptr<QIODevice> page(QByteArrayView file, quint64 directory);
} // namespace TiffPages

#pragma once
// One PDF per page, on every core: the pages are drawn a chunk at a time, each chunk into
// one document whose fonts are built once, and other threads cut each chunk into its
// pages while the next chunk is drawn.

#include <QByteArray>
#include <QStringList>

#include <functional>

namespace PagePipeline {
// A PDF of 'count' pages from 'first' on, drawn on the calling thread.
using DrawChunk = std::function<QByteArray(int first, int count)>;
// Receives each page's file in page order, on the calling thread.
using TakePage = std::function<void(int page, const QByteArray &file)>;

// What DrawChunk or TakePage raises stops the work and comes out here, as does a
// PdfError from the cutting. Each page's file is titled by 'titles' (by page), or as the
// chunk is where that has no title for it.
void run(int pageCount, const DrawChunk &draw, const TakePage &take,
         const QStringList &titles = {});
} // namespace PagePipeline

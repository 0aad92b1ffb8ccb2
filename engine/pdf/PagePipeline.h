#pragma once
// One PDF per page, on every core: the pages are drawn a chunk at a time, each chunk into
// one document whose fonts are built once, and other threads cut each chunk into its
// pages while the next chunk is drawn.

#include <QByteArray>

#include <functional>

namespace PagePipeline {
// A PDF of 'count' pages from 'first' on, drawn on the calling thread.
using DrawChunk = std::function<QByteArray(int first, int count)>;
// Receives each page's file in page order, on the calling thread.
using TakePage = std::function<void(int page, const QByteArray &file)>;

// What DrawChunk or TakePage raises stops the work and comes out here, as does a
// PdfError from the cutting.
void run(int pageCount, const DrawChunk &draw, const TakePage &take);
} // namespace PagePipeline

#pragma once
// Where a scan aligned onto its letter differs from the letter's print: a digit added to, a
// name pasted over, a stroke scraped off. Each small window of the page is compared at the
// shift (a pixel either way) that suits it best, on softened pictures, so the last pixel of
// alignment, the blur of a scanner and JPEG do not count as changes.

#include <QImage>
#include <QList>
#include <QRect>

class InkDifference
{
public:
    // 'reference' and 'scan' are grey pictures of one size, the scan's paper and ink already
    // levelled to white and black.
    // 'softReference' is softened(reference), made once per letter.
    InkDifference(const QImage &reference, const QImage &softReference, const QImage &scan);

    // Rectangles (pixels) of the page where print was changed, outside 'skip'.
    QList<QRect> changed(const QList<QRect> &skip) const;

    // Ink in an area that the letter does not have there, nor next to it.
    struct Ink
    {
        int pixels = 0;  // all of it
        int writing = 0; // in clumps large enough to be writing rather than speckle
    };
    Ink extraInk(const QRect &area) const;

    // The scan's grey levelled so its paper is white and its print black, judged from where
    // the reference has print and paper.
    // A 3 × 3 box blur: the two renderings' edges differ less than their strokes do.
    static QImage softened(const QImage &grey);
    static QImage levelled(const QImage &reference, const QImage &scan);

private:
    QImage m_reference, m_scan;         // as given
    QImage m_softReference, m_softScan; // softened
};

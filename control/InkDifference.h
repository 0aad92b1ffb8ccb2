#pragma once
// Where a scan aligned onto its letter differs from the letter's print: ink the letter does
// not have (a digit added to, a name pasted over) and print the scan lacks (a digit
// scraped off). A pixel's neighbours are allowed for, so the last pixel of alignment and
// the blur of a scanner do not count as changes.

#include <QImage>
#include <QList>
#include <QRect>

class InkDifference
{
public:
    // 'reference' and 'scan' are grey pictures of one size, the scan's paper and ink already
    // levelled to white and black.
    InkDifference(const QImage &reference, const QImage &scan);

    // Rectangles (pixels) of the page where print was changed, outside 'skip'; small ones
    // merged into their neighbours.
    QList<QRect> changed(const QList<QRect> &skip) const;
    // Pixels in 'area' with ink the letter does not have there, nor next to it.
    int extraInk(const QRect &area) const;
    // The pixels of 'area' in clumps large enough to be writing rather than speckle.
    int writing(const QRect &area) const;

    // The scan's grey levelled so its paper is white and its print black, judged from where
    // the reference has print and paper.
    static QImage levelled(const QImage &reference, const QImage &scan);

private:
    QImage m_reference;
    QImage m_scan;
    QImage m_extra;   // 1 where the scan has ink the letter lacks nearby
    QImage m_missing; // 1 where the letter's print is missing from the scan
};

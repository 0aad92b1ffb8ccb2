#pragma once
// A letter's own page as printed, drawn from its PDF once to check any number of scanned
// replies against: the picture in grey and colour, its scale, and its code's corners.

#include <QByteArray>
#include <QImage>
#include <QPolygonF>
#include <QString>

class LetterReference
{
public:
    // The resolution pages are compared at: finer adds nothing a changed digit needs.
    static constexpr double kDotsPerInch = 150;

    // Draws the first page of 'letterPdf'. A PDF that cannot be drawn, or a page without a
    // QR code, leaves the reference unusable, saying why in problem().
    explicit LetterReference(const QByteArray &letterPdf, double dotsPerInch = kDotsPerInch);

    bool usable() const { return m_problem.isEmpty(); }
    const QString &problem() const { return m_problem; }
    const QImage &picture() const { return m_picture; } // RGB32
    const QImage &grey() const { return m_grey; }
    // The grey softened as the comparison wants it (InkDifference::softened).
    const QImage &softGrey() const { return m_softGrey; }
    double pixelsPerMm() const { return m_pixelsPerMm; }
    // The QR code's corners in the picture, in the order CodeReader gives them.
    const QPolygonF &codeCorners() const { return m_codeCorners; }

private:
    QImage m_picture;
    QImage m_grey;
    QImage m_softGrey;
    double m_pixelsPerMm = 0;
    QPolygonF m_codeCorners;
    QString m_problem;
};

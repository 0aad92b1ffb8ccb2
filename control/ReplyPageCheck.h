#pragma once
// Checks a scanned reply page against its letter as sent: aligns the scan onto the letter's
// own page, finds print that was changed outside the reply areas, and reads the answer the
// respondent marked (a tick, writing, the company's red seal) in the two answer boxes.

#include "LetterReference.h"
#include "ReplyAreas.h"

#include <QImage>
#include <QList>
#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <QTransform>

namespace ReplyPageCheck {

// The suggested result, and the note for a page whose print was changed.
inline const QString kAgrees = QStringLiteral("相符");
inline const QString kDiffers = QStringLiteral("不符");
inline const QString kUndecided = QStringLiteral("无法判断");
inline const QString kAltered = QStringLiteral("疑似改动");

// What was found in one answer box.
struct AreaMarks
{
    bool marked = false; // ink beyond the print: a tick, a cross, writing, a seal
    bool seal = false;   // a red seal
    double inkShare = 0; // of the box's area covered by that ink
};

struct Result
{
    bool compared = false;
    QString notCompared;   // why not, when not
    QList<QRectF> changed; // page millimetres, merged and padded
    QString suggestion = kUndecided;
    AreaMarks agree, disagree;
    QImage differenceLines; // the disagree box's lines as scanned, for keying
    // The letter's page, and the scan with the map from the page's pixels to the scan's,
    // for a window to show a place side by side (scanInFrame draws the scan in the page's
    // frame, the same size; drawn when asked for, as most pages are never looked at).
    QImage reference;
    QImage scanned;
    QTransform frameToScan;
    double pixelsPerMm = 0;
    QImage scanIn(const QRect &frame) const;
    QImage scanInFrame() const;

    bool altered() const { return !changed.isEmpty(); }
    // One line for the ledger's note: what was found, in words.
    QString note() const;
};

// 'codeCorners' are the scan's corners of the letter's QR code (CodeReader::Code::corners).
Result check(const QImage &scan, const QPolygonF &codeCorners, const QByteArray &letterPdf,
             const ReplyAreas &areas);
// The same with the letter drawn once beforehand, for many scans of one letter.
Result check(const QImage &scan, const QPolygonF &codeCorners, const LetterReference &letter,
             const ReplyAreas &areas);
// The suggestion for what the two boxes hold: 相符 for the agree box alone marked and
// sealed, 不符 for the disagree box alone marked, else 无法判断.
QString suggestionFor(const AreaMarks &agree, const AreaMarks &disagree);

} // namespace ReplyPageCheck

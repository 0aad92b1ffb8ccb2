#include "LetterReference.h"

#include "InkDifference.h"
#include "PageWarp.h"
#include "engine/CodeReader.h"

#include <QPainter>

#include <poppler-qt6.h>

#include <cmath>
#include <memory>

namespace {

// A page larger than this is no letter; drawing it would only exhaust memory.
constexpr double kMaxPixels = 40e6;

// Poppler's complaints about a damaged letter reach the user as problem() instead.
void quietPoppler(const QString &, const QVariant &) {}

// Paper is opaque: an ARGB picture of it is RGB32 already, without a conversion.
QImage opaque(QImage picture)
{
    if (picture.format() == QImage::Format_ARGB32 ||
        picture.format() == QImage::Format_ARGB32_Premultiplied)
        picture.reinterpretAsFormat(QImage::Format_RGB32);
    else if (!picture.isNull() && picture.format() != QImage::Format_RGB32)
        picture = picture.convertToFormat(QImage::Format_RGB32);
    return picture;
}

// Each pixel the mean of 2 × 2 of an RGB32 picture's.
QImage halved(const QImage &picture)
{
    QImage result(picture.width() / 2, picture.height() / 2, QImage::Format_RGB32);
    for (int y = 0; y < result.height(); ++y) {
        const QRgb *a = reinterpret_cast<const QRgb *>(picture.constScanLine(2 * y));
        const QRgb *b = reinterpret_cast<const QRgb *>(picture.constScanLine(2 * y + 1));
        QRgb *out = reinterpret_cast<QRgb *>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            const QRgb p = a[2 * x], q = a[2 * x + 1], r = b[2 * x], t = b[2 * x + 1];
            out[x] = qRgb((qRed(p) + qRed(q) + qRed(r) + qRed(t) + 2) / 4,
                          (qGreen(p) + qGreen(q) + qGreen(r) + qGreen(t) + 2) / 4,
                          (qBlue(p) + qBlue(q) + qBlue(r) + qBlue(t) + 2) / 4);
        }
    }
    return result;
}

} // namespace

LetterReference::LetterReference(const QByteArray &letterPdf, double dotsPerInch)
{
    static const bool quiet = (Poppler::setDebugErrorFunction(quietPoppler, {}), true);
    Q_UNUSED(quiet)
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(letterPdf);
    const std::unique_ptr<Poppler::Page> page(
        document && !document->isLocked() && document->numPages() > 0 ? document->page(0)
                                                                      : nullptr);
    const QSizeF points = page ? page->pageSizeF() : QSizeF();
    const double scale = dotsPerInch / 72;
    if (!page || !(points.width() * points.height() * scale * scale <= kMaxPixels)) {
        m_problem = QStringLiteral("信函 PDF 无法读取");
        return;
    }
    // Drawn smooth, as a scanner sees print, straight at the comparison resolution, through
    // QPainter: poppler's own smoothing draws strokes lighter than a scan shows them (false
    // alarms on every clean page), and drawing finer to average down costs four times as much.
    document->setRenderBackend(Poppler::Document::QPainterBackend);
    document->setRenderHint(Poppler::Document::Antialiasing);
    document->setRenderHint(Poppler::Document::TextAntialiasing);
    m_picture = opaque(page->renderToImage(dotsPerInch, dotsPerInch));
    if (m_picture.isNull()) {
        m_problem = QStringLiteral("信函 PDF 无法读取");
        return;
    }
    m_grey = PageWarp::grey(m_picture);
    m_pixelsPerMm = dotsPerInch / 25.4;
    for (const CodeReader::Code &code : CodeReader::read(m_grey))
        if (!code.linear && code.corners.size() == 4) {
            m_codeCorners = code.corners;
            break;
        }
    if (m_codeCorners.isEmpty()) {
        m_problem = QStringLiteral("信函上没有函证码");
        return;
    }
    // Smoothing leaves seams between the code's adjoining squares that no scan shows: the
    // code alone is drawn sharp at twice the resolution and averaged down.
    const QRect code =
        m_codeCorners.boundingRect().toAlignedRect().adjusted(-4, -4, 4, 4) & m_picture.rect();
    document->setRenderBackend(Poppler::Document::SplashBackend);
    document->setRenderHint(Poppler::Document::Antialiasing, false);
    document->setRenderHint(Poppler::Document::TextAntialiasing, false);
    const QImage sharp =
        opaque(page->renderToImage(2 * dotsPerInch, 2 * dotsPerInch, 2 * code.x(), 2 * code.y(),
                                   2 * code.width(), 2 * code.height()));
    if (sharp.size() == 2 * code.size()) {
        QPainter painter(&m_picture);
        painter.drawImage(code.topLeft(), halved(sharp));
        painter.end();
        m_grey = PageWarp::grey(m_picture);
    }
    m_softGrey = InkDifference::softened(m_grey);
}

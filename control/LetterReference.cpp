#include "LetterReference.h"

#include "InkDifference.h"
#include "PageWarp.h"
#include "engine/CodeReader.h"
#include "engine/pdf/PdfPictures.h"

#include <QTemporaryFile>

#include <exception>

namespace {

// A page larger than this is no letter; drawing it would only exhaust memory.
constexpr double kMaxPixels = 40e6;

} // namespace

LetterReference::LetterReference(const QByteArray &letterPdf, double dotsPerInch)
{
    // The PDF module draws files: the bytes go through a file of our own.
    QTemporaryFile file;
    if (!file.open() || file.write(letterPdf) != letterPdf.size() || !file.flush()) {
        m_problem = QStringLiteral("无法写入临时文件");
        return;
    }
    try {
        const std::unique_ptr<PdfPictures> pictures = PdfPictures::open(file.fileName());
        // Drawn at twice the resolution and averaged down: the module draws without
        // smoothing, and a scanner's picture of print is smooth.
        m_picture = pictures->page(0, 2 * dotsPerInch, 4 * kMaxPixels);
    } catch (const std::exception &) {
        m_problem = QStringLiteral("信函 PDF 无法读取");
        return;
    }
    m_picture = m_picture.convertToFormat(QImage::Format_RGB32)
                    .scaled(m_picture.size() / 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    m_grey = PageWarp::grey(m_picture);
    m_softGrey = InkDifference::softened(m_grey);
    m_pixelsPerMm = dotsPerInch / 25.4;
    for (const CodeReader::Code &code : CodeReader::read(m_picture))
        if (!code.linear && code.corners.size() == 4) {
            m_codeCorners = code.corners;
            return;
        }
    m_problem = QStringLiteral("信函上没有函证码");
}

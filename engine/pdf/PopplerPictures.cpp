// The PDF module's pictures of pages, on poppler.

#include "PdfPictures.h"

#include <poppler-qt6.h>

#include <cmath>
#include <stdexcept>

namespace {

// Poppler's complaints about a damaged file reach the user as the file's reason instead.
void quietPoppler(const QString &, const QVariant &) {}

class PopplerPictures : public PdfPictures
{
public:
    explicit PopplerPictures(std::unique_ptr<Poppler::Document> document)
        : m_document(std::move(document))
    {
    }
    int pageCount() const override { return m_document->numPages(); }
    QImage page(int index, double dotsPerInch, double maxPixels) const override
    {
        const std::unique_ptr<Poppler::Page> page(m_document->page(index));
        if (!page)
            throw std::runtime_error("页面已损坏");
        const QSizeF points = page->pageSizeF();
        double dpi = dotsPerInch;
        const double pixels = points.width() * points.height() * (dpi / 72) * (dpi / 72);
        if (pixels > maxPixels)
            dpi *= std::sqrt(maxPixels / pixels);
        QImage picture = page->renderToImage(dpi, dpi);
        if (picture.isNull())
            throw std::runtime_error("页面无法显示");
        return picture;
    }

private:
    std::unique_ptr<Poppler::Document> m_document;
};

} // namespace

extern "C" Q_DECL_EXPORT PdfPictures *roviradavevOpenPdfPictures(const QString &path,
                                                                 QString *error)
{
    static const bool quiet = (Poppler::setDebugErrorFunction(quietPoppler, {}), true);
    Q_UNUSED(quiet)
    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    if (!document)
        *error = QStringLiteral("PDF 文件已损坏，无法打开");
    else if (document->isLocked())
        *error = QStringLiteral("PDF 文件有密码保护");
    else if (document->numPages() <= 0)
        *error = QStringLiteral("PDF 文件没有页面");
    else
        return new PopplerPictures(std::move(document));
    return nullptr;
}

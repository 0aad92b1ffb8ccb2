#include "PageSplitter.h"

#include "PdfError.h"
#include "PdfModule.h"

std::unique_ptr<PageSplitter> PageSplitter::open(const QByteArray &pdf)
{
    static const auto factory = [] {
        try {
            return reinterpret_cast<PageSplitterFactory>(
                PdfModule::resolve(ROVIRADAVEV_PAGE_SPLITTER_FACTORY));
        } catch (const PdfError &error) {
            throw PdfError(QStringLiteral("无法逐页导出：%1").arg(error.message()));
        }
    }();
    QString error;
    std::unique_ptr<PageSplitter> splitter(factory(pdf, &error));
    if (!splitter)
        throw PdfError(QStringLiteral("PDF 无法分页：%1").arg(error));
    return splitter;
}

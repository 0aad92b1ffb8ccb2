#include "ToUnicodeMend.h"

#include "PdfError.h"
#include "PdfModule.h"

namespace ToUnicodeMend {

QByteArray mend(const QByteArray &pdf, const QList<GlyphText> &glyphs)
{
    static const auto mender =
        reinterpret_cast<ToUnicodeMender>(PdfModule::resolve(ROVIRADAVEV_TO_UNICODE_MENDER));
    QString error;
    QByteArray mended = mender(pdf, glyphs, &error);
    if (mended.isEmpty())
        throw PdfError(QStringLiteral("PDF 的文字层无法补全：%1").arg(error));
    return mended;
}

} // namespace ToUnicodeMend

#include "PdfPictures.h"

#include "PdfError.h"
#include "PdfModule.h"

std::unique_ptr<PdfPictures> PdfPictures::open(const QString &path)
{
    static const auto factory = [] {
        return reinterpret_cast<PdfPicturesFactory>(
            PdfModule::resolve(ROVIRADAVEV_PDF_PICTURES_FACTORY));
    }();
    QString error;
    std::unique_ptr<PdfPictures> pictures(factory(path, &error));
    if (!pictures)
        throw PdfError(error);
    return pictures;
}

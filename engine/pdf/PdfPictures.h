#pragma once
// The pages of a PDF file drawn as pictures, by the PDF module (on poppler), which is loaded
// on first use: the library behind it takes longer to load than most commands take to run.

#include <QImage>
#include <QString>

#include <memory>

class PdfPictures
{
public:
    virtual ~PdfPictures() = default;
    virtual int pageCount() const = 0;
    // The page drawn at 'dotsPerInch', or coarser where it would pass 'maxPixels'. Raises
    // std::runtime_error with the reason when the page cannot be drawn.
    virtual QImage page(int index, double dotsPerInch, double maxPixels) const = 0;

    // Raises PdfError with the reason when the module is missing or the file is not a PDF
    // that can be read: damaged, locked by a password, or without pages.
    static std::unique_ptr<PdfPictures> open(const QString &path);
};

// The module's entry point for it.
using PdfPicturesFactory = PdfPictures *(*)(const QString &path, QString *error);
#define ROVIRADAVEV_PDF_PICTURES_FACTORY "roviradavevOpenPdfPictures"

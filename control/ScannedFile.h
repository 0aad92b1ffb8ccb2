#pragma once
// The pages of a scanned reply file as pictures: a PDF (rendered with poppler), or a
// picture (PNG, JPEG, TIFF with all its pages). The kind is told by the content, not the
// name. Errors are Exceptions whose message is the reason, for the reply list to show.

#include <QImage>
#include <QString>
#include <QStringList>
#include <memory>

class ScannedFile
{
public:
    // Opens the file; raises Exception with the reason when it cannot be read at all.
    explicit ScannedFile(const QString &path, double dotsPerInch = 200);
    ~ScannedFile();

    int pageCount() const;
    // Page 'index' from 0; raises Exception with the reason when that page cannot be read.
    QImage page(int index) const;

    // The files named, with every scan file in the folders named (and their folders), in
    // the order a file manager sorts them. Files named directly are taken whatever their
    // name says; in folders, only PDF, PNG, JPEG and TIFF names.
    static QStringList expand(const QStringList &filesAndFolders);
    // The name filter the file dialog offers.
    static QString dialogFilter();

    // Where the pages come from: a document or a picture reader.
    struct Source;

private:
    std::unique_ptr<Source> m_source;
};

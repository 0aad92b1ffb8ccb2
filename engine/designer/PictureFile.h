#pragma once
// A picture the user picks for a picture element: its bytes as stored in the template
// (PNG, JPEG or SVG) and its proportions. The dialog opens in the last picture folder.

#include "engine/ReportTemplate.h"

#include <QByteArray>
#include <QSize>
#include <optional>

class QWidget;

struct PictureFile
{
    QByteArray data;
    QSize pixels; // empty for SVG, which keeps the box's proportions

    // Asks for a file; nothing when the user cancels. A file that is no picture raises.
    static std::optional<PictureFile> choose(QWidget *owner);
    // Reads a picture file; raises with the file's name when it cannot.
    static PictureFile read(const QString &path);
    // The element showing this picture, its height following the picture's proportions.
    ReportElement appliedTo(ReportElement element) const;
};

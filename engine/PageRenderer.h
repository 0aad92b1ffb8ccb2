#pragma once
// Draws the pages of a generated report. The preview, the printer and the PDF all draw
// through it, so what is printed is what was previewed.

#include "ReportDocument.h"
#include "TextBlock.h"

#include <QHash>
#include <QImage>
#include <QSizeF>
#include <memory>

class QPainter;

class PageRenderer
{
public:
    explicit PageRenderer(const ReportDocument &document);
    ~PageRenderer();

    // Page size in millimetres.
    QSizeF pageSizeMm() const;
    // Draws a page with the painter's coordinates in page units (hundredths of a
    // millimetre), the origin at the page's top-left corner.
    void paint(QPainter &painter, int page);
    // Draws one element of a page, in page units as paint() does; the designer draws each
    // element through it, so the canvas shows what prints.
    void paintElement(QPainter &painter, int index, int page);
    // True when a text element's text on that page needs more height than its box has.
    bool overflows(int index, int page);
    // The elements whose texts do not fit their boxes on a page, by index.
    QList<int> overflowing(int page);
    // Raises ReportError for the first barcode that cannot be drawn, naming it and its
    // record: a content too long for the symbol, or modules too small for the box.
    void checkBarcodes();
    // What the user calls an element: its name, else a little of its text.
    static QString elementLabel(const ReportElement &element);
    // Draws a page filling 'target' (device coordinates) of the painter's device.
    void paintInto(QPainter &painter, const QRectF &target, int page);

    // The text an element shows on a page (Text, Field and SystemValue elements), its fields
    // taken from the page's first record.
    QString elementText(const ReportElement &element, int page) const;
    QString expand(const QString &text, int page) const;

private:
    // Where one copy of an element is drawn: the page (for its number) and the record whose
    // fields it shows.
    struct Place
    {
        int page;
        int record;
    };
    Place placeOf(int page) const;
    QList<int> recordsFor(const ReportElement &element, int page) const;
    QString expand(const QString &text, Place place) const;
    QString elementText(const ReportElement &element, Place place) const;
    void paintElement(QPainter &painter, int index, Place place);
    bool overflows(int index, Place place);
    void paintText(QPainter &painter, const ReportElement &element, int index, Place place);
    const TextBlock &blockFor(const ReportElement &element, int index, Place place);
    void paintBarcode(QPainter &painter, const ReportElement &element, Place place);
    void paintTable(QPainter &painter, const ReportElement &element, Place place);
    void paintPicture(QPainter &painter, const ReportElement &element, int index);

    const ReportDocument &m_document;
    QHash<int, QImage> m_images;
    // Each text element as last laid out, one for each copy a page draws of it (several in
    // a detail band): for all pages when it has no fields.
    struct LaidOutText
    {
        int page; // -1: the same on every page
        int record;
        std::shared_ptr<TextBlock> block;
    };
    QHash<QPair<int, int>, LaidOutText> m_blocks; // by element and copy on the page
};

#pragma once
// A report template: page set-up, declared detail fields and the elements of one page,
// placed in millimetres. Knows nothing of files or painting.

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QRectF>
#include <QString>

#include <algorithm>

enum class FieldType
{
    Text,
    Date,
    Number
};

struct FieldDeclaration
{
    QString name;
    FieldType type = FieldType::Text;

    bool operator==(const FieldDeclaration &) const = default;
};

struct PageSetup
{
    double widthMm = 210; // A4 portrait
    double heightMm = 297;
    bool landscape = false; // width and height swap when printed
    double marginLeftMm = 20;
    double marginTopMm = 20;
    double marginRightMm = 20;
    double marginBottomMm = 20;

    double pageWidthMm() const { return landscape ? heightMm : widthMm; }
    double pageHeightMm() const { return landscape ? widthMm : heightMm; }
    bool operator==(const PageSetup &) const = default;
};

struct TextStyle
{
    QString family = QStringLiteral("宋体");
    double pointSize = 12;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop;
    double lineSpacing = 1.0; // multiple of the font's line height
    QColor color = Qt::black;
    bool wrap = true;
    // 自动缩小: the size steps down, to minPointSize at least, until the text fits its box;
    // below that it wraps and is clipped to the box.
    bool shrinkToFit = false;
    double minPointSize = 7;

    bool operator==(const TextStyle &) const = default;
};

enum class ElementKind
{
    Text,        // static text, with fields and system values embedded as {name} or {name:format}
    Field,       // one detail field through a display format
    SystemValue, // page number, page count or printing date
    Line,        // from the rectangle's top-left to its bottom-right corner
    Rectangle,
    Table,   // a grid of ruled cells, each holding text as a Text element does
    Picture, // an image stored inside the template
    Barcode, // a QR code or Code 128 of a text with fields, drawn as filled modules
};

enum class BarcodeSymbology
{
    QrCode,
    Code128
};

enum class SystemValueKind
{
    PageNumber,
    PageCount,
    PrintDate
};

struct TableCell
{
    QString text;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    bool bold = false;

    bool operator==(const TableCell &) const = default;
};

struct ReportElement
{
    ElementKind kind = ElementKind::Text;
    QString name; // for the designer; optional
    QRectF rectMm;
    TextStyle style;
    QString text;   // Text: the text with embedded fields
    QString field;  // Field: the field's name
    QString format; // Field and SystemValue: display format
    SystemValueKind systemValue = SystemValueKind::PageNumber;
    double penWidthMm = 0.3; // Line, Rectangle, Table rules
    QColor penColor = Qt::black;
    QColor fillColor;    // Rectangle; invalid for none
    bool dashed = false; // Line
    // Table: column widths and row heights in millimetres, and cells[row][column].
    QList<double> columnWidthsMm;
    QList<double> rowHeightsMm;
    QList<QList<TableCell>> cells;
    QByteArray imageData; // Picture: PNG, JPEG or SVG bytes
    bool keepAspect = true;
    // Barcode: its content is 'text'; the QR error correction 0–3 (L, M, Q, H) and the
    // quiet zone in modules.
    BarcodeSymbology symbology = BarcodeSymbology::QrCode;
    int qrLevel = 1;
    int quietZone = 2;
    bool locked = false; // the designer neither moves nor rubber-bands it
    // 回函区: where the respondent writes, stamps or signs; a reply's scan is compared with
    // the letter as sent everywhere else.
    bool replyArea = false;

    bool operator==(const ReportElement &) const = default;
};

// 明细区: a horizontal strip of the page whose elements are drawn once per record, each copy
// shifted down by the strip's height, as many as fit above the bottom margin. Elements
// outside it are drawn once per page. A height of zero: one record per page.
struct DetailBand
{
    double topMm = 0;
    double heightMm = 0;

    bool isSet() const { return heightMm > 0; }
    bool operator==(const DetailBand &) const = default;
};

struct ReportTemplate
{
    QString title;
    PageSetup page;
    DetailBand band;
    // 回函区 not tied to an element, in page millimetres: a seal's spot, say.
    QList<QRectF> replyAreas;
    QList<FieldDeclaration> fields;
    QList<ReportElement> elements;

    // Index of a declared field, or -1.
    int fieldIndex(const QString &name) const
    {
        for (int i = 0; i < fields.size(); ++i)
            if (fields[i].name == name)
                return i;
        return -1;
    }
    // Index of the first element of that name, or -1.
    int elementIndex(const QString &name) const
    {
        for (int i = 0; i < elements.size(); ++i)
            if (elements[i].name == name)
                return i;
        return -1;
    }
    // Every 回函区 of the page: the marked elements' rectangles, then the free ones.
    QList<QRectF> replyRegions() const
    {
        QList<QRectF> regions;
        for (const ReportElement &element : elements)
            if (element.replyArea)
                regions.append(element.rectMm.normalized());
        return regions + replyAreas;
    }
    bool hasReplyAreas() const
    {
        return !replyAreas.isEmpty() || std::any_of(elements.begin(), elements.end(),
                                                    [](const auto &e) { return e.replyArea; });
    }
    // True when the element lies wholly within the detail band and so repeats per record.
    bool repeats(const ReportElement &element) const
    {
        // A little slack, so an element set on the band's edges by the designer counts.
        constexpr double slack = 0.01;
        return band.isSet() && element.rectMm.top() >= band.topMm - slack &&
               element.rectMm.bottom() <= band.topMm + band.heightMm + slack;
    }
    // Records on one page: as many band copies as fit above the bottom margin, at least one.
    int recordsPerPage() const
    {
        if (!band.isSet())
            return 1;
        const double room = page.pageHeightMm() - page.marginBottomMm - band.topMm;
        return std::max(1, int(room / band.heightMm + 1e-6));
    }
    bool operator==(const ReportTemplate &) const = default;
};

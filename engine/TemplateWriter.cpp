#include "TemplateWriter.h"

#include "ReportError.h"
#include "TemplateFormat.h"
#include "TemplateReader.h"
#include "platform/ErrorText.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <cmath>

namespace TemplateWriter {

namespace {

// Measures to a hundredth of a millimetre: a drag's 53.35172022684309 is written 53.35.
double rounded(double mm)
{
    const double r = std::round(mm * 100) / 100;
    return r == 0 ? 0.0 : r; // never "-0"
}

QJsonArray numbers(std::initializer_list<double> values)
{
    QJsonArray array;
    for (double v : values)
        array.append(rounded(v));
    return array;
}

QJsonArray numbers(const QList<double> &values)
{
    QJsonArray array;
    for (double v : values)
        array.append(rounded(v));
    return array;
}

void writeStyle(QJsonObject &object, const TextStyle &style)
{
    const TextStyle defaults;
    QJsonObject font;
    if (style.family != defaults.family)
        font[QStringLiteral("family")] = style.family;
    if (style.pointSize != defaults.pointSize)
        font[QStringLiteral("size")] = style.pointSize;
    if (style.bold)
        font[QStringLiteral("bold")] = true;
    if (style.italic)
        font[QStringLiteral("italic")] = true;
    if (style.underline)
        font[QStringLiteral("underline")] = true;
    if (style.shrinkToFit)
        font[QStringLiteral("fit")] = QStringLiteral("shrink");
    if (style.minPointSize != defaults.minPointSize)
        font[QStringLiteral("minSize")] = style.minPointSize;
    if (!font.isEmpty())
        object[QStringLiteral("font")] = font;
    if ((style.alignment & Qt::AlignHorizontal_Mask) !=
        (defaults.alignment & Qt::AlignHorizontal_Mask))
        object[QStringLiteral("align")] = TemplateFormat::horizontalName(style.alignment);
    if ((style.alignment & Qt::AlignVertical_Mask) != (defaults.alignment & Qt::AlignVertical_Mask))
        object[QStringLiteral("valign")] = TemplateFormat::verticalName(style.alignment);
    if (style.lineSpacing != defaults.lineSpacing)
        object[QStringLiteral("lineSpacing")] = style.lineSpacing;
    if (style.color != defaults.color)
        object[QStringLiteral("color")] = style.color.name();
    if (style.wrap != defaults.wrap)
        object[QStringLiteral("wrap")] = style.wrap;
}

QJsonObject writeElement(const ReportElement &element)
{
    const ReportElement defaults;
    QJsonObject object;
    object[QStringLiteral("type")] = TemplateFormat::kindName(element.kind);
    if (!element.name.isEmpty())
        object[QStringLiteral("name")] = element.name;
    const QRectF &r = element.rectMm;
    object[QStringLiteral("rect")] = numbers({r.x(), r.y(), r.width(), r.height()});
    writeStyle(object, element.style);
    if (!element.text.isEmpty())
        object[QStringLiteral("text")] = element.text;
    if (!element.field.isEmpty())
        object[QStringLiteral("field")] = element.field;
    if (!element.format.isEmpty())
        object[QStringLiteral("format")] = element.format;
    if (element.kind == ElementKind::SystemValue)
        object[QStringLiteral("value")] = TemplateFormat::systemValueName(element.systemValue);
    if (element.penWidthMm != defaults.penWidthMm)
        object[QStringLiteral("pen")] = rounded(element.penWidthMm);
    if (element.penColor != defaults.penColor)
        object[QStringLiteral("penColor")] = element.penColor.name();
    if (element.fillColor.isValid())
        object[QStringLiteral("fill")] = element.fillColor.name();
    if (element.dashed)
        object[QStringLiteral("dashed")] = true;
    if (element.locked)
        object[QStringLiteral("locked")] = true;
    if (element.replyArea)
        object[QStringLiteral("replyArea")] = true;
    if (element.kind == ElementKind::Table) {
        object[QStringLiteral("columns")] = numbers(element.columnWidthsMm);
        object[QStringLiteral("rows")] = numbers(element.rowHeightsMm);
        QJsonArray rows;
        for (const QList<TableCell> &row : element.cells) {
            QJsonArray cells;
            for (const TableCell &cell : row) {
                QJsonObject c;
                if (!cell.text.isEmpty())
                    c[QStringLiteral("text")] = cell.text;
                const TableCell plain;
                if ((cell.alignment & Qt::AlignHorizontal_Mask) !=
                    (plain.alignment & Qt::AlignHorizontal_Mask))
                    c[QStringLiteral("align")] = TemplateFormat::horizontalName(cell.alignment);
                if ((cell.alignment & Qt::AlignVertical_Mask) !=
                    (plain.alignment & Qt::AlignVertical_Mask))
                    c[QStringLiteral("valign")] = TemplateFormat::verticalName(cell.alignment);
                if (cell.bold)
                    c[QStringLiteral("bold")] = true;
                cells.append(c);
            }
            rows.append(cells);
        }
        object[QStringLiteral("cells")] = rows;
    }
    if (element.kind == ElementKind::Barcode) {
        object[QStringLiteral("symbology")] = element.symbology == BarcodeSymbology::Code128
                                                  ? QStringLiteral("code128")
                                                  : QStringLiteral("qr");
        if (element.qrLevel != defaults.qrLevel)
            object[QStringLiteral("ecc")] = QString(QStringLiteral("LMQH").at(element.qrLevel));
        if (element.quietZone != defaults.quietZone)
            object[QStringLiteral("quietZone")] = element.quietZone;
    }
    if (element.kind == ElementKind::Picture) {
        object[QStringLiteral("image")] = QString::fromLatin1(element.imageData.toBase64());
        if (!element.keepAspect)
            object[QStringLiteral("keepAspect")] = false;
    }
    return object;
}

} // namespace

QByteArray toJson(const ReportTemplate &report)
{
    QJsonObject root;
    root[QStringLiteral("format")] = TemplateFormat::Identity;
    root[QStringLiteral("version")] = TemplateFormat::versionFor(report);
    if (!report.title.isEmpty())
        root[QStringLiteral("title")] = report.title;
    const PageSetup &p = report.page;
    QJsonObject page;
    page[QStringLiteral("width")] = p.widthMm;
    page[QStringLiteral("height")] = p.heightMm;
    if (p.landscape)
        page[QStringLiteral("landscape")] = true;
    page[QStringLiteral("margins")] =
        numbers({p.marginLeftMm, p.marginTopMm, p.marginRightMm, p.marginBottomMm});
    if (report.band.isSet())
        page[QStringLiteral("band")] = numbers({report.band.topMm, report.band.heightMm});
    if (!report.replyAreas.isEmpty()) {
        QJsonArray areas;
        for (const QRectF &r : report.replyAreas)
            areas.append(numbers({r.x(), r.y(), r.width(), r.height()}));
        page[QStringLiteral("replyAreas")] = areas;
    }
    root[QStringLiteral("page")] = page;
    QJsonArray fields;
    for (const FieldDeclaration &field : report.fields)
        fields.append(
            QJsonObject{{QStringLiteral("name"), field.name},
                        {QStringLiteral("type"), TemplateFormat::fieldTypeName(field.type)}});
    root[QStringLiteral("fields")] = fields;
    QJsonArray elements;
    for (const ReportElement &element : report.elements)
        elements.append(writeElement(element));
    root[QStringLiteral("elements")] = elements;
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

void save(const ReportTemplate &report, const QString &path)
{
    QSaveFile file(path);
    const QString name = QFileInfo(path).fileName();
    const QByteArray json = toJson(report);
    // A template the reader would refuse is never written: a band or a 回函区 left past the
    // paper when it was made smaller would make the file useless.
    try {
        TemplateReader::fromJson(json);
    } catch (const ReportError &error) {
        throw ReportError(QStringLiteral("无法保存打印模板“%1”：%2。请改正后再保存。")
                              .arg(name, error.message()));
    }
    if (!file.open(QIODevice::WriteOnly))
        throw ReportError(QStringLiteral("无法写入打印模板“%1”：%2")
                              .arg(name, fileErrorText(file.errorString())));
    if (file.write(json) != json.size() || !file.commit())
        throw ReportError(QStringLiteral("无法写入打印模板“%1”：%2")
                              .arg(name, fileErrorText(file.errorString())));
}

} // namespace TemplateWriter

#include "ElementClipboard.h"

#include "DesignOperations.h"
#include "engine/ReportError.h"
#include "engine/TemplateReader.h"
#include "engine/TemplateWriter.h"

#include <QMimeData>

namespace ElementClipboard {

namespace {
QString plainText(const ReportElement &element)
{
    switch (element.kind) {
    case ElementKind::Text:
        return element.text;
    case ElementKind::Field:
        return QLatin1Char('{') + element.field + QLatin1Char('}');
    case ElementKind::Table: {
        QStringList rows;
        for (const QList<TableCell> &row : element.cells) {
            QStringList cells;
            for (const TableCell &cell : row)
                cells.append(cell.text);
            rows.append(cells.join(QLatin1Char('\t')));
        }
        return rows.join(QLatin1Char('\n'));
    }
    default:
        return QString();
    }
}
} // namespace

QMimeData *toMime(const QList<ReportElement> &elements, const QList<FieldDeclaration> &fields)
{
    ReportTemplate part;
    QStringList used;
    for (const ReportElement &element : elements)
        used += DesignOperations::fieldsOf(element);
    for (const FieldDeclaration &field : fields)
        if (used.contains(field.name))
            part.fields.append(field);
    part.elements = elements;
    QStringList texts;
    for (const ReportElement &element : elements)
        if (const QString text = plainText(element); !text.isEmpty())
            texts.append(text);

    auto *mime = new QMimeData;
    mime->setData(MimeType, TemplateWriter::toJson(part));
    mime->setText(texts.join(QLatin1Char('\n')));
    return mime;
}

std::optional<ReportTemplate> fromMime(const QMimeData *mime)
{
    if (!mime)
        return std::nullopt;
    if (mime->hasFormat(MimeType)) {
        try {
            return TemplateReader::fromJson(mime->data(MimeType));
        } catch (const ReportError &) {
            // Damaged data of our type: fall back to the plain text beside it.
        }
    }
    if (!mime->hasText() || mime->text().isEmpty())
        return std::nullopt;
    ReportTemplate part;
    ReportElement text;
    text.text = mime->text();
    text.rectMm = QRectF(0, 0, 80, 10);
    part.elements.append(text);
    return part;
}

} // namespace ElementClipboard

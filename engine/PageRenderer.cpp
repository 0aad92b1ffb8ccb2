#include "PageRenderer.h"

#include "BarcodeSymbol.h"
#include "DisplayFormat.h"
#include "PageUnits.h"
#include "ReportError.h"
#include "TemplateText.h"
#include "platform/QuotedContent.h"

#include <QPainter>
#include <QSvgRenderer>

namespace {

QRectF units(const QRectF &mm)
{
    return QRectF(PageUnits::fromMm(mm.x()), PageUnits::fromMm(mm.y()),
                  PageUnits::fromMm(mm.width()), PageUnits::fromMm(mm.height()));
}

QPen penFor(const ReportElement &element, bool dashed = false)
{
    QPen pen(element.penColor, std::max(1.0, PageUnits::fromMm(element.penWidthMm)));
    pen.setCapStyle(Qt::FlatCap);
    if (dashed)
        pen.setStyle(Qt::DashLine);
    return pen;
}

} // namespace

PageRenderer::PageRenderer(const ReportDocument &document) : m_document(document) {}

PageRenderer::~PageRenderer() = default;

QSizeF PageRenderer::pageSizeMm() const
{
    return QSizeF(m_document.report.page.pageWidthMm(), m_document.report.page.pageHeightMm());
}

PageRenderer::Place PageRenderer::placeOf(int page) const
{
    return {page, m_document.firstRecordOf(page)};
}

// The records an element shows on a page: one copy per record when it lies in the detail
// band, else the page's first record only.
QList<int> PageRenderer::recordsFor(const ReportElement &element, int page) const
{
    const int first = m_document.firstRecordOf(page);
    if (!m_document.report.repeats(element))
        return {first};
    QList<int> records;
    for (int k = 0; k < m_document.recordsOn(page); ++k)
        records.append(first + k);
    return records;
}

QString PageRenderer::expand(const QString &text, int page) const
{
    return expand(text, placeOf(page));
}

QString PageRenderer::expand(const QString &text, Place place) const
{
    const RecordValues *record = place.record >= 0 && place.record < m_document.records.size()
                                     ? &m_document.records[place.record]
                                     : nullptr;
    return TemplateText::expand(
        text, [&](const QString &name, const QString &format) -> std::optional<QString> {
            if (name == TemplateText::PageNumber)
                return QString::number(place.page + 1);
            if (name == TemplateText::PageCount)
                return QString::number(m_document.pageCount());
            if (name == TemplateText::PrintDate)
                return DisplayFormat::apply(m_document.printDate, format);
            const int index = m_document.report.fieldIndex(name);
            if (index < 0)
                return std::nullopt;
            return record && index < record->size()
                       ? DisplayFormat::apply(record->at(index), format)
                       : QString();
        });
}

QString PageRenderer::elementText(const ReportElement &element, int page) const
{
    return elementText(element, placeOf(page));
}

QString PageRenderer::elementText(const ReportElement &element, Place place) const
{
    switch (element.kind) {
    case ElementKind::Text:
        return expand(element.text, place);
    case ElementKind::Field: {
        const QString format =
            element.format.isEmpty() ? QString() : QLatin1Char(':') + element.format;
        return expand(QLatin1Char('{') + element.field + format + QLatin1Char('}'), place);
    }
    case ElementKind::SystemValue:
        switch (element.systemValue) {
        case SystemValueKind::PageNumber:
            return QString::number(place.page + 1);
        case SystemValueKind::PageCount:
            return QString::number(m_document.pageCount());
        case SystemValueKind::PrintDate:
            return DisplayFormat::apply(m_document.printDate, element.format);
        }
        break;
    default:
        break;
    }
    return QString();
}

void PageRenderer::paintInto(QPainter &painter, const QRectF &target, int page)
{
    const QSizeF size = pageSizeMm();
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(target.width() / PageUnits::fromMm(size.width()),
                  target.height() / PageUnits::fromMm(size.height()));
    paint(painter, page);
    painter.restore();
}

void PageRenderer::paint(QPainter &painter, int page)
{
    const int first = m_document.firstRecordOf(page);
    const double step = PageUnits::fromMm(m_document.report.band.heightMm);
    for (int i = 0; i < m_document.report.elements.size(); ++i) {
        for (const int record : recordsFor(m_document.report.elements[i], page)) {
            painter.save();
            painter.translate(0, step * (record - first));
            paintElement(painter, i, Place{page, record});
            painter.restore();
        }
    }
}

void PageRenderer::paintElement(QPainter &painter, int index, int page)
{
    paintElement(painter, index, placeOf(page));
}

void PageRenderer::paintElement(QPainter &painter, int index, Place page)
{
    const ReportElement &element = m_document.report.elements.at(index);
    const QRectF rect = units(element.rectMm);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    switch (element.kind) {
    case ElementKind::Text:
    case ElementKind::Field:
    case ElementKind::SystemValue:
        paintText(painter, element, index, page);
        break;
    case ElementKind::Line:
        painter.setPen(penFor(element, element.dashed));
        painter.drawLine(rect.topLeft(), rect.bottomRight());
        break;
    case ElementKind::Rectangle:
        painter.setPen(element.penWidthMm > 0 ? penFor(element, element.dashed) : QPen(Qt::NoPen));
        painter.setBrush(element.fillColor.isValid() ? QBrush(element.fillColor)
                                                     : QBrush(Qt::NoBrush));
        painter.drawRect(rect);
        break;
    case ElementKind::Table:
        paintTable(painter, element, page);
        break;
    case ElementKind::Picture:
        paintPicture(painter, element, index);
        break;
    case ElementKind::Barcode:
        paintBarcode(painter, element, page);
        break;
    }
    painter.restore();
}

const TextBlock &PageRenderer::blockFor(const ReportElement &element, int index, Place place)
{
    // Texts without fields are the same on every page: laid out once for all of them.
    // Others are kept for the record last drawn, which the designer draws again and again.
    const bool fixed =
        element.kind == ElementKind::Text && !element.text.contains(QLatin1Char('{'));
    const Place key = fixed ? Place{-1, -1} : place;
    // Copies of a band's element on one page keep a layout each, so a page drawn again lays
    // none out again.
    const QPair<int, int> slot{index,
                               fixed ? 0 : place.record - m_document.firstRecordOf(place.page)};
    auto found = m_blocks.find(slot);
    if (found == m_blocks.end() || found->page != key.page || found->record != key.record)
        found = m_blocks.insert(slot, {key.page, key.record,
                                       TextBlock::fitted(elementText(element, place), element.style,
                                                         units(element.rectMm).size())});
    return *found->block;
}

bool PageRenderer::overflows(int index, int page)
{
    const ReportElement &element = m_document.report.elements.at(index);
    for (const int record : recordsFor(element, page))
        if (overflows(index, Place{page, record}))
            return true;
    return false;
}

bool PageRenderer::overflows(int index, Place place)
{
    const ReportElement &element = m_document.report.elements.at(index);
    if (element.kind != ElementKind::Text && element.kind != ElementKind::Field &&
        element.kind != ElementKind::SystemValue)
        return false;
    // A text that shrank to its smallest wraps there.
    const TextBlock &block = blockFor(element, index, place);
    return block.overflows(units(element.rectMm).size(),
                           element.style.wrap || element.style.shrinkToFit);
}

namespace {
// Smaller modules than this do not scan reliably from a print.
constexpr double kSmallestModuleMm = 0.25;
} // namespace

void PageRenderer::paintBarcode(QPainter &painter, const ReportElement &element, Place page)
{
    const QString content = expand(element.text, page);
    if (content.isEmpty())
        return;
    // A code that cannot be drawn stopped the run before it was shown; nothing is
    // drawn here rather than half a code.
    try {
        const auto symbol =
            BarcodeSymbol::encoded(content, element.symbology, element.qrLevel, element.quietZone);
        const QRectF place =
            symbol->placeIn(units(element.rectMm), PageUnits::fromMm(kSmallestModuleMm));
        if (!place.isEmpty())
            symbol->paint(painter, place);
    } catch (const ReportError &) {
    }
}

void PageRenderer::checkBarcodes()
{
    for (int index = 0; index < m_document.report.elements.size(); ++index) {
        const ReportElement &element = m_document.report.elements[index];
        if (element.kind != ElementKind::Barcode)
            continue;
        for (int page = 0; page < m_document.pageCount(); ++page) {
            for (const int record : recordsFor(element, page)) {
                const QString content = expand(element.text, Place{page, record});
                if (content.isEmpty())
                    continue;
                const QString where = QStringLiteral("条码“%1”（第 %2 条记录）")
                                          .arg(elementLabel(element))
                                          .arg(record + 1);
                try {
                    const auto symbol = BarcodeSymbol::encoded(content, element.symbology,
                                                               element.qrLevel, element.quietZone);
                    if (symbol->placeIn(units(element.rectMm), PageUnits::fromMm(kSmallestModuleMm))
                            .isEmpty())
                        throw ReportError(QStringLiteral("%1放不下：内容“%2”太长，或条码框太小")
                                              .arg(where, QuotedContent::of(content)));
                } catch (const ReportError &error) {
                    if (error.message().startsWith(where))
                        throw;
                    throw ReportError(QStringLiteral("%1无法生成：%2").arg(where, error.message()));
                }
            }
        }
    }
}

QList<int> PageRenderer::overflowing(int page)
{
    QList<int> found;
    for (int index = 0; index < m_document.report.elements.size(); ++index)
        if (overflows(index, page))
            found.append(index);
    return found;
}

QString PageRenderer::elementLabel(const ReportElement &element)
{
    if (!element.name.isEmpty())
        return element.name;
    const QString text = element.kind == ElementKind::Field
                             ? QLatin1Char('{') + element.field + QLatin1Char('}')
                             : element.text.simplified();
    return text.size() > 16 ? text.left(15) + QStringLiteral("…") : text;
}

void PageRenderer::paintText(QPainter &painter, const ReportElement &element, int index, Place page)
{
    painter.setPen(element.style.color);
    // What does not fit even at the smallest size stays in its box.
    if (element.style.shrinkToFit && overflows(index, page))
        painter.setClipRect(units(element.rectMm), Qt::IntersectClip);
    blockFor(element, index, page).draw(painter, units(element.rectMm));
}

void PageRenderer::paintTable(QPainter &painter, const ReportElement &element, Place page)
{
    const QRectF rect = units(element.rectMm);
    const double padding = PageUnits::fromMm(1.0);
    painter.setPen(penFor(element));
    double y = rect.top();
    for (int r = 0; r < element.rowHeightsMm.size(); ++r) {
        const double height = PageUnits::fromMm(element.rowHeightsMm[r]);
        double x = rect.left();
        for (int c = 0; c < element.columnWidthsMm.size(); ++c) {
            const double width = PageUnits::fromMm(element.columnWidthsMm[c]);
            const QRectF cellRect(x, y, width, height);
            painter.setPen(penFor(element));
            painter.drawRect(cellRect);
            if (r < element.cells.size() && c < element.cells[r].size()) {
                const TableCell &cell = element.cells[r][c];
                if (!cell.text.isEmpty()) {
                    TextStyle style = element.style;
                    style.alignment = cell.alignment;
                    style.bold = style.bold || cell.bold;
                    painter.setPen(style.color);
                    const QRectF inner =
                        cellRect.adjusted(padding, padding / 2, -padding, -padding / 2);
                    const auto block =
                        TextBlock::fitted(expand(cell.text, page), style, inner.size());
                    if (style.shrinkToFit && block->overflows(inner.size(), true)) {
                        painter.save();
                        painter.setClipRect(inner, Qt::IntersectClip);
                        block->draw(painter, inner);
                        painter.restore();
                    } else {
                        block->draw(painter, inner);
                    }
                }
            }
            x += width;
        }
        y += height;
    }
}

void PageRenderer::paintPicture(QPainter &painter, const ReportElement &element, int index)
{
    const QRectF rect = units(element.rectMm);
    if (element.imageData.trimmed().startsWith("<")) {
        QSvgRenderer svg(element.imageData);
        if (!svg.isValid())
            return;
        QRectF target = rect;
        if (element.keepAspect) {
            QSizeF size = svg.defaultSize();
            size.scale(rect.size(), Qt::KeepAspectRatio);
            target = QRectF(rect.center() - QPointF(size.width() / 2, size.height() / 2), size);
        }
        svg.render(&painter, target);
        return;
    }
    auto found = m_images.find(index);
    if (found == m_images.end())
        found = m_images.insert(index, QImage::fromData(element.imageData));
    if (found->isNull())
        return;
    QRectF target = rect;
    if (element.keepAspect) {
        QSizeF size = found->size();
        size.scale(rect.size(), Qt::KeepAspectRatio);
        target = QRectF(rect.center() - QPointF(size.width() / 2, size.height() / 2), size);
    }
    painter.drawImage(target, *found);
}

#include "DesignCanvas.h"

#include "DesignOperations.h"
#include "ElementItem.h"
#include "engine/PageRenderer.h"
#include "engine/PageUnits.h"
#include "engine/TextBlock.h"
#include "platform/Guard.h"

#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTimer>
#include <QToolTip>

namespace {

constexpr double kMinZoom = 10;
constexpr double kMaxZoom = 400;
constexpr int kHandlePixels = 7;
constexpr int kNudgeKey = 1;
constexpr int kNudgeSizeKey = 2;
// Below this many pixels of a side, handles are drawn outside the element, so that small
// texts stay readable and the handles can still be caught.
constexpr int kSmallPixels = 3 * kHandlePixels;

QRectF toUnits(const QRectF &mm)
{
    return QRectF(mm.topLeft() * PageUnits::PerMm, mm.size() * PageUnits::PerMm);
}

QRectF toMm(const QRectF &units)
{
    return QRectF(units.topLeft() / PageUnits::PerMm, units.size() / PageUnits::PerMm);
}

// Which edges each handle moves, in the order of DesignCanvas::Handle.
struct HandleEdges
{
    bool left, top, right, bottom;
};
constexpr HandleEdges kHandleEdges[] = {{true, true, false, false}, {false, true, false, false},
                                        {false, true, true, false}, {false, false, true, false},
                                        {false, false, true, true}, {false, false, false, true},
                                        {true, false, false, true}, {true, false, false, false}};

} // namespace

const QString DesignCanvas::FieldMimeType = QStringLiteral("application/x-roviradavev-field");
const QString DesignCanvas::ReplyAreaTip =
    QStringLiteral("回函区：被询证单位填写、签章的地方，核对回函时不比较这里");
const QColor DesignCanvas::ReplyAreaColour(0x20, 0x90, 0x50);

DesignCanvas::DesignCanvas(DesignDocument &document, QWidget *parent)
    : QGraphicsView(parent), m_document(document), m_scene(new QGraphicsScene(this))
{
    setObjectName(QStringLiteral("designCanvas"));
    setAccessibleName(QStringLiteral("模板画布"));
    setScene(m_scene);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAcceptDrops(true);
    setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    setViewportUpdateMode(QGraphicsView::SmartViewportUpdate);
    setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                   QPainter::SmoothPixmapTransform);
    // Dragging moves every selected item at each step; an index would be rebuilt each time.
    m_scene->setItemIndexMethod(QGraphicsScene::NoIndex);

    connect(&m_document, &DesignDocument::elementInserted, this, &DesignCanvas::elementInserted);
    connect(&m_document, &DesignDocument::elementRemoved, this, &DesignCanvas::elementRemoved);
    connect(&m_document, &DesignDocument::elementChanged, this, &DesignCanvas::elementChanged);
    connect(&m_document, &DesignDocument::orderChanged, this, [this] {
        for (ElementItem *item : std::as_const(m_items))
            item->setZValue(m_document.indexOf(item->id()));
    });
    connect(&m_document, &DesignDocument::pageChanged, this, [this] {
        rebuildRenderer();
        updateSceneRect();
        viewport()->update();
    });
    connect(&m_document, &DesignDocument::fieldsChanged, this, [this] {
        rebuildRenderer();
        refreshAll();
    });
    connect(&m_document, &DesignDocument::changed, this, [this] {
        // What the gesture began with may be gone: an undo, a delete or a panel edit in
        // the middle of a drag ends it.
        if (!m_releasing)
            cancelGesture();
        rebuildRenderer();
        viewport()->update();
    });

    rebuildRenderer();
    for (ElementId id : m_document.ids())
        elementInserted(id);
    updateSceneRect();
    applyZoom();
}

DesignCanvas::~DesignCanvas()
{
    // Items call back into the canvas while they go.
    m_scene->clear();
}

void DesignCanvas::rebuildRenderer()
{
    m_preview =
        SamplePreview::document(m_document.reportTemplate(), m_sampleData, m_record, m_showSamples);
    m_renderer = std::make_unique<PageRenderer>(m_preview);
}

void DesignCanvas::refreshAll()
{
    for (ElementItem *item : std::as_const(m_items))
        item->refresh();
    viewport()->update();
}

void DesignCanvas::setSampleData(const SampleData &data)
{
    m_sampleData = data;
    m_record = std::clamp(m_record, 0, std::max(0, int(data.records.size()) - 1));
    rebuildRenderer();
    refreshAll();
}

void DesignCanvas::setShowSamples(bool show)
{
    m_showSamples = show;
    rebuildRenderer();
    refreshAll();
}

void DesignCanvas::setRecord(int record)
{
    m_record = std::clamp(record, 0, std::max(0, int(m_sampleData.records.size()) - 1));
    rebuildRenderer();
    refreshAll();
}

void DesignCanvas::paintElement(QPainter &painter, ElementId id)
{
    const int index = m_document.indexOf(id);
    if (index >= 0 && index < m_preview.report.elements.size())
        m_renderer->paintElement(painter, index, 0);
}

bool DesignCanvas::overflows(ElementId id) const
{
    const int index = m_document.indexOf(id);
    return index >= 0 && index < m_preview.report.elements.size() &&
           m_renderer->overflows(index, 0);
}

void DesignCanvas::elementInserted(ElementId id)
{
    auto *item = new ElementItem(*this, id);
    m_scene->addItem(item);
    m_items.insert(id, item);
}

void DesignCanvas::elementRemoved(ElementId id)
{
    if (m_editing == id)
        finishTextEdit(false);
    delete m_items.take(id);
    if (m_selection.removeAll(id) > 0)
        emit selectionChanged();
}

void DesignCanvas::elementChanged(ElementId id)
{
    // The renderer is rebuilt once the whole change is in (changed()); the item only asks
    // to be drawn again.
    if (ElementItem *item = m_items.value(id))
        item->refresh();
}

QRectF DesignCanvas::pageRectMm() const
{
    const PageSetup &page = m_document.reportTemplate().page;
    return QRectF(0, 0, page.pageWidthMm(), page.pageHeightMm());
}

void DesignCanvas::updateSceneRect()
{
    const double margin = PageUnits::fromMm(15);
    setSceneRect(toUnits(pageRectMm()).adjusted(-margin, -margin, margin, margin));
    // The view settles its scroll range once it lays out again.
    QTimer::singleShot(0, this, &DesignCanvas::viewChanged);
    emit viewChanged();
}

void DesignCanvas::setSelection(const QList<ElementId> &ids)
{
    QList<ElementId> valid;
    for (ElementId id : ids)
        if (m_document.contains(id) && !valid.contains(id))
            valid.append(id);
    if (valid == m_selection)
        return;
    if (m_drag == Drag::Move || m_drag == Drag::Resize)
        cancelGesture();
    m_selection = valid;
    if (!m_selection.contains(m_reference))
        m_reference = m_selection.value(0);
    m_document.endGesture();
    viewport()->update();
    emit selectionChanged();
}

ElementId DesignCanvas::reference() const
{
    return m_selection.contains(m_reference) ? m_reference : m_selection.value(0);
}

void DesignCanvas::revealSelection()
{
    QRectF bounds;
    for (ElementId id : std::as_const(m_selection))
        bounds = bounds.united(toUnits(m_document.element(id).rectMm.normalized()));
    if (!bounds.isNull())
        ensureVisible(bounds, 20, 20);
}

void DesignCanvas::showPageTop()
{
    horizontalScrollBar()->setValue(
        (horizontalScrollBar()->minimum() + horizontalScrollBar()->maximum()) / 2);
    verticalScrollBar()->setValue(verticalScrollBar()->minimum());
}

double DesignCanvas::pixelsPerMm() const
{
    return transform().m11() * PageUnits::PerMm;
}

void DesignCanvas::applyZoom()
{
    const double scale = m_zoom / 100.0 * logicalDpiX() / (25.4 * PageUnits::PerMm);
    setTransform(QTransform::fromScale(scale, scale));
    viewport()->update();
    emit viewChanged();
}

void DesignCanvas::setZoomPercent(double percent)
{
    m_fit = Fit::None;
    m_zoom = std::clamp(percent, kMinZoom, kMaxZoom);
    applyZoom();
    emit zoomChanged(m_zoom);
}

void DesignCanvas::fitPage()
{
    const double unitsPerPercent = logicalDpiX() / (25.4 * PageUnits::PerMm) / 100.0;
    const QSize view = viewport()->size();
    const double scale =
        std::min(view.width() / sceneRect().width(), view.height() / sceneRect().height());
    m_fit = Fit::Page;
    m_zoom = std::clamp(scale / unitsPerPercent, kMinZoom, kMaxZoom);
    applyZoom();
    emit zoomChanged(m_zoom);
}

void DesignCanvas::fitWidth()
{
    const double unitsPerPercent = logicalDpiX() / (25.4 * PageUnits::PerMm) / 100.0;
    const double width = viewport()->width() - verticalScrollBar()->sizeHint().width();
    m_fit = Fit::Width;
    m_zoom = std::clamp(width / sceneRect().width() / unitsPerPercent, kMinZoom, kMaxZoom);
    applyZoom();
    emit zoomChanged(m_zoom);
}

void DesignCanvas::setGridVisible(bool visible)
{
    m_gridVisible = visible;
    viewport()->update();
}

void DesignCanvas::setPlacingTool(std::optional<ElementKind> kind)
{
    if (kind == m_placing)
        return;
    cancelGesture();
    m_placing = kind;
    viewport()->setCursor(kind ? Qt::CrossCursor : Qt::ArrowCursor);
    emit placingToolChanged();
}

QPointF DesignCanvas::placementFor(const QSizeF &sizeMm) const
{
    const PageSetup &page = m_document.reportTemplate().page;
    const QRectF paper = pageRectMm();
    const QRectF inside = paper.adjusted(page.marginLeftMm, page.marginTopMm, -page.marginRightMm,
                                         -page.marginBottomMm);
    const QPoint pointer = viewport()->mapFromGlobal(QCursor::pos());
    const QPointF pointerMm = mapToScene(pointer) / PageUnits::PerMm;
    QPointF topLeft;
    if (viewport()->rect().contains(pointer) && paper.contains(pointerMm)) {
        topLeft = pointerMm;
    } else {
        const QRectF visible =
            toMm(mapToScene(viewport()->rect()).boundingRect()).intersected(paper);
        const QPointF centre = visible.isEmpty() ? inside.center() : visible.center();
        topLeft = centre - QPointF(sizeMm.width() / 2, sizeMm.height() / 2);
    }
    // Inside the margins, as far as the element fits.
    const double x = std::clamp(topLeft.x(), inside.left(),
                                std::max(inside.left(), inside.right() - sizeMm.width()));
    const double y = std::clamp(topLeft.y(), inside.top(),
                                std::max(inside.top(), inside.bottom() - sizeMm.height()));
    return QPointF(x, y);
}

void DesignCanvas::drawBackground(QPainter *painter, const QRectF &rect)
{
    painter->fillRect(rect, QColor(0x9a, 0x9e, 0xa6));
    const PageSetup &page = m_document.reportTemplate().page;
    const QRectF paper = toUnits(pageRectMm());
    painter->fillRect(paper.translated(PageUnits::fromMm(1), PageUnits::fromMm(1)),
                      QColor(0x60, 0x60, 0x60));
    painter->fillRect(paper, Qt::white);
    if (m_gridVisible) {
        const double stepPixels = transform().m11() * PageUnits::fromMm(GridMm);
        if (stepPixels >= 6) {
            QPolygonF dots;
            const double step = PageUnits::fromMm(GridMm);
            const QRectF area = rect.intersected(paper);
            for (double x = std::ceil(area.left() / step) * step; x <= area.right(); x += step)
                for (double y = std::ceil(area.top() / step) * step; y <= area.bottom(); y += step)
                    dots.append(QPointF(x, y));
            painter->setPen(QPen(QColor(0xb0, 0xb8, 0xc8), 0));
            painter->drawPoints(dots);
        }
    }
    const QRectF margins = paper.adjusted(
        PageUnits::fromMm(page.marginLeftMm), PageUnits::fromMm(page.marginTopMm),
        -PageUnits::fromMm(page.marginRightMm), -PageUnits::fromMm(page.marginBottomMm));
    painter->setPen(QPen(QColor(0x70, 0xa0, 0xe0), 0, Qt::DashLine));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(margins);
    drawBand(painter, paper);
}

// The detail band tinted across the page, named, and where its next copies would fall
// dotted down to the bottom margin, so the designer sees how many records a page takes.
void DesignCanvas::drawBand(QPainter *painter, const QRectF &paper)
{
    const ReportTemplate &report = m_document.reportTemplate();
    if (!report.band.isSet())
        return;
    const double top = paper.top() + PageUnits::fromMm(report.band.topMm);
    const double height = PageUnits::fromMm(report.band.heightMm);
    const QRectF band(paper.left(), top, paper.width(), height);
    painter->fillRect(band, QColor(0xff, 0xf4, 0xc8));
    painter->setPen(QPen(QColor(0xd0, 0x90, 0x20), 0, Qt::DashLine));
    painter->drawRect(band);
    painter->setPen(QPen(QColor(0xe8, 0xc8, 0x90), 0, Qt::DotLine));
    for (int copy = 1; copy < report.recordsPerPage(); ++copy)
        painter->drawLine(QPointF(paper.left(), top + copy * height + height),
                          QPointF(paper.right(), top + copy * height + height));
    QFont font = painter->font();
    font.setPixelSize(int(PageUnits::fromMm(3)));
    painter->setFont(font);
    painter->setPen(QColor(0xb0, 0x70, 0x10));
    painter->drawText(band.adjusted(PageUnits::fromMm(1), 0, -PageUnits::fromMm(1), 0),
                      Qt::AlignRight | Qt::AlignTop,
                      QStringLiteral("明细区（每页 %1 条记录）").arg(report.recordsPerPage()));
}

QList<QRectF> DesignCanvas::handleRects(const QRectF &sceneRect) const
{
    QRectF r = mapFromScene(sceneRect).boundingRect();
    const double h = kHandlePixels;
    // A small element's handles stand off its edges, so they cover none of it.
    if (r.width() < kSmallPixels)
        r.adjust(-h / 2 - 1, 0, h / 2 + 1, 0);
    if (r.height() < kSmallPixels)
        r.adjust(0, -h / 2 - 1, 0, h / 2 + 1);
    const QList<QPointF> centres{r.topLeft(),     QPointF(r.center().x(), r.top()),
                                 r.topRight(),    QPointF(r.right(), r.center().y()),
                                 r.bottomRight(), QPointF(r.center().x(), r.bottom()),
                                 r.bottomLeft(),  QPointF(r.left(), r.center().y())};
    QList<QRectF> rects;
    for (const QPointF &c : centres)
        rects.append(QRectF(c.x() - h / 2, c.y() - h / 2, h, h));
    return rects;
}

DesignCanvas::Handle DesignCanvas::handleAt(const QPoint &viewPoint) const
{
    if (m_selection.size() != 1 || m_document.element(m_selection[0]).locked)
        return Handle::None;
    const QList<QRectF> rects =
        handleRects(toUnits(m_document.element(m_selection[0]).rectMm).normalized());
    for (int i = 0; i < rects.size(); ++i)
        if (rects[i].adjusted(-2, -2, 2, 2).contains(viewPoint))
            return Handle(i);
    return Handle::None;
}

// 回函区 hatched in green over the elements, each named in its corner: unlike the detail
// band's yellow under them, they cover what they hold.
void DesignCanvas::drawReplyAreas(QPainter *painter)
{
    const QList<QRectF> regions = m_document.reportTemplate().replyRegions();
    if (regions.isEmpty())
        return;
    QFont font = painter->font();
    font.setPixelSize(std::clamp(int(pixelsPerMm() * 2.5), 8, 14));
    painter->setFont(font);
    QColor tint = ReplyAreaColour;
    tint.setAlpha(28);
    QColor hatch = ReplyAreaColour;
    hatch.setAlpha(90);
    for (const QRectF &mm : regions) {
        const QRect r = mapFromScene(toUnits(mm)).boundingRect();
        painter->fillRect(r, tint);
        painter->fillRect(r, QBrush(hatch, Qt::BDiagPattern));
        painter->setPen(QPen(ReplyAreaColour, 1, Qt::DashDotLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(r);
        painter->setPen(ReplyAreaColour);
        painter->drawText(r.adjusted(3, 1, -3, -1), Qt::AlignLeft | Qt::AlignTop,
                          QStringLiteral("回函区"));
    }
}

bool DesignCanvas::viewportEvent(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QGraphicsView::viewportEvent(event);
    auto *help = static_cast<QHelpEvent *>(event);
    const QPointF mm = mapToScene(help->pos()) / PageUnits::PerMm;
    const QList<QRectF> regions = m_document.reportTemplate().replyRegions();
    if (std::any_of(regions.begin(), regions.end(),
                    [&](const QRectF &r) { return r.contains(mm); }))
        QToolTip::showText(help->globalPos(), ReplyAreaTip, viewport());
    else
        QToolTip::hideText();
    return true;
}

void DesignCanvas::drawForeground(QPainter *painter, const QRectF &)
{
    painter->save();
    painter->resetTransform();
    painter->setRenderHint(QPainter::Antialiasing, false);
    drawReplyAreas(painter);
    const bool moving = m_drag == Drag::Move && m_dragStarted;
    if (moving && !m_dragImage.isNull())
        painter->drawPixmap(mapFromScene(m_dragImageOrigin + m_moveDeltaMm * PageUnits::PerMm),
                            m_dragImage);
    const ElementId reference = m_selection.size() > 1 ? this->reference() : 0;
    for (ElementId id : std::as_const(m_selection)) {
        const ReportElement &element = m_document.element(id);
        QRectF mm = element.rectMm;
        if (moving && !element.locked)
            mm.translate(m_moveDeltaMm);
        if (m_drag == Drag::Resize && id == m_resizing)
            mm = m_resizeRectMm;
        const QRect r =
            mapFromScene(toUnits(mm).normalized()).boundingRect().adjusted(-1, -1, 1, 1);
        const QColor colour = element.locked ? QColor(0x80, 0x80, 0x80) : QColor(0x20, 0x60, 0xe0);
        painter->setPen(
            QPen(colour, id == reference ? 2 : 1, id == reference ? Qt::SolidLine : Qt::DashLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(r);
        if (id == reference) {
            // The element that 同宽, 同高 and the alignments follow: a filled corner.
            painter->setPen(Qt::NoPen);
            painter->setBrush(colour);
            painter->drawRect(QRect(r.topLeft() - QPoint(3, 3), QSize(7, 7)));
        }
        if (element.locked) {
            // A small padlock: the element cannot be moved.
            const QRect body(r.right() - 10, r.top() + 4, 8, 6);
            painter->setPen(QColor(0x60, 0x60, 0x60));
            painter->setBrush(QColor(0xf0, 0xc0, 0x40));
            painter->drawRect(body);
            painter->setBrush(Qt::NoBrush);
            painter->drawArc(QRect(body.left() + 1, body.top() - 5, 6, 8), 0, 180 * 16);
        }
    }
    if (m_selection.size() == 1 && !m_document.element(m_selection[0]).locked && !moving) {
        const QRectF mm =
            m_drag == Drag::Resize ? m_resizeRectMm : m_document.element(m_selection[0]).rectMm;
        painter->setPen(QColor(0x20, 0x60, 0xe0));
        painter->setBrush(Qt::white);
        for (const QRectF &h : handleRects(toUnits(mm).normalized()))
            painter->drawRect(h);
    }
    painter->setPen(QPen(QColor(0xe0, 0x20, 0xc0), 1));
    for (const QLineF &guide : std::as_const(m_guides))
        painter->drawLine(mapFromScene(guide.p1() * PageUnits::PerMm),
                          mapFromScene(guide.p2() * PageUnits::PerMm));
    if (m_drag == Drag::RubberBand && !m_rubberBand.isNull()) {
        painter->setPen(QColor(0x20, 0x60, 0xe0));
        painter->setBrush(QColor(0x20, 0x60, 0xe0, 40));
        painter->drawRect(m_rubberBand);
    }
    if (m_drag == Drag::Place && !m_placeRectMm.isEmpty()) {
        painter->setPen(QPen(QColor(0x20, 0x60, 0xe0), 1, Qt::DashLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(mapFromScene(toUnits(m_placeRectMm)).boundingRect());
    }
    painter->restore();
}

ElementItem *DesignCanvas::itemAt(const QPoint &viewPoint) const
{
    // A few pixels of tolerance, so a thin line can be hit.
    const QRectF probe = mapToScene(QRect(viewPoint - QPoint(3, 3), QSize(7, 7))).boundingRect();
    ElementItem *best = nullptr;
    for (QGraphicsItem *graphics : items(QRect(viewPoint - QPoint(3, 3), QSize(7, 7)))) {
        auto *item = static_cast<ElementItem *>(graphics);
        if (!item->elementRect().normalized().adjusted(-1, -1, 1, 1).intersects(probe))
            continue;
        if (!best || item->zValue() > best->zValue())
            best = item;
    }
    return best;
}

Snapper DesignCanvas::snapperFor(const QList<ElementId> &moving,
                                 Qt::KeyboardModifiers modifiers) const
{
    const PageSetup &page = m_document.reportTemplate().page;
    const QRectF paper = pageRectMm();
    Snapper snapper(paper, Snapper::distanceMm(pixelsPerMm()));
    // Holding Alt suspends the grid and the guides alike.
    snapper.setEnabled(m_snapping && !(modifiers & Qt::AltModifier));
    snapper.setGrid(m_gridVisible, GridMm);
    snapper.addVertical(page.marginLeftMm);
    snapper.addVertical(paper.width() - page.marginRightMm);
    snapper.addVertical(paper.width() / 2);
    snapper.addHorizontal(page.marginTopMm);
    snapper.addHorizontal(paper.height() - page.marginBottomMm);
    for (ElementId id : m_document.ids())
        if (!moving.contains(id))
            snapper.addTarget(m_document.element(id).rectMm.normalized());
    return snapper;
}

QPointF DesignCanvas::snappedPoint(QPointF scene, Qt::KeyboardModifiers modifiers) const
{
    const Snapper snapper = snapperFor({}, modifiers);
    QList<QLineF> guides;
    const QPointF mm = scene / PageUnits::PerMm;
    return QPointF(snapper.snapX(mm.x(), guides), snapper.snapY(mm.y(), guides));
}

void DesignCanvas::cancelGesture()
{
    const Drag drag = std::exchange(m_drag, Drag::None);
    if (drag == Drag::None)
        return;
    endDragImage();
    m_dragStarted = false;
    m_handle = Handle::None;
    m_resizing = 0;
    m_moveDeltaMm = QPointF();
    m_guides.clear();
    m_rubberBand = QRect();
    m_placeRectMm = QRectF();
    m_document.endGesture();
    viewport()->update();
}

void DesignCanvas::mousePressEvent(QMouseEvent *event)
{
    Guard::run([&] {
        if (event->button() == Qt::LeftButton) {
            pressOnPage(event);
            return;
        }
        // Any other button during a gesture ends it; a right click also selects what it is
        // on, for the context menu.
        cancelGesture();
        if (event->button() == Qt::RightButton)
            if (ElementItem *item = itemAt(event->position().toPoint());
                item && !m_selection.contains(item->id()))
                setSelection({item->id()});
        QGraphicsView::mousePressEvent(event);
    });
}

void DesignCanvas::pressOnPage(QMouseEvent *event)
{
    finishTextEdit(true);
    cancelGesture();
    setFocus(Qt::MouseFocusReason);
    m_document.endGesture();
    m_pressView = event->position().toPoint();
    m_pressScene = mapToScene(m_pressView);
    m_dragStarted = false;
    m_moveDeltaMm = QPointF();
    m_guides.clear();
    if (m_placing) {
        m_drag = Drag::Place;
        m_placeRectMm = QRectF();
        return;
    }
    const bool adding = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);

    m_handle = adding ? Handle::None : handleAt(m_pressView);
    if (m_handle != Handle::None) {
        m_drag = Drag::Resize;
        m_resizing = m_selection[0];
        m_resizeRectMm = m_document.element(m_resizing).rectMm;
        return;
    }
    if (ElementItem *item = itemAt(m_pressView)) {
        const ElementId id = item->id();
        if (adding) {
            QList<ElementId> selection = m_selection;
            if (!selection.removeAll(id))
                selection.append(id);
            setSelection(selection);
        } else {
            if (!m_selection.contains(id))
                setSelection({id});
            m_drag = Drag::Move;
        }
        m_reference = id;
        viewport()->update();
        return;
    }
    m_selectionBeforeBand = adding ? m_selection : QList<ElementId>();
    if (!adding)
        setSelection({});
    m_drag = Drag::RubberBand;
    m_rubberBand = QRect();
}

QRectF DesignCanvas::resizedRect(QPointF sceneNow, Qt::KeyboardModifiers modifiers)
{
    const ReportElement &element = m_document.element(m_resizing);
    const QPointF mm = sceneNow / PageUnits::PerMm;
    const Snapper snapper = snapperFor({m_resizing}, modifiers);
    QList<QLineF> guides;
    QRectF r = element.rectMm;
    const Handle h = m_handle;
    const HandleEdges &moves = kHandleEdges[int(h)];
    if (moves.left)
        r.setLeft(snapper.snapX(mm.x(), guides));
    if (moves.right)
        r.setRight(snapper.snapX(mm.x(), guides));
    if (moves.top)
        r.setTop(snapper.snapY(mm.y(), guides));
    if (moves.bottom)
        r.setBottom(snapper.snapY(mm.y(), guides));
    if (DesignOperations::keepsProportions(element) && element.rectMm.width() > 0) {
        const double ratio = DesignOperations::keepsSquare(element)
                                 ? 1.0
                                 : element.rectMm.height() / element.rectMm.width();
        if (h == Handle::Top || h == Handle::Bottom)
            r.setWidth(r.height() / ratio);
        else
            r.setHeight(r.width() * ratio);
    }
    m_guides = guides;
    return r.normalized();
}

void DesignCanvas::mouseMoveEvent(QMouseEvent *event)
{
    Guard::run([&] {
        const QPoint pos = event->position().toPoint();
        const QPointF scenePos = mapToScene(pos);
        emit cursorMoved(scenePos / PageUnits::PerMm);
        switch (m_drag) {
        case Drag::None: {
            static const Qt::CursorShape shapes[] = {
                Qt::SizeFDiagCursor, Qt::SizeVerCursor, Qt::SizeBDiagCursor, Qt::SizeHorCursor,
                Qt::SizeFDiagCursor, Qt::SizeVerCursor, Qt::SizeBDiagCursor, Qt::SizeHorCursor};
            const Handle handle = handleAt(pos);
            viewport()->setCursor(m_placing                ? Qt::CrossCursor
                                  : handle != Handle::None ? shapes[int(handle)]
                                                           : Qt::ArrowCursor);
            QGraphicsView::mouseMoveEvent(event);
            return;
        }
        case Drag::Move: {
            if (!m_dragStarted &&
                (pos - m_pressView).manhattanLength() < QApplication::startDragDistance())
                return;
            if (!std::exchange(m_dragStarted, true))
                startDragImage();
            if (m_moving.isEmpty())
                return;
            m_dragSnapper->setEnabled(m_snapping && !(event->modifiers() & Qt::AltModifier));
            const Snapper::Result snapped =
                m_dragSnapper->move(m_movingBoundsMm, (scenePos - m_pressScene) / PageUnits::PerMm);
            if (snapped.delta != m_moveDeltaMm || snapped.guides != m_guides) {
                m_moveDeltaMm = snapped.delta;
                m_guides = snapped.guides;
                viewport()->update();
            }
            return;
        }
        case Drag::Resize:
            m_resizeRectMm = resizedRect(scenePos, event->modifiers());
            viewport()->update();
            return;
        case Drag::Place: {
            if ((pos - m_pressView).manhattanLength() < QApplication::startDragDistance())
                return;
            const Snapper snapper = snapperFor({}, event->modifiers());
            QList<QLineF> guides;
            const QPointF a = m_pressScene / PageUnits::PerMm, b = scenePos / PageUnits::PerMm;
            m_placeRectMm =
                QRectF(QPointF(snapper.snapX(a.x(), guides), snapper.snapY(a.y(), guides)),
                       QPointF(snapper.snapX(b.x(), guides), snapper.snapY(b.y(), guides)))
                    .normalized();
            m_guides = guides;
            viewport()->update();
            return;
        }
        case Drag::RubberBand: {
            m_rubberBand = QRect(m_pressView, pos).normalized();
            const QRectF band = toMm(mapToScene(m_rubberBand).boundingRect());
            QList<ElementId> selection = m_selectionBeforeBand;
            for (ElementId id : m_document.ids()) {
                const ReportElement &element = m_document.element(id);
                // A locked element, a letterhead say, is never caught by the band.
                if (!element.locked &&
                    band.intersects(
                        element.rectMm.normalized().adjusted(-0.01, -0.01, 0.01, 0.01)) &&
                    !selection.contains(id))
                    selection.append(id);
            }
            setSelection(selection);
            viewport()->update();
            return;
        }
        }
    });
}

// While dragged, the moving elements are one picture that only shifts: however many move,
// each step draws the page under them and that picture once.
void DesignCanvas::startDragImage()
{
    m_moving.clear();
    m_movingBoundsMm = QRectF();
    QRectF source;
    for (ElementId id : m_document.ids()) { // painting order
        const ReportElement &element = m_document.element(id);
        if (!m_selection.contains(id) || element.locked)
            continue;
        m_moving.append(id);
        const QRectF r = element.rectMm.normalized();
        m_movingBoundsMm = m_movingBoundsMm.isNull() ? r : m_movingBoundsMm.united(r);
        source = source.united(m_items.value(id)->boundingRect());
    }
    if (m_moving.isEmpty())
        return;
    m_dragSnapper.emplace(snapperFor(m_moving, {}));

    const QTransform scale = transform();
    const QRect device = scale.mapRect(source).toAlignedRect().adjusted(-1, -1, 1, 1);
    const qreal ratio = viewport()->devicePixelRatioF();
    m_dragImage = QPixmap(device.size() * ratio);
    m_dragImage.setDevicePixelRatio(ratio);
    m_dragImage.fill(Qt::transparent);
    m_dragImageOrigin = scale.inverted().map(QPointF(device.topLeft()));
    QPainter painter(&m_dragImage);
    painter.setRenderHints(renderHints());
    painter.translate(-device.topLeft());
    painter.setTransform(scale, true);
    for (ElementId id : std::as_const(m_moving)) {
        m_renderer->paintElement(painter, m_document.indexOf(id), 0);
        m_items.value(id)->hide();
    }
}

void DesignCanvas::endDragImage()
{
    for (ElementId id : std::as_const(m_moving))
        if (ElementItem *item = m_items.value(id))
            item->show();
    m_moving.clear();
    m_dragImage = QPixmap();
    m_dragSnapper.reset();
}

void DesignCanvas::mouseReleaseEvent(QMouseEvent *event)
{
    Guard::run([&] {
        if (event->button() != Qt::LeftButton || m_drag == Drag::None) {
            QGraphicsView::mouseReleaseEvent(event);
            return;
        }
        release(event->modifiers());
    });
}

// The gesture's one change goes in, from what the gesture holds now.
void DesignCanvas::release(Qt::KeyboardModifiers modifiers)
{
    const Drag drag = m_drag;
    const QPointF pressScene = m_pressScene;
    const QPointF delta = m_moveDeltaMm;
    const bool started = m_dragStarted;
    const QList<ElementId> moving = m_moving;
    const ElementId resizing = m_resizing;
    const QRectF resized = m_resizeRectMm;
    const QRectF placed = m_placeRectMm;
    cancelGesture();
    const QScopedValueRollback releasing(m_releasing, true);
    if (drag == Drag::Move && started && !delta.isNull())
        m_document.changeElements(DesignOperations::moved(m_document, moving, delta),
                                  QStringLiteral("移动"));
    else if (drag == Drag::Resize && m_document.contains(resizing))
        m_document.changeElements(
            {{resizing, DesignOperations::withRect(m_document.element(resizing), resized)}},
            QStringLiteral("调整大小"));
    else if (drag == Drag::Place && m_placing) {
        const ElementKind kind = *m_placing;
        setPlacingTool(std::nullopt);
        QRectF at = placed;
        // A click: the element's corner where clicked, on the grid like any edge.
        if (at.isEmpty())
            at = QRectF(snappedPoint(pressScene, modifiers), QSizeF());
        emit placeRequested(kind, at);
    }
    m_document.endGesture();
}

void DesignCanvas::mouseDoubleClickEvent(QMouseEvent *event)
{
    Guard::run([&] {
        ElementItem *item = itemAt(event->position().toPoint());
        if (!item)
            return;
        const ReportElement &element = m_document.element(item->id());
        if (element.kind == ElementKind::Text) {
            startTextEdit(item->id());
        } else if (element.kind == ElementKind::Table) {
            const QPointF mm = mapToScene(event->position().toPoint()) / PageUnits::PerMm;
            if (const std::optional<QPoint> cell = DesignOperations::tableCellAt(element, mm))
                startCellEdit(item->id(), cell->y(), cell->x());
        }
    });
}

void DesignCanvas::wheelEvent(QWheelEvent *event)
{
    if (event->modifiers() & Qt::ControlModifier) {
        const double steps = event->angleDelta().y() / 120.0;
        setZoomPercent(m_zoom * std::pow(1.15, steps));
        event->accept();
        return;
    }
    QGraphicsView::wheelEvent(event);
}

void DesignCanvas::scrollContentsBy(int dx, int dy)
{
    QGraphicsView::scrollContentsBy(dx, dy);
    emit viewChanged();
}

void DesignCanvas::contextMenuEvent(QContextMenuEvent *event)
{
    Guard::run([&] {
        QPoint at = event->globalPos();
        // From the keyboard, the menu opens over the selection rather than at the pointer.
        if (event->reason() != QContextMenuEvent::Mouse && !m_selection.isEmpty())
            if (const ElementItem *item = m_items.value(m_selection[0]))
                at = viewport()->mapToGlobal(mapFromScene(item->elementRect().center()));
        emit contextMenuRequested(at);
    });
}

void DesignCanvas::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasFormat(FieldMimeType))
        event->acceptProposedAction();
    else
        QGraphicsView::dragEnterEvent(event);
}

void DesignCanvas::dragMoveEvent(QDragMoveEvent *event)
{
    if (event->mimeData()->hasFormat(FieldMimeType))
        event->acceptProposedAction();
    else
        QGraphicsView::dragMoveEvent(event);
}

void DesignCanvas::dropEvent(QDropEvent *event)
{
    Guard::run([&] {
        if (!event->mimeData()->hasFormat(FieldMimeType)) {
            QGraphicsView::dropEvent(event);
            return;
        }
        event->acceptProposedAction();
        const QString name = QString::fromUtf8(event->mimeData()->data(FieldMimeType));
        // The text's corner where dropped, on the grid like any edge.
        emit fieldDropped(
            name, snappedPoint(mapToScene(event->position().toPoint()), event->modifiers()));
    });
}

void DesignCanvas::nudge(QPointF deltaMm, bool resize)
{
    if (m_selection.isEmpty())
        return;
    if (resize)
        m_document.changeElements(
            DesignOperations::resized(m_document, m_selection, QSizeF(deltaMm.x(), deltaMm.y())),
            QStringLiteral("调整大小"), kNudgeSizeKey);
    else
        m_document.changeElements(DesignOperations::moved(m_document, m_selection, deltaMm),
                                  QStringLiteral("移动"), kNudgeKey);
}

void DesignCanvas::keyPressEvent(QKeyEvent *event)
{
    Guard::run([&] {
        const double step = event->modifiers() & Qt::AltModifier ? 0.1 : 1.0;
        const bool resize = event->modifiers() & Qt::ShiftModifier;
        switch (event->key()) {
        case Qt::Key_Left:
            nudge(QPointF(-step, 0), resize);
            break;
        case Qt::Key_Right:
            nudge(QPointF(step, 0), resize);
            break;
        case Qt::Key_Up:
            nudge(QPointF(0, -step), resize);
            break;
        case Qt::Key_Down:
            nudge(QPointF(0, step), resize);
            break;
        case Qt::Key_Escape:
            // First the gesture, then the tool, then the selection.
            if (m_drag != Drag::None)
                cancelGesture();
            else if (m_placing)
                setPlacingTool(std::nullopt);
            else
                setSelection({});
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_F2:
            if (m_selection.size() == 1 &&
                m_document.element(m_selection[0]).kind == ElementKind::Text)
                startTextEdit(m_selection[0]);
            break;
        default:
            QGraphicsView::keyPressEvent(event);
        }
    });
}

void DesignCanvas::resizeEvent(QResizeEvent *event)
{
    // The line at the top of the view stays there when the page is fitted again; a view
    // at the page's head stays at its head.
    const QPointF top = mapToScene(QPoint(0, 0));
    const bool atHead = verticalScrollBar()->value() == verticalScrollBar()->minimum();
    QGraphicsView::resizeEvent(event);
    if (m_fit != Fit::None) {
        m_fit == Fit::Page ? fitPage() : fitWidth();
        verticalScrollBar()->setValue(atHead
                                          ? verticalScrollBar()->minimum()
                                          : verticalScrollBar()->value() + mapFromScene(top).y());
    }
    emit viewChanged();
}

void DesignCanvas::focusOutEvent(QFocusEvent *event)
{
    m_document.endGesture();
    QGraphicsView::focusOutEvent(event);
}

namespace {

// An editor over the element, committed when it loses the focus or on Ctrl+Enter, and
// dropped on Esc. Until then it keeps its own typing undo.
class InPlaceEditor : public QPlainTextEdit
{
public:
    InPlaceEditor(DesignCanvas &canvas, QWidget *parent) : QPlainTextEdit(parent), m_canvas(canvas)
    {
        setObjectName(QStringLiteral("inPlaceEditor"));
        setAccessibleName(QStringLiteral("编辑文字"));
    }

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->key() == Qt::Key_Escape) {
            Guard::run([this] { m_canvas.finishTextEdit(false); });
            return;
        }
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
            (event->modifiers() & Qt::ControlModifier)) {
            Guard::run([this] { m_canvas.finishTextEdit(true); });
            return;
        }
        QPlainTextEdit::keyPressEvent(event);
    }
    void focusOutEvent(QFocusEvent *event) override
    {
        QPlainTextEdit::focusOutEvent(event);
        if (event->reason() != Qt::PopupFocusReason)
            Guard::run([this] { m_canvas.finishTextEdit(true); });
    }

private:
    DesignCanvas &m_canvas;
};

} // namespace

void DesignCanvas::startEditor(ElementId id, const QRectF &rectMm, const TextStyle &style,
                               const QString &text, std::function<void(const QString &)> commit)
{
    m_editor = new InPlaceEditor(*this, viewport());
    m_editing = id;
    m_commitEdit = std::move(commit);
    QFont font = TextBlock::fontFor(style);
    font.setPixelSize(std::max(8, int(font.pixelSize() * transform().m11())));
    m_editor->setFont(font);
    m_editor->setPlainText(text);
    QRect r = mapFromScene(toUnits(rectMm).normalized()).boundingRect();
    r.setHeight(std::max(r.height(), 3 * QFontMetrics(font).height()));
    r.setWidth(std::max(r.width(), 120));
    m_editor->setGeometry(r);
    m_editor->show();
    m_editor->setFocus();
    m_editor->selectAll();
}

void DesignCanvas::startTextEdit(ElementId id)
{
    finishTextEdit(true);
    if (!m_document.contains(id) || m_document.element(id).kind != ElementKind::Text)
        return;
    setSelection({id});
    const ReportElement &element = m_document.element(id);
    startEditor(id, element.rectMm, element.style, element.text, [this, id](const QString &text) {
        if (!m_document.contains(id))
            return;
        ReportElement changed = m_document.element(id);
        changed.text = text;
        m_document.changeElements({{id, changed}}, QStringLiteral("编辑文字"));
    });
}

void DesignCanvas::startCellEdit(ElementId id, int row, int column)
{
    finishTextEdit(true);
    if (!m_document.contains(id))
        return;
    const ReportElement &table = m_document.element(id);
    if (table.kind != ElementKind::Table || row < 0 || row >= table.cells.size() || column < 0 ||
        column >= table.cells[row].size())
        return;
    setSelection({id});
    startEditor(id, DesignOperations::tableCellRect(table, row, column), table.style,
                table.cells[row][column].text, [this, id, row, column](const QString &text) {
                    if (!m_document.contains(id))
                        return;
                    ReportElement changed = m_document.element(id);
                    if (row >= changed.cells.size() || column >= changed.cells[row].size())
                        return;
                    changed.cells[row][column].text = text;
                    m_document.changeElements({{id, changed}}, QStringLiteral("修改单元格"));
                });
}

bool DesignCanvas::isEditingText() const
{
    return m_editor != nullptr;
}

void DesignCanvas::finishTextEdit(bool keep)
{
    if (!m_editor)
        return;
    QPlainTextEdit *editor = std::exchange(m_editor, nullptr);
    const auto commit = std::exchange(m_commitEdit, {});
    m_editing = 0;
    const QString text = editor->toPlainText();
    editor->hide();
    editor->deleteLater();
    setFocus();
    if (keep && commit)
        commit(text);
}

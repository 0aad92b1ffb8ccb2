#include "StringGridView.h"

#include "StringGridAccessible.h"
#include "StringGridModel.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSet>
#include <QStyleOptionFocusRect>
#include <QTextOption>

#include <algorithm>

void StringGridView::announceContents()
{
    if (!QAccessible::isActive())
        return;
    QAccessibleTableModelChangeEvent event(this, QAccessibleTableModelChangeEvent::ModelReset);
    QAccessible::updateAccessibility(&event);
}

void StringGridView::announceCurrent()
{
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent selection(this, QAccessible::SelectionWithin);
    QAccessible::updateAccessibility(&selection);
    if (!hasFocus())
        return;
    auto *table = static_cast<StringGridAccessible *>(QAccessible::queryAccessibleInterface(this));
    if (QAccessibleInterface *current = table ? table->focusChild() : nullptr) {
        QAccessibleEvent focus(current, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
}

StringGridView::StringGridView(QWidget *parent)
    : QAbstractScrollArea(parent), m_model(new StringGridModel(this))
{
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QFont cellFont(QStringLiteral("Tahoma"));
    cellFont.setPixelSize(11);
    setFont(cellFont);
    viewport()->setBackgroundRole(QPalette::Base);

    connect(m_model, &StringGridModel::cellChanged, this, &StringGridView::onCellChanged);
    connect(m_model, &StringGridModel::layoutChanged, this, [this] {
        fitTopLeft();
        scrollToCurrent();
        updateScrollBars();
        refreshVisibleRange();
        viewport()->update();
    });
    connect(m_model, &StringGridModel::selectionChanged, viewport(), qOverload<>(&QWidget::update));
    connect(m_model, &StringGridModel::OnCellsChanged, viewport(), qOverload<>(&QWidget::update));
    connect(m_model, &StringGridModel::topLeftChanged, this, &StringGridView::onTopLeftChanged);
    // A screen reader hears of new contents, the current cell and the selection.
    static const bool accessible =
        (QAccessible::installFactory(&StringGridAccessible::create), true);
    Q_UNUSED(accessible)
    connect(m_model, &StringGridModel::layoutChanged, this, &StringGridView::announceContents);
    connect(m_model, &StringGridModel::OnCellsChanged, this, &StringGridView::announceContents);
    connect(m_model, &StringGridModel::selectionChanged, this, &StringGridView::announceCurrent);
    updateScrollBars();
    refreshVisibleRange();
}

int StringGridView::fixedWidth() const
{
    return m_gutter + int(m_model->colWidthList().span(0, m_model->FixedCols()));
}

void StringGridView::setRowMarks(QHash<int, QString> marks)
{
    m_marks = std::move(marks);
    int widest = 0;
    QSet<QString> measured; // a selection's thousands of marks have a few texts
    for (const QString &mark : std::as_const(m_marks))
        if (!measured.contains(mark)) {
            measured.insert(mark);
            widest = std::max(widest, fontMetrics().horizontalAdvance(mark));
        }
    m_gutter = m_marks.isEmpty() ? 0 : widest + 8;
    fitTopLeft();
    updateScrollBars();
    refreshVisibleRange();
    viewport()->update();
    announceContents();
}

int StringGridView::fixedHeight() const
{
    return int(m_model->rowHeightList().span(0, m_model->FixedRows()));
}

namespace {

// The fixed entries, then the scrolled ones from 'first', as far as 'limit' pixels reach;
// the first begins at 'origin'.
template <typename Span>
QList<Span> visibleSpans(const SizeList &sizes, int fixed, int first, int limit, int origin = 0)
{
    QList<Span> spans;
    int at = origin;
    for (int i = 0; i < fixed && at < limit; ++i) {
        spans.append({i, at, sizes.size(i)});
        at += sizes.size(i);
    }
    for (int i = first; i < sizes.count() && at < limit; ++i) {
        spans.append({i, at, sizes.size(i)});
        at += sizes.size(i);
    }
    return spans;
}

} // namespace

QList<StringGridView::Span> StringGridView::visibleColumns() const
{
    return visibleSpans<Span>(m_model->colWidthList(), m_model->FixedCols(), m_model->topLeft().x(),
                              viewport()->width(), m_gutter);
}

QList<StringGridView::Span> StringGridView::visibleRows() const
{
    return visibleSpans<Span>(m_model->rowHeightList(), m_model->FixedRows(),
                              m_model->topLeft().y(), viewport()->height());
}

QPoint StringGridView::cellAt(const QPoint &pos) const
{
    int col = -1, row = -1;
    for (const Span &s : visibleColumns())
        if (pos.x() >= s.start && pos.x() < s.start + s.size)
            col = s.index;
    for (const Span &s : visibleRows())
        if (pos.y() >= s.start && pos.y() < s.start + s.size)
            row = s.index;
    if (col < 0 || row < 0)
        return QPoint(-1, -1);
    return QPoint(col, row);
}

QRect StringGridView::cellRect(int col, int row) const
{
    QRect rect;
    for (const Span &s : visibleColumns())
        if (s.index == col)
            rect.setX(s.start), rect.setWidth(s.size);
    if (rect.width() <= 0)
        return QRect();
    for (const Span &s : visibleRows())
        if (s.index == row)
            return QRect(rect.x(), s.start, rect.width(), s.size);
    return QRect();
}

void StringGridView::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    const QRect dirty = event->rect();
    const QList<Span> cols = visibleColumns();
    const QList<Span> rows = visibleRows();
    const QRect selection = m_model->selection();
    const QPoint current = m_model->currentCell();
    const QColor buttonFace = palette().color(QPalette::Button);
    const QColor base = palette().color(QPalette::Base);
    const QColor text = palette().color(QPalette::WindowText);
    QFont fixedFont = font();
    fixedFont.setBold(true);
    QTextOption wrap(Qt::AlignLeft | Qt::AlignTop);
    wrap.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);

    if (m_gutter > 0)
        paintGutter(painter, rows, dirty);
    for (const Span &r : rows) {
        for (const Span &c : cols) {
            const QRect cell(c.start, r.start, c.size, r.size);
            if (!cell.intersects(dirty))
                continue;
            const bool fixed = c.index < m_model->FixedCols() || r.index < m_model->FixedRows();
            const bool selected = !fixed && selection.contains(c.index, r.index);
            painter.fillRect(cell, fixed ? buttonFace : selected ? m_selection : base);
            painter.setPen(fixed ? m_fixedLine : m_gridLine);
            painter.drawLine(cell.right(), cell.top(), cell.right(), cell.bottom());
            painter.drawLine(cell.left(), cell.bottom(), cell.right(), cell.bottom());
            if (fixed) {
                // A raised look for fixed cells, as desktop grids draw them.
                painter.setPen(palette().color(QPalette::Light));
                painter.drawLine(cell.left(), cell.top(), cell.right() - 1, cell.top());
                painter.drawLine(cell.left(), cell.top(), cell.left(), cell.bottom() - 1);
            }
            const QString cellText = m_model->Cells(c.index, r.index);
            if (!cellText.isEmpty()) {
                painter.setFont(fixed ? fixedFont : font());
                painter.setPen(selected ? QColor(Qt::black) : text);
                painter.save();
                painter.setClipRect(cell.adjusted(0, 0, -1, -1));
                painter.drawText(QRectF(cell.adjusted(2, 2, -3, -2)), cellText, wrap);
                painter.restore();
            }
            if (!fixed && c.index == current.x() && r.index == current.y() && hasFocus()) {
                QStyleOptionFocusRect option;
                option.initFrom(this);
                option.rect = cell.adjusted(1, 1, -2, -2);
                option.backgroundColor = m_selection;
                style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
            }
        }
    }
}

void StringGridView::paintGutter(QPainter &painter, const QList<Span> &rows, const QRect &dirty)
{
    // Drawn as the fixed cells are, so it reads as part of the row's heading.
    QFont markFont = font();
    markFont.setBold(true);
    painter.setFont(markFont);
    for (const Span &r : rows) {
        const QRect cell(0, r.start, m_gutter, r.size);
        if (!cell.intersects(dirty))
            continue;
        painter.fillRect(cell, palette().color(QPalette::Button));
        painter.setPen(m_fixedLine);
        painter.drawLine(cell.right(), cell.top(), cell.right(), cell.bottom());
        painter.drawLine(cell.left(), cell.bottom(), cell.right(), cell.bottom());
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(cell.left(), cell.top(), cell.right() - 1, cell.top());
        painter.drawLine(cell.left(), cell.top(), cell.left(), cell.bottom() - 1);
        if (r.index < m_model->FixedRows())
            continue;
        const auto mark = m_marks.constFind(r.index);
        if (mark == m_marks.constEnd())
            continue;
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(cell.adjusted(2, 0, -3, 0), Qt::AlignCenter, *mark);
    }
}

void StringGridView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    fitTopLeft();
    updateScrollBars();
    refreshVisibleRange();
}

void StringGridView::fitTopLeft()
{
    const QPoint topLeft = m_model->topLeft();
    const int maxX = maxTopLeft(true), maxY = maxTopLeft(false);
    if (topLeft.x() > maxX || topLeft.y() > maxY)
        m_model->setTopLeft(std::min(topLeft.x(), maxX), std::min(topLeft.y(), maxY));
}

void StringGridView::showCell(int col, int row) noexcept
{
    m_model->moveCurrent(col, row, false);
    scrollToCurrent();
}

int StringGridView::maxTopLeft(bool columns) const
{
    const SizeList &sizes = columns ? m_model->colWidthList() : m_model->rowHeightList();
    const int fixed = columns ? m_model->FixedCols() : m_model->FixedRows();
    const int available = (columns ? viewport()->width() : viewport()->height()) -
                          (columns ? fixedWidth() : fixedHeight());
    const int count = sizes.count();
    // The smallest first scrolled index from which all remaining entries fit.
    int lo = fixed, hi = std::max(fixed, count - 1);
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (sizes.span(mid, count) <= available)
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

void StringGridView::updateScrollBars()
{
    m_syncingScroll = true;
    const QPoint topLeft = m_model->topLeft();
    horizontalScrollBar()->setRange(m_model->FixedCols(), maxTopLeft(true));
    horizontalScrollBar()->setPageStep(
        std::max(1, int(visibleColumns().size()) - m_model->FixedCols()));
    horizontalScrollBar()->setValue(topLeft.x());
    verticalScrollBar()->setRange(m_model->FixedRows(), maxTopLeft(false));
    verticalScrollBar()->setPageStep(std::max(1, visibleRowCount()));
    verticalScrollBar()->setValue(topLeft.y());
    m_syncingScroll = false;
}

int StringGridView::visibleRowCount() const
{
    return std::max(1, int(visibleRows().size()) - m_model->FixedRows() - 1);
}

void StringGridView::scrollContentsBy(int, int)
{
    if (m_syncingScroll)
        return;
    m_model->setTopLeft(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void StringGridView::onTopLeftChanged()
{
    updateScrollBars();
    refreshVisibleRange();
    viewport()->update();
}

void StringGridView::refreshVisibleRange()
{
    const QList<Span> cols = visibleColumns();
    const QList<Span> rows = visibleRows();
    m_lastVisible = QPoint(cols.isEmpty() ? -1 : cols.constLast().index,
                           rows.isEmpty() ? -1 : rows.constLast().index);
}

void StringGridView::onCellChanged(int col, int row)
{
    // A large import stores every cell: most lie outside the screen and cost nothing.
    const QPoint topLeft = m_model->topLeft();
    if ((row >= m_model->FixedRows() && row < topLeft.y()) ||
        (col >= m_model->FixedCols() && col < topLeft.x()) || row > m_lastVisible.y() ||
        col > m_lastVisible.x())
        return;
    const QRect rect = cellRect(col, row);
    if (!rect.isEmpty())
        viewport()->update(rect);
}

void StringGridView::scrollToCurrent()
{
    const QPoint current = m_model->currentCell();
    QPoint topLeft = m_model->topLeft();
    if (current.y() >= m_model->FixedRows()) {
        if (current.y() < topLeft.y()) {
            topLeft.setY(current.y());
        } else {
            const int available = viewport()->height() - fixedHeight();
            const SizeList &heights = m_model->rowHeightList();
            while (topLeft.y() < current.y() &&
                   heights.span(topLeft.y(), current.y() + 1) > available)
                topLeft.ry()++;
        }
    }
    if (current.x() >= m_model->FixedCols()) {
        if (current.x() < topLeft.x()) {
            topLeft.setX(current.x());
        } else {
            const int available = viewport()->width() - fixedWidth();
            const SizeList &widths = m_model->colWidthList();
            while (topLeft.x() < current.x() &&
                   widths.span(topLeft.x(), current.x() + 1) > available)
                topLeft.rx()++;
        }
    }
    m_model->setTopLeft(topLeft.x(), topLeft.y());
}

void StringGridView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint cell = cellAt(event->position().toPoint());
    if (cell.x() < m_model->FixedCols() || cell.y() < m_model->FixedRows())
        return;
    m_model->moveCurrent(cell.x(), cell.y(), event->modifiers() & Qt::ShiftModifier);
}

void StringGridView::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const QPoint pos = event->position().toPoint();
    QPoint cell = cellAt(pos);
    if (cell.x() < 0) {
        // Dragging beyond the edge scrolls the selection on.
        const QPoint current = m_model->currentCell();
        const int col = pos.x() >= viewport()->width() ? current.x() + 1
                        : pos.x() < fixedWidth()       ? current.x() - 1
                                                       : current.x();
        const int row = pos.y() >= viewport()->height() ? current.y() + 1
                        : pos.y() < fixedHeight()       ? current.y() - 1
                                                        : current.y();
        cell = QPoint(col, row);
    }
    m_model->moveCurrent(cell.x(), cell.y(), true);
    scrollToCurrent();
}

void StringGridView::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        copySelection();
        return;
    }
    const QPoint current = m_model->currentCell();
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    int col = current.x(), row = current.y();
    switch (event->key()) {
    case Qt::Key_Left:
        --col;
        break;
    case Qt::Key_Right:
        ++col;
        break;
    case Qt::Key_Up:
        --row;
        break;
    case Qt::Key_Down:
        ++row;
        break;
    case Qt::Key_PageUp:
        row -= visibleRowCount();
        break;
    case Qt::Key_PageDown:
        row += visibleRowCount();
        break;
    case Qt::Key_Home:
        col = m_model->FixedCols();
        if (ctrl)
            row = m_model->FixedRows();
        break;
    case Qt::Key_End:
        col = m_model->ColCount() - 1;
        if (ctrl)
            row = m_model->RowCount() - 1;
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    m_model->moveCurrent(col, row, extend);
    scrollToCurrent();
}

void StringGridView::wheelEvent(QWheelEvent *event)
{
    const int steps = event->angleDelta().y() / 40; // three rows per notch
    const QPoint topLeft = m_model->topLeft();
    m_model->setTopLeft(topLeft.x(), std::min(topLeft.y() - steps, maxTopLeft(false)));
    event->accept();
}

void StringGridView::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void StringGridView::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void StringGridView::copySelection() const
{
    const QRect sel = m_model->selection();
    if (qint64(sel.width()) * sel.height() > 1000000)
        return; // a clipboard text of that size helps nobody
    QString text;
    for (int row = sel.top(); row <= sel.bottom(); ++row) {
        for (int col = sel.left(); col <= sel.right(); ++col) {
            if (col > sel.left())
                text += QLatin1Char('\t');
            text += m_model->Cells(col, row);
        }
        text += QLatin1Char('\n');
    }
    QApplication::clipboard()->setText(text);
}

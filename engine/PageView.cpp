#include "PageView.h"

#include "PageRenderer.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <cmath>

namespace {
constexpr int kMargin = 16;
}

PageView::PageView(PageRenderer *renderer, int pageCount, QWidget *parent)
    : QAbstractScrollArea(parent), m_renderer(renderer), m_pageCount(pageCount)
{
    setObjectName(QStringLiteral("pageView"));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
}

void PageView::setPage(int page)
{
    page = std::clamp(page, 0, std::max(0, m_pageCount - 1));
    if (page == m_page)
        return;
    m_page = page;
    verticalScrollBar()->setValue(0);
    viewport()->update();
    emit pageChanged(page);
}

void PageView::setZoom(Zoom zoom, int percent)
{
    m_zoom = zoom;
    m_percent = std::clamp(percent, 10, 800);
    m_cachedPage = -1;
    updateScrollBars();
    viewport()->update();
}

const QList<int> PageView::ZoomSteps{50, 75, 100, 125, 150, 200, 300, 400};

int PageView::effectivePercent() const
{
    const double trueWidth = m_renderer->pageSizeMm().width() / 25.4 * logicalDpiX();
    return int(std::lround(pageSizePixels().width() * 100.0 / trueWidth));
}

void PageView::zoomBy(int steps)
{
    const int now = effectivePercent();
    int next = now;
    if (steps > 0) {
        const auto it = std::upper_bound(ZoomSteps.begin(), ZoomSteps.end(), now);
        next = it == ZoomSteps.end() ? ZoomSteps.last() : *it;
    } else if (steps < 0) {
        const auto it = std::lower_bound(ZoomSteps.begin(), ZoomSteps.end(), now);
        next = it == ZoomSteps.begin() ? ZoomSteps.first() : *(it - 1);
    }
    setZoom(Zoom::Percent, next);
    emit zoomChanged();
}

QSize PageView::pageSizePixels() const
{
    const QSizeF mm = m_renderer->pageSizeMm();
    const double aspect = mm.height() / mm.width();
    const double availableWidth = std::max(50, viewport()->width() - 2 * kMargin);
    const double availableHeight = std::max(50, viewport()->height() - 2 * kMargin);
    double width = 0;
    switch (m_zoom) {
    case Zoom::FitWidth:
        width = availableWidth;
        break;
    case Zoom::FitPage:
        width = std::min(availableWidth, availableHeight / aspect);
        break;
    case Zoom::Percent:
        width = mm.width() / 25.4 * logicalDpiX() * m_percent / 100.0;
        break;
    }
    return QSize(int(std::lround(width)), int(std::lround(width * aspect)));
}

void PageView::updateScrollBars()
{
    const QSize page = pageSizePixels();
    horizontalScrollBar()->setRange(0,
                                    std::max(0, page.width() + 2 * kMargin - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    verticalScrollBar()->setRange(0,
                                  std::max(0, page.height() + 2 * kMargin - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setSingleStep(40);
}

const QImage &PageView::pageImage()
{
    const QSize size = pageSizePixels();
    const qreal ratio = devicePixelRatioF();
    if (m_cachedPage != m_page || m_cache.size() != size * ratio) {
        m_cache = QImage(size * ratio, QImage::Format_ARGB32_Premultiplied);
        m_cache.setDevicePixelRatio(ratio);
        m_cache.fill(Qt::white);
        QPainter painter(&m_cache);
        m_renderer->paintInto(painter, QRectF(QPointF(0, 0), QSizeF(size)), m_page);
        m_cachedPage = m_page;
    }
    return m_cache;
}

void PageView::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    if (m_pageCount == 0) {
        painter.setPen(palette().color(QPalette::BrightText));
        QFont font = painter.font();
        font.setPointSizeF(font.pointSizeF() * 1.4);
        painter.setFont(font);
        painter.drawText(viewport()->rect(), Qt::AlignCenter | Qt::TextWordWrap, m_emptyText);
        return;
    }
    const QSize size = pageSizePixels();
    const int x = std::max(kMargin, (viewport()->width() - size.width()) / 2) -
                  horizontalScrollBar()->value();
    const int y = kMargin - verticalScrollBar()->value();
    const QRect pageRect(QPoint(x, y), size);
    painter.fillRect(pageRect.translated(4, 4), QColor(0, 0, 0, 80));
    painter.drawImage(pageRect.topLeft(), pageImage());
    painter.setPen(QColor(90, 90, 90));
    painter.drawRect(pageRect.adjusted(0, 0, -1, -1));
}

void PageView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void PageView::keyPressEvent(QKeyEvent *event)
{
    // Ctrl with the key marked + and =: it sends "=" alone, "+" with Shift, and the keypad's
    // "+" comes with the keypad flag; all three zoom in. Likewise "-", "_" and the keypad's
    // "-" zoom out.
    const bool control = event->modifiers() & Qt::ControlModifier;
    const int key = event->key();
    if (event->matches(QKeySequence::ZoomIn) ||
        (control && (key == Qt::Key_Equal || key == Qt::Key_Plus))) {
        zoomBy(1);
        return;
    }
    if (event->matches(QKeySequence::ZoomOut) ||
        (control && (key == Qt::Key_Minus || key == Qt::Key_Underscore))) {
        zoomBy(-1);
        return;
    }
    if (event->key() == Qt::Key_0 && (event->modifiers() & Qt::ControlModifier)) {
        setZoom(Zoom::FitPage);
        emit zoomChanged();
        return;
    }
    switch (event->key()) {
    case Qt::Key_PageDown:
        setPage(m_page + 1);
        break;
    case Qt::Key_PageUp:
        setPage(m_page - 1);
        break;
    case Qt::Key_Home:
        setPage(0);
        break;
    case Qt::Key_End:
        setPage(m_pageCount - 1);
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void PageView::wheelEvent(QWheelEvent *event)
{
    const int delta = event->angleDelta().y();
    if (event->modifiers() & Qt::ControlModifier) {
        if (delta != 0)
            zoomBy(delta > 0 ? 1 : -1);
        event->accept();
        return;
    }
    // At the end of a page the wheel goes on to the next one.
    QScrollBar *bar = verticalScrollBar();
    if (delta < 0 && bar->value() == bar->maximum() && m_page + 1 < m_pageCount) {
        setPage(m_page + 1);
        event->accept();
        return;
    }
    if (delta > 0 && bar->value() == 0 && m_page > 0) {
        setPage(m_page - 1);
        bar->setValue(bar->maximum());
        event->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
}

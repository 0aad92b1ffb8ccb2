#pragma once
// Shows one page of a generated report at a zoom, drawing it only when it is shown.

#include <QAbstractScrollArea>
#include <QImage>

class PageRenderer;

class PageView : public QAbstractScrollArea
{
    Q_OBJECT
public:
    enum class Zoom
    {
        FitWidth,
        FitPage,
        Percent
    };

    PageView(PageRenderer *renderer, int pageCount, QWidget *parent = nullptr);

    int page() const { return m_page; }
    int pageCount() const { return m_pageCount; }
    void setPage(int page);
    void setZoom(Zoom zoom, int percent = 100);
    Zoom zoom() const { return m_zoom; }
    // The zoom the page is shown at, in percent of its true size.
    int effectivePercent() const;
    // One step larger (1) or smaller (-1), as Ctrl+wheel, Ctrl+plus and Ctrl+minus do.
    void zoomBy(int steps);
    // Size of the drawn page in pixels at the current zoom.
    QSize pageSizePixels() const;
    // The text shown when there are no pages.
    void setEmptyText(const QString &text) { m_emptyText = text; }
    QString emptyText() const { return m_emptyText; }

    static const QList<int> ZoomSteps;

signals:
    void pageChanged(int page);
    // The user changed the zoom with the keys or the wheel.
    void zoomChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    void updateScrollBars();
    const QImage &pageImage();

    PageRenderer *m_renderer;
    int m_pageCount;
    int m_page = 0;
    Zoom m_zoom = Zoom::FitWidth;
    int m_percent = 100;
    QString m_emptyText;
    QImage m_cache;
    int m_cachedPage = -1;
};

#pragma once
// The designer's canvas: the page at true scale with its margins, grid and elements,
// selection by click, Shift+click and rubber band, moving by dragging and with the arrow
// keys, resizing with handles, snapping with guide lines, zoom and editing text in place.
// Every change goes to the document as one undo step per gesture.

#include "DesignDocument.h"
#include "SampleData.h"
#include "Snapper.h"

#include <QGraphicsView>
#include <QHash>
#include <QPixmap>
#include <memory>
#include <optional>

class ElementItem;
class PageRenderer;
class QPlainTextEdit;

class DesignCanvas : public QGraphicsView
{
    Q_OBJECT
public:
    explicit DesignCanvas(DesignDocument &document, QWidget *parent = nullptr);
    ~DesignCanvas() override;

    DesignDocument &document() const { return m_document; }

    // Field names or sample values on the canvas, and which sample record.
    void setSampleData(const SampleData &data);
    const SampleData &sampleData() const { return m_sampleData; }
    void setShowSamples(bool show);
    bool showsSamples() const { return m_showSamples; }
    void setRecord(int record);
    int record() const { return m_record; }

    const QList<ElementId> &selection() const { return m_selection; }
    void setSelection(const QList<ElementId> &ids);
    // The element clicked last, for "same width" and the like; else the first selected.
    ElementId reference() const;

    void setZoomPercent(double percent);
    double zoomPercent() const { return m_zoom; }
    void fitPage();
    void fitWidth();

    void setGridVisible(bool visible);
    bool gridVisible() const { return m_gridVisible; }
    void setSnapping(bool on) { m_snapping = on; }
    bool snapping() const { return m_snapping; }
    static constexpr double GridMm = 5.0;

    // Moves (or with 'resize' resizes) the selection by millimetres; a run of these is
    // one undo step.
    void nudge(QPointF deltaMm, bool resize);

    // Text editing in place on the selected text element.
    void startTextEdit(ElementId id);
    bool isEditingText() const;
    // Ends an edit in place, keeping (or with false, dropping) what was typed.
    void finishTextEdit(bool keep = true);

    // For the items: draws an element as the renderer does, and whether it overflows.
    void paintElement(QPainter &painter, ElementId id);
    bool overflows(ElementId id) const;
    // Where the element's handles are hit; -1 for none. In view pixels.
    int handleAt(const QPoint &viewPoint) const;

signals:
    void selectionChanged();
    void zoomChanged(double percent);
    void cursorMoved(QPointF mm);

protected:
    void drawBackground(QPainter *painter, const QRectF &rect) override;
    void drawForeground(QPainter *painter, const QRectF &rect) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    enum class Drag
    {
        None,
        Move,
        Resize,
        RubberBand
    };

    void rebuildRenderer();
    void startDragImage();
    void endDragImage();
    void elementInserted(ElementId id);
    void elementRemoved(ElementId id);
    void elementChanged(ElementId id);
    void refreshAll();
    void updateSceneRect();
    ElementItem *itemAt(const QPoint &viewPoint) const;
    Snapper snapperFor(const QList<ElementId> &moving) const;
    QRectF resizedRect(QPointF sceneNow) const;
    void applyZoom();
    QList<QRectF> handleRects(const QRectF &sceneRect) const;

    DesignDocument &m_document;
    QGraphicsScene *m_scene;
    QHash<ElementId, ElementItem *> m_items;
    SampleData m_sampleData;
    bool m_showSamples = true;
    int m_record = 0;
    ReportDocument m_preview;
    std::unique_ptr<PageRenderer> m_renderer;

    QList<ElementId> m_selection;
    bool m_selectionTouched = false; // a selected element changed: tell once the change is in
    ElementId m_reference = 0;
    double m_zoom = 100;
    enum class Fit
    {
        None,
        Page,
        Width
    } m_fit = Fit::None; // kept while the canvas changes size, until a zoom is chosen
    bool m_gridVisible = true;
    bool m_snapping = true;

    Drag m_drag = Drag::None;
    QPointF m_pressScene;
    QPoint m_pressView;
    bool m_dragStarted = false;
    int m_handle = -1;
    QPointF m_moveDeltaMm;
    QRectF m_resizeRectMm;
    QList<QLineF> m_guides; // millimetres
    QList<ElementId> m_moving;
    QRectF m_movingBoundsMm;
    std::optional<Snapper> m_dragSnapper;
    QPixmap m_dragImage;
    QPointF m_dragImageOrigin; // scene position of the picture's top-left corner
    QRect m_rubberBand;        // view pixels
    QList<ElementId> m_selectionBeforeBand;

    QPlainTextEdit *m_editor = nullptr;
    ElementId m_editing = 0;
};

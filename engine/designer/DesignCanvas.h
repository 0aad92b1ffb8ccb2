#pragma once
// The designer's canvas: the page at true scale with its margins, grid and elements,
// selection by click, Shift+click and rubber band, moving by dragging and with the arrow
// keys, resizing with handles, placing new elements with a tool, snapping with guide lines,
// zoom and editing texts and table cells in place. Every change goes to the document as one
// undo step per gesture; a gesture never outlives a change of the document.

#include "DesignDocument.h"
#include "SampleData.h"
#include "Snapper.h"

#include <QGraphicsView>
#include <QHash>
#include <QPixmap>
#include <functional>
#include <memory>
#include <optional>

class ElementItem;
class PageRenderer;
class QPlainTextEdit;

class DesignCanvas : public QGraphicsView
{
    Q_OBJECT
public:
    // A resize handle, clockwise from the top-left corner.
    enum class Handle
    {
        None = -1,
        TopLeft,
        Top,
        TopRight,
        Right,
        BottomRight,
        Bottom,
        BottomLeft,
        Left
    };

    explicit DesignCanvas(DesignDocument &document, QWidget *parent = nullptr);
    ~DesignCanvas() override;

    DesignDocument &document() const { return m_document; }

    // Field names or sample values on the canvas, and which sample record.
    void setSampleData(const SampleData &data);
    const SampleData &sampleData() const { return m_sampleData; }
    void setShowSamples(bool show);
    void setRecord(int record);
    int record() const { return m_record; }

    const QList<ElementId> &selection() const { return m_selection; }
    void setSelection(const QList<ElementId> &ids);
    // The element clicked last, for "same width" and the like; else the first selected.
    ElementId reference() const;
    // Scrolls the selected elements into view.
    void revealSelection();
    // Scrolls to the top of the page, centred across.
    void showPageTop();

    void setZoomPercent(double percent);
    double zoomPercent() const { return m_zoom; }
    void fitPage();
    void fitWidth();
    // Screen pixels per millimetre at the current zoom.
    double pixelsPerMm() const;

    void setGridVisible(bool visible);
    void setSnapping(bool on) { m_snapping = on; }
    static constexpr double GridMm = 5.0;

    // Where new elements of that size go, in millimetres: at the pointer when it is over
    // the page, else centred in the visible part of the page; inside the margins.
    QPointF placementFor(const QSizeF &sizeMm) const;

    // A tool picked for placing: the next click or drag on the page places that kind.
    void setPlacingTool(std::optional<ElementKind> kind);
    std::optional<ElementKind> placingTool() const { return m_placing; }

    // Moves (or with 'resize' resizes) the selection by millimetres; a run of these is
    // one undo step.
    void nudge(QPointF deltaMm, bool resize);
    // Ends a drag, resize or rubber band in progress, leaving the document as it is.
    void cancelGesture();
    bool inGesture() const { return m_drag != Drag::None; }

    // Text editing in place on a text element, or on one cell of a table.
    void startTextEdit(ElementId id);
    void startCellEdit(ElementId id, int row, int column);
    bool isEditingText() const;
    // Ends an edit in place, keeping (or with false, dropping) what was typed.
    void finishTextEdit(bool keep = true);

    // For the items: draws an element as the renderer does, and whether it overflows.
    void paintElement(QPainter &painter, ElementId id);
    bool overflows(ElementId id) const;
    // Which handle of the selected element is at a point of the viewport.
    Handle handleAt(const QPoint &viewPoint) const;

    // What the canvas says of a 回函区 under the pointer, and how it shades them.
    static const QString ReplyAreaTip;
    static const QColor ReplyAreaColour;

    // The MIME type of a field dragged from the field lists: its name, UTF-8.
    static const QString FieldMimeType;

signals:
    void selectionChanged();
    void zoomChanged(double percent);
    void cursorMoved(QPointF mm);
    // The mapping between page and screen changed: zoom, scrolling, size or page.
    void viewChanged();
    // The user placed the picked tool: 'rectMm' is empty for a click.
    void placeRequested(ElementKind kind, QRectF rectMm);
    void placingToolChanged();
    void fieldDropped(const QString &name, QPointF mm);
    void contextMenuRequested(QPoint globalPos);

protected:
    void drawBackground(QPainter *painter, const QRectF &rect) override;
    void drawBand(QPainter *painter, const QRectF &paper);
    void drawForeground(QPainter *painter, const QRectF &rect) override;
    void drawReplyAreas(QPainter *painter);
    bool viewportEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    enum class Drag
    {
        None,
        Move,
        Resize,
        RubberBand,
        Place
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
    Snapper snapperFor(const QList<ElementId> &moving, Qt::KeyboardModifiers modifiers) const;
    QRectF resizedRect(QPointF sceneNow, Qt::KeyboardModifiers modifiers);
    // A scene point in millimetres, snapped as an edge would be.
    QPointF snappedPoint(QPointF scene, Qt::KeyboardModifiers modifiers) const;
    void applyZoom();
    QList<QRectF> handleRects(const QRectF &sceneRect) const;
    QRectF pageRectMm() const;
    void startEditor(ElementId id, const QRectF &rectMm, const TextStyle &style,
                     const QString &text, std::function<void(const QString &)> commit);
    void pressOnPage(QMouseEvent *event);
    void release(Qt::KeyboardModifiers modifiers);

    DesignDocument &m_document;
    QGraphicsScene *m_scene;
    QHash<ElementId, ElementItem *> m_items;
    SampleData m_sampleData;
    bool m_showSamples = true;
    int m_record = 0;
    ReportDocument m_preview;
    std::unique_ptr<PageRenderer> m_renderer;

    QList<ElementId> m_selection;
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
    std::optional<ElementKind> m_placing;

    // The gesture in progress; everything below is valid only while m_drag is not None.
    Drag m_drag = Drag::None;
    bool m_releasing = false; // the gesture's own change is going in
    QPointF m_pressScene;
    QPoint m_pressView;
    bool m_dragStarted = false;
    Handle m_handle = Handle::None;
    ElementId m_resizing = 0;
    QPointF m_moveDeltaMm;
    QRectF m_resizeRectMm;
    QRectF m_placeRectMm;
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
    std::function<void(const QString &)> m_commitEdit;
};

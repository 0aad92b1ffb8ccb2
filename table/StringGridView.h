#pragma once
// The grid that shows a StringGridModel: fixed rows and columns that stay in place,
// range selection by mouse and keyboard, no editing. Only visible cells are drawn.

#include <QAbstractScrollArea>
#include <QColor>
#include <QHash>

class QPainter;
class StringGridModel;

class StringGridView : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit StringGridView(QWidget *parent = nullptr);

    StringGridModel *model() const { return m_model; }

    // Cell under a viewport position, or (-1, -1).
    QPoint cellAt(const QPoint &viewportPos) const;
    // Viewport rectangle of a cell; empty when it is not visible.
    QRect cellRect(int col, int row) const;
    void scrollToCurrent();
    // Makes the cell the current one, alone selected, and scrolls it into view.
    void showCell(int col, int row) noexcept;

    // Short texts shown left of the rows they belong to (by model row), in a gutter as wide
    // as the widest; none, no gutter. They say something of a row the cells do not.
    void setRowMarks(QHash<int, QString> marks);
    const QHash<int, QString> &rowMarks() const { return m_marks; }
    QString rowMark(int row) const { return m_marks.value(row); }
    // The gutter's width in pixels; 0 without marks.
    int gutterWidth() const { return m_gutter; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    struct Span
    {
        int index;
        int start;
        int size;
    };
    QList<Span> visibleColumns() const;
    QList<Span> visibleRows() const;
    // The gutter and the fixed columns.
    int fixedWidth() const;
    void paintGutter(QPainter &painter, const QList<Span> &rows, const QRect &dirty);
    int fixedHeight() const;
    void updateScrollBars();
    // After the counts or the size changed: no scrolled cell beyond where the scroll bars
    // reach, and the current cell in view.
    void fitTopLeft();
    int maxTopLeft(bool columns) const;
    void onCellChanged(int col, int row);
    void refreshVisibleRange();
    void onTopLeftChanged();
    void copySelection() const;
    int visibleRowCount() const;
    // What a screen reader is told: new contents, the current cell and the selection.
    void announceContents();
    void announceCurrent();

    StringGridModel *m_model;
    QColor m_gridLine{192, 192, 192};
    QColor m_fixedLine{128, 128, 128};
    QColor m_selection{182, 202, 234};
    bool m_syncingScroll = false;
    QPoint m_lastVisible{-1, -1}; // last column and row on the screen
    QHash<int, QString> m_marks;  // by model row
    int m_gutter = 0;
};

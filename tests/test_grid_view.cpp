// The grid on the screen with its row marks: where cells are with and without the gutter,
// what a click reaches, the last column reached by scrolling, the mark drawn in its row and
// heard by a screen reader.

#include "table/StringGridModel.h"
#include "table/StringGridView.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QScrollBar>
#include <QTest>

namespace {

// A grid of 'cols' columns and 'rows' rows, one of each fixed, shown at 400 x 300.
void fill(StringGridView &view, int cols, int rows)
{
    StringGridModel *model = view.model();
    model->setColCount(cols);
    model->setRowCount(rows);
    model->setFixedCols(1);
    model->setFixedRows(1);
    for (int row = 0; row < rows; ++row)
        for (int col = 0; col < cols; ++col)
            model->setCells(col, row, QStringLiteral("%1,%2").arg(col).arg(row));
    view.resize(400, 300);
    view.show();
}

// How many pixels of the gutter's strip of 'row' are darker than the gutter's face.
int inkInGutter(StringGridView &view, int row)
{
    const QImage image = view.viewport()->grab().toImage();
    const QRect cell = view.cellRect(0, row);
    const int face = view.palette().color(QPalette::Button).lightness();
    int ink = 0;
    for (int y = cell.top() + 2; y < cell.bottom() - 1; ++y)
        for (int x = 2; x < view.gutterWidth() - 2; ++x)
            ink += QColor(image.pixel(x, y)).lightness() < face - 60;
    return ink;
}

} // namespace

class TestGridView : public QObject
{
    Q_OBJECT
private slots:
    void cellsMoveRightOfTheGutter_data()
    {
        QTest::addColumn<bool>("marked");
        QTest::newRow("no marks") << false;
        QTest::newRow("marks") << true;
    }

    void cellsMoveRightOfTheGutter()
    {
        QFETCH(bool, marked);
        StringGridView view;
        fill(view, 4, 10);
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        if (marked)
            view.setRowMarks({{3, QStringLiteral("重要")}, {5, QStringLiteral("抽样")}});
        const int gutter = view.gutterWidth();
        QCOMPARE(gutter > 0, marked);
        QCOMPARE(view.cellRect(0, 1).x(), gutter);
        QCOMPARE(view.cellRect(2, 3).x(),
                 gutter + view.model()->ColWidths(0) + view.model()->ColWidths(1));
        for (const QPoint cell : {QPoint(0, 0), QPoint(2, 3), QPoint(3, 9)})
            QCOMPARE(view.cellAt(view.cellRect(cell.x(), cell.y()).center()), cell);
        if (marked) {
            // The gutter is no cell: a click there changes nothing.
            const QPoint inGutter(gutter / 2, view.cellRect(1, 3).center().y());
            QCOMPARE(view.cellAt(inGutter), QPoint(-1, -1));
            const QPoint before = view.model()->currentCell();
            QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, inGutter);
            QCOMPARE(view.model()->currentCell(), before);
        }
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.cellRect(2, 3).center());
        QCOMPARE(view.model()->currentCell(), QPoint(2, 3));
    }

    // Scrolled to the far corner, the last cell is whole on the screen, gutter or not.
    void theLastCellIsReachedWithTheGutter()
    {
        StringGridView view;
        fill(view, 12, 200);
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QHash<int, QString> marks;
        for (int row = 1; row < 200; row += 7)
            marks.insert(row, QStringLiteral("手工"));
        view.setRowMarks(marks);
        view.setFocus();
        QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(view.model()->currentCell(), QPoint(11, 199));
        const QRect last = view.cellRect(11, 199);
        QVERIFY(!last.isEmpty());
        QVERIFY2(last.right() < view.viewport()->width(), "the last column is cut off");
        QVERIFY(last.bottom() < view.viewport()->height());
        QVERIFY(view.horizontalScrollBar()->value() > 1);
        // The fixed column stays right of the gutter while the rest scrolls.
        QCOMPARE(view.cellRect(0, 199).x(), view.gutterWidth());
        QCOMPARE(view.rowMark(1 + 7 * 28), QStringLiteral("手工"));
    }

    void theMarkIsDrawnInItsRowAndHeard()
    {
        StringGridView view;
        fill(view, 4, 10);
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.setRowMarks({{3, QStringLiteral("重要")}, {5, QStringLiteral("抽样")}});
        QVERIFY(inkInGutter(view, 3) > 5);
        QVERIFY(inkInGutter(view, 5) > 5);
        QCOMPARE(inkInGutter(view, 4), 0);
        QCOMPARE(inkInGutter(view, 0), 0); // the title row has none

        QAccessibleInterface *grid = QAccessible::queryAccessibleInterface(&view);
        QVERIFY(grid && grid->tableInterface());
        // The accessible table's rows start after the title row.
        QCOMPARE(grid->tableInterface()->rowDescription(2), QStringLiteral("3 重要"));
        QCOMPARE(grid->tableInterface()->rowDescription(3), QStringLiteral("4"));

        // No marks, no gutter: the cells go back to the left edge.
        view.setRowMarks({});
        QCOMPARE(view.gutterWidth(), 0);
        QCOMPARE(view.cellRect(0, 3).x(), 0);
    }
};

QTEST_MAIN(TestGridView)
#include "test_grid_view.moc"

// The receivables table model: counts, fixed counts, sparse texts, sizes, limits.

#include "table/GridErrors.h"
#include "table/StartUpLayout.h"
#include "table/StringGridModel.h"

#include <QSignalSpy>
#include <QTest>

#include <map>
#include <random>

namespace {

// Runs 'action', expecting an EInvalidGridOperation with exactly 'message'.
template <typename Action> void expectGridError(Action action, const QString &message)
{
    try {
        action();
        QFAIL("no error raised");
    } catch (const EInvalidGridOperation &e) {
        QCOMPARE(e.message(), message);
    }
}

} // namespace

class TestTable : public QObject
{
    Q_OBJECT
private slots:
    void componentDefaults()
    {
        StringGridModel grid;
        QCOMPARE(grid.ColCount(), 5);
        QCOMPARE(grid.RowCount(), 10);
        QCOMPARE(grid.FixedCols(), 1);
        QCOMPARE(grid.FixedRows(), 1);
        QCOMPARE(grid.ColWidths(4), 64);
        QCOMPARE(grid.RowHeights(9), 21);
    }

    void startUpState()
    {
        StringGridModel grid;
        applyStartUpLayout(grid);
        QCOMPARE(grid.ColCount(), 5);
        QCOMPARE(grid.RowCount(), 1);
        QCOMPARE(grid.FixedCols(), 1);
        QCOMPARE(grid.FixedRows(), 0);
        QCOMPARE(grid.currentCell(), QPoint(1, 0));
        QCOMPARE(grid.ColWidths(0), 250);
        QCOMPARE(grid.ColWidths(3), 150);
        QCOMPARE(grid.ColWidths(4), 64);
        for (int col = 0; col < 5; ++col)
            QCOMPARE(grid.Cells(col, 0), QString());
    }

    void countsBelowOneBecomeOne()
    {
        StringGridModel grid;
        grid.setRowCount(0);
        QCOMPARE(grid.RowCount(), 1);
        QCOMPARE(grid.FixedRows(), 0);
        grid.setColCount(-5);
        QCOMPARE(grid.ColCount(), 1);
        QCOMPARE(grid.FixedCols(), 0);
    }

    void fixedCountErrorsLeaveTableUnchanged()
    {
        StringGridModel grid;
        expectGridError([&] { grid.setFixedRows(10); },
                        QStringLiteral("Fixed row count must be less than row count"));
        expectGridError([&] { grid.setFixedCols(5); },
                        QStringLiteral("Fixed column count must be less than column count"));
        expectGridError([&] { grid.setFixedRows(-1); }, QStringLiteral("Grid index out of range"));
        expectGridError([&] { grid.setFixedCols(-1); }, QStringLiteral("Grid index out of range"));
        QCOMPARE(grid.FixedRows(), 1);
        QCOMPARE(grid.FixedCols(), 1);
        QCOMPARE(grid.RowCount(), 10);
    }

    void settingFixedCountMovesCurrentCell()
    {
        StringGridModel grid;
        grid.moveCurrent(3, 7, false);
        grid.moveCurrent(4, 8, true);
        grid.setTopLeft(2, 5);
        grid.setFixedRows(2);
        QCOMPARE(grid.currentCell(), QPoint(1, 2));
        QCOMPARE(grid.anchor(), QPoint(1, 2));
        QCOMPARE(grid.topLeft(), QPoint(1, 2));
    }

    void shrinkingMovesCurrentCellAndCollapsesSelection()
    {
        StringGridModel grid;
        grid.moveCurrent(1, 2, false);
        grid.moveCurrent(4, 8, true);
        grid.setRowCount(5);
        QCOMPARE(grid.currentCell(), QPoint(4, 4));
        QCOMPARE(grid.selection(), QRect(QPoint(4, 4), QPoint(4, 4)));
        // The anchor follows the current cell even when nothing had to move.
        grid.moveCurrent(2, 2, false);
        grid.moveCurrent(3, 3, true);
        grid.setColCount(8);
        QCOMPARE(grid.anchor(), QPoint(3, 3));
    }

    void textsOutsideTheCountsComeBack()
    {
        StringGridModel grid;
        grid.setCells(2, 8, QStringLiteral("八"));
        grid.setRowCount(5);
        QCOMPARE(grid.Cells(2, 8), QStringLiteral("八")); // still stored, outside the table
        grid.setRowCount(10);
        QCOMPARE(grid.Cells(2, 8), QStringLiteral("八"));
        grid.setCells(2, 8, QString());
        QCOMPARE(grid.storedTextCount(), 0);
    }

    void sizesAreLostAndComeBackWithTheDefault()
    {
        StringGridModel grid;
        grid.setColWidths(3, 150);
        grid.setColCount(2);
        grid.setColCount(5);
        QCOMPARE(grid.ColWidths(3), 64);
        expectGridError([&] { grid.setColWidths(5, 10); },
                        QStringLiteral("Grid index out of range"));
    }

    void importShapesWithFixedColumn()
    {
        // One column drops the fixed column for good; widths beyond it come back as defaults.
        StringGridModel grid;
        applyStartUpLayout(grid);
        grid.setColCount(1);
        grid.setRowCount(1);
        QCOMPARE(grid.FixedCols(), 0);
        grid.setColCount(4);
        grid.setRowCount(11);
        QCOMPARE(grid.FixedCols(), 0);
        QCOMPARE(grid.ColWidths(0), 250);
        QCOMPARE(grid.ColWidths(1), 64);
        QCOMPARE(grid.ColWidths(3), 64);
    }

    void limitRestoresBothCounts()
    {
        StringGridModel grid;
        expectGridError([&] { grid.setRowCount(StringGridModel::MaxCount + 1); },
                        QStringLiteral("Grid too large for operation"));
        expectGridError([&] { grid.setColCount(StringGridModel::MaxCount + 1); },
                        QStringLiteral("Grid too large for operation"));
        QCOMPARE(grid.RowCount(), 10);
        QCOMPARE(grid.ColCount(), 5);
        grid.setRowCount(StringGridModel::MaxCount); // the limit itself is allowed, and cheap
        QCOMPARE(grid.RowCount(), StringGridModel::MaxCount);
        QCOMPARE(grid.RowHeights(StringGridModel::MaxCount - 1), 21);
    }

    void clearCellsEmptiesOnlyTheRectangle()
    {
        StringGridModel grid;
        grid.setCells(0, 0, QStringLiteral("a"));
        grid.setCells(5, 5, QStringLiteral("b"));
        grid.setCells(100, 3, QStringLiteral("c"));
        grid.clearCells(0, 0, 50, 50);
        QCOMPARE(grid.Cells(0, 0), QString());
        QCOMPARE(grid.Cells(5, 5), QString());
        QCOMPARE(grid.Cells(100, 3), QStringLiteral("c"));
        grid.clearCells(0, 0, 16383, 1048575); // huge extent, few texts
        QCOMPARE(grid.storedTextCount(), 0);
    }

    void notifications()
    {
        StringGridModel grid;
        QSignalSpy changed(&grid, &StringGridModel::cellChanged);
        QSignalSpy cells(&grid, &StringGridModel::OnCellsChanged);
        grid.setCells(1, 2, QStringLiteral("x"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toInt(), 1);
        QCOMPARE(changed.at(0).at(1).toInt(), 2);
        grid.notifyCellsChanged(0, 0, 4, 10);
        QCOMPARE(cells.count(), 1);
        QCOMPARE(cells.at(0).at(3).toInt(), 10);
    }

    // The pooled store against a plain map, over edits of every kind: overwrites longer
    // and shorter, insertions between columns, removals, rectangles cleared, rows far
    // beyond the sheet and below zero, and the compactions all that churn sets off.
    void storeAgreesWithAPlainMapThroughChurn()
    {
        SparseTextStore store;
        std::map<std::pair<int, int>, QString> expected;
        std::mt19937 random(7);
        const int rows[] = {0, 1, 2, 3, 50, 70000, 1 << 21, 134217724, -5};
        auto randomRow = [&] { return rows[random() % std::size(rows)]; };
        for (int step = 0; step < 60000; ++step) {
            const int row = randomRow(), col = int(random() % 12);
            const int kind = int(random() % 10);
            if (kind < 7) {
                const QString text =
                    kind == 0 ? QString() : QString(int(random() % 40), QChar(u'甲' + step % 50));
                store.setText(col, row, text);
                if (text.isEmpty())
                    expected.erase({row, col});
                else
                    expected[{row, col}] = text;
            } else if (kind == 7) {
                const int left = int(random() % 12), right = left + int(random() % 6);
                const int top = std::min(row, randomRow()), bottom = std::max(row, randomRow());
                store.clear(left, top, right, bottom);
                std::erase_if(expected, [&](const auto &entry) {
                    const auto [r, c] = entry.first;
                    return r >= top && r <= bottom && c >= left && c <= right;
                });
            } else {
                const auto found = expected.find({row, col});
                QCOMPARE(store.text(col, row), found == expected.end() ? QString() : found->second);
            }
            QCOMPARE(store.count(), qsizetype(expected.size()));
        }
        for (const auto &[at, text] : expected)
            QCOMPARE(store.view(at.second, at.first), QStringView(text));
    }

    void currentCellNeverEntersFixedCells()
    {
        StringGridModel grid;
        grid.moveCurrent(0, 0, false);
        QCOMPARE(grid.currentCell(), QPoint(1, 1));
        grid.moveCurrent(99, 99, false);
        QCOMPARE(grid.currentCell(), QPoint(4, 9));
    }
};

QTEST_GUILESS_MAIN(TestTable)
#include "test_table.moc"

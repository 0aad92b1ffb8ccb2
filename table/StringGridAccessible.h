#pragma once
// What a screen reader sees of the grid (AT-SPI through Qt): a table whose rows are the
// model's rows after the title row, whose columns are all of the model's, with row 0's
// texts as column titles, the current cell focused and the selection selected.

#include <QAccessibleWidget>
#include <QHash>

class StringGridView;

class StringGridAccessible : public QAccessibleWidget, public QAccessibleTableInterface
{
public:
    explicit StringGridAccessible(StringGridView *view);
    ~StringGridAccessible() override;
    // The factory Qt asks for the grid's interface; installed once by the grid.
    static QAccessibleInterface *create(const QString &className, QObject *object);

    // QAccessibleInterface
    void *interface_cast(QAccessible::InterfaceType type) override;
    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *focusChild() const override;

    // QAccessibleTableInterface
    QAccessibleInterface *caption() const override { return nullptr; }
    QAccessibleInterface *summary() const override { return nullptr; }
    QAccessibleInterface *cellAt(int row, int column) const override;
    int selectedCellCount() const override;
    QList<QAccessibleInterface *> selectedCells() const override;
    QString columnDescription(int column) const override;
    QString rowDescription(int row) const override;
    int columnCount() const override;
    int rowCount() const override;
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return 0; }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return {}; }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int) const override { return false; }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent *event) override;

    StringGridView *view() const;
    // The cell at (row, column) of the accessible table; row -1 is a column title.
    QAccessibleInterface *cell(int row, int column) const;
    // Forgets the cells handed out: after an import they may no longer exist.
    void forgetCells();

private:
    mutable QHash<QPoint, QAccessible::Id> m_cells; // (column, row)
};

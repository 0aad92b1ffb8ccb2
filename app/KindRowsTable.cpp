#include "KindRowsTable.h"

#include "engine/designer/EditBoxes.h"

#include <QComboBox>
#include <QHeaderView>

KindRowsTable::KindRowsTable(QWidget *parent, const QStringList &kinds, const QStringList &titles,
                             const QList<int> &widths)
    : QTableWidget(0, int(titles.size()), parent), m_kinds(kinds)
{
    setHorizontalHeaderLabels(titles);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // The kind's box sets the height: it must not be cut off.
    verticalHeader()->setDefaultSectionSize(
        std::max(fontMetrics().height() + 8, QComboBox().sizeHint().height()));
    horizontalHeader()->setStretchLastSection(true);
    const int em = fontMetrics().horizontalAdvance(QChar(0x6587)); // 文
    for (int column = 0; column < widths.size(); ++column)
        setColumnWidth(column, widths[column] * em);
    connect(this, &QTableWidget::itemChanged, this, [this](QTableWidgetItem *item) {
        // A long note shows whole under the pointer; setting the same tip again changes nothing.
        item->setToolTip(item->text());
        emit edited();
    });
}

void KindRowsTable::addRow(const QStringList &texts)
{
    const int row = rowCount();
    insertRow(row);
    auto *kind = new QComboBox(this);
    kind->setObjectName(QStringLiteral("cbbKind%1").arg(row));
    kind->addItems(m_kinds);
    const QString chosen = texts.value(0);
    if (!chosen.isEmpty() && kind->findText(chosen) < 0)
        kind->addItem(chosen);
    if (!chosen.isEmpty())
        kind->setCurrentText(chosen);
    kind->setFrame(false);
    setCellWidget(row, 0, kind);
    for (int column = 1; column < columnCount(); ++column)
        setItem(row, column, new QTableWidgetItem(texts.value(column)));
    connect(kind, &QComboBox::currentIndexChanged, this, &KindRowsTable::edited);
    // A box under the pointer that the user has not chosen keeps the wheel for the list.
    EditBoxes::guardWheel(this);
    setCurrentCell(row, 1);
    emit edited();
}

void KindRowsTable::addEmptyRow()
{
    addRow({});
    setFocus();
    editItem(item(rowCount() - 1, 1));
}

bool KindRowsTable::removeCurrentRow()
{
    const int row = currentRow();
    if (row < 0 || row >= rowCount())
        return false;
    removeRow(row);
    // The boxes keep their names by row, for the rows below to be found as they are now.
    for (int each = row; each < rowCount(); ++each)
        kindBox(each)->setObjectName(QStringLiteral("cbbKind%1").arg(each));
    if (rowCount() > 0)
        setCurrentCell(std::min(row, rowCount() - 1), 1);
    emit edited();
    return true;
}

QList<QStringList> KindRowsTable::texts() const
{
    QList<QStringList> rows;
    for (int row = 0; row < rowCount(); ++row) {
        QStringList texts{kindBox(row)->currentText()};
        for (int column = 1; column < columnCount(); ++column)
            texts.append(item(row, column) ? item(row, column)->text() : QString());
        rows.append(texts);
    }
    return rows;
}

QComboBox *KindRowsTable::kindBox(int row) const
{
    return qobject_cast<QComboBox *>(cellWidget(row, 0));
}

void KindRowsTable::goTo(int row, int column)
{
    setFocus();
    if (column == 0) {
        setCurrentCell(row, 1);
        kindBox(row)->setFocus();
        return;
    }
    setCurrentCell(row, column);
    scrollToItem(item(row, column));
}

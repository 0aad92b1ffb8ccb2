#include "RowChoiceModel.h"

#include "Cents.h"
#include "Population.h"

#include <algorithm>

RowChoiceModel::RowChoiceModel(QObject *parent) : QAbstractTableModel(parent) {}

void RowChoiceModel::reset(const Population *population)
{
    if (population != m_population)
        m_checked.clear();
    m_population = population;
}

void RowChoiceModel::setRows(const Population *population, QList<int> positions)
{
    beginResetModel();
    reset(population);
    m_positions = population ? std::move(positions) : QList<int>();
    m_all = false;
    endResetModel();
}

void RowChoiceModel::setAllRows(const Population *population)
{
    beginResetModel();
    reset(population);
    m_positions.clear();
    m_all = population != nullptr;
    endResetModel();
}

QList<int> RowChoiceModel::checked() const
{
    QList<int> positions;
    // Ticks of rows not listed now are kept for when they are listed again, but a row the
    // user cannot see ticked is not chosen.
    for (int position : m_checked)
        if (m_all || m_positions.contains(position))
            positions.append(position);
    std::sort(positions.begin(), positions.end());
    return positions;
}

void RowChoiceModel::setChecked(int position, bool checked)
{
    if (checked)
        m_checked.insert(position);
    else
        m_checked.remove(position);
    const int rows = rowCount();
    const int row = m_all ? position : int(m_positions.indexOf(position));
    if (row >= 0 && row < rows)
        emit dataChanged(index(row, Row), index(row, Row), {Qt::CheckStateRole});
}

void RowChoiceModel::clearChecks()
{
    beginResetModel();
    m_checked.clear();
    endResetModel();
}

int RowChoiceModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_population)
        return 0;
    return m_all ? m_population->size() : int(m_positions.size());
}

int RowChoiceModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RowChoiceModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const int position = positionAt(index.row());
    if (role == Qt::CheckStateRole && index.column() == Row)
        return m_checked.contains(position) ? Qt::Checked : Qt::Unchecked;
    if (role == Qt::TextAlignmentRole && index.column() == Amount)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case Row:
        return m_population->place(position);
    case Customer:
        return m_population->row(position).customer;
    case Amount:
        return Cents::text(m_population->cents(position));
    }
    return {};
}

bool RowChoiceModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.column() != Row || role != Qt::CheckStateRole)
        return false;
    setChecked(positionAt(index.row()), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags RowChoiceModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == Row)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant RowChoiceModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const QStringList titles{QStringLiteral("行"), QStringLiteral("客户"),
                                    QStringLiteral("金额")};
    return titles.value(section);
}

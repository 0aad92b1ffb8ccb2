#include "FollowUpModel.h"

#include "ledger/LedgerStore.h"

#include <QScopeGuard>

FollowUpModel::FollowUpModel(QObject *parent) : QAbstractTableModel(parent) {}

void FollowUpModel::setStore(LedgerStore *store, const QDate &today, int days)
{
    beginResetModel();
    m_pending.clear();
    // Reset whatever happens: a ledger that cannot be read leaves an empty list, never a
    // stale one.
    const auto done = qScopeGuard([this] { endResetModel(); });
    if (!store)
        return;
    m_pending = FollowUp::pending(*store, today, days);
}

QStringList FollowUpModel::numbers(const QList<int> &rows) const
{
    QStringList found;
    if (rows.isEmpty())
        for (const FollowUp::Pending &each : m_pending)
            found.append(each.letter.identity.number);
    for (int row : rows)
        if (row >= 0 && row < m_pending.size())
            found.append(m_pending[row].letter.identity.number);
    return found;
}

int FollowUpModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_pending.size());
}

int FollowUpModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FollowUpModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const QStringList names{QStringLiteral("函证编号"), QStringLiteral("被询证单位"),
                                   QStringLiteral("发函日期"), QStringLiteral("已发出天数"),
                                   QStringLiteral("发函方式"), QStringLiteral("快递单号")};
    return names.value(section);
}

QVariant FollowUpModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_pending.size())
        return {};
    const FollowUp::Pending &each = m_pending[index.row()];
    if (role == Qt::TextAlignmentRole && index.column() == Age)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case Number:
        return each.letter.identity.number;
    case Customer:
        return each.letter.identity.customer;
    case SendDate:
        return m_pending.value(index.row()).sentOn.toString(Qt::ISODate);
    case Age:
        return each.age;
    case SendMethod:
        return each.letter.value(LetterField::SendMethod);
    case Waybill:
        return each.letter.value(LetterField::Waybill);
    }
    return {};
}

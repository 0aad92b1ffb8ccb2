#include "PickListModel.h"

#include "Cents.h"
#include "Population.h"

PickListModel::PickListModel(QObject *parent) : QAbstractTableModel(parent) {}

void PickListModel::setPicks(const Population *population, QList<SelectionPick> picks)
{
    beginResetModel();
    m_population = population;
    m_picks = population ? std::move(picks) : QList<SelectionPick>();
    endResetModel();
}

QString PickListModel::summary() const
{
    if (!m_population)
        return QString();
    QStringList parts;
    qint64 total = 0;
    for (const QString &reason : {PickReason::Key, PickReason::Sampled, PickReason::Manual}) {
        int count = 0;
        qint64 cents = 0;
        for (const SelectionPick &pick : m_picks)
            if (pick.reason == reason)
                ++count, cents += m_population->cents(pick.position);
        total += cents;
        if (count > 0)
            parts.append(
                QStringLiteral("%1 %2 行 %3").arg(reason).arg(count).arg(Cents::text(cents)));
    }
    parts.append(QStringLiteral("共 %1 行 %2").arg(m_picks.size()).arg(Cents::text(total)));
    return parts.join(QStringLiteral("；"));
}

int PickListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_picks.size());
}

int PickListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PickListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !m_population || index.row() >= m_picks.size())
        return {};
    const SelectionPick &pick = m_picks[index.row()];
    if (role == Qt::TextAlignmentRole)
        return index.column() == Amount || index.column() == Point
                   ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                   : QVariant();
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case Row:
        return m_population->place(pick.position);
    case Customer:
        return m_population->row(pick.position).customer;
    case Amount:
        return Cents::text(m_population->cents(pick.position));
    case Reason:
        return pick.round > 0 ? QStringLiteral("%1（扩大第%2次）").arg(pick.reason).arg(pick.round)
                              : pick.reason;
    case Point:
        return pick.point >= 0 ? Cents::text(pick.point) : QString();
    }
    return {};
}

QVariant PickListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const QStringList titles{QStringLiteral("行"), QStringLiteral("客户"),
                                    QStringLiteral("金额"), QStringLiteral("选取原因"),
                                    QStringLiteral("抽中的货币单位")};
    return titles.value(section);
}

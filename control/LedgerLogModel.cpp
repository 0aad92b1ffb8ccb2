#include "LedgerLogModel.h"

#include "ledger/LedgerStore.h"
#include "ledger/LetterRecordText.h"

#include <QScopeGuard>

namespace {
constexpr int BlockRows = 128;
constexpr int BlocksKept = 32;
} // namespace

LedgerLogModel::LedgerLogModel(QObject *parent) : QAbstractTableModel(parent) {}

void LedgerLogModel::setEntries(const QList<LogEntry> &entries)
{
    beginResetModel();
    m_store = nullptr;
    m_read.clear();
    m_blocks.clear();
    m_entries = entries;
    m_size = int(entries.size());
    endResetModel();
}

void LedgerLogModel::setWholeLog(const LedgerStore *store)
{
    beginResetModel();
    m_entries.clear();
    m_read.clear();
    m_blocks.clear();
    m_store = store;
    m_size = 0;
    const auto done = qScopeGuard([this] { endResetModel(); });
    if (store)
        m_size = int(store->logSize());
}

const LogEntry *LedgerLogModel::entryAt(int row) const
{
    if (row < 0 || row >= m_size)
        return nullptr;
    if (!m_store)
        return &m_entries[row];
    // The log's ids run from 1 without gaps: row r is entry r + 1.
    const qint64 id = row + 1;
    if (const auto found = m_read.constFind(id); found != m_read.constEnd())
        return &*found;
    // The block read first goes first, so that no frame frees thousands of entries.
    while (m_blocks.size() >= BlocksKept) {
        const qint64 first = m_blocks.takeFirst();
        for (qint64 gone = first; gone < first + BlockRows; ++gone)
            m_read.remove(gone);
    }
    // Called while the view paints: a read that fails shows empty cells.
    try {
        const qint64 first = id - row % BlockRows;
        for (LogEntry &entry : m_store->logRange(first, BlockRows))
            m_read.insert(entry.id, std::move(entry));
        m_blocks.append(first);
    } catch (...) {
        return nullptr;
    }
    const auto found = m_read.constFind(id);
    return found == m_read.constEnd() ? nullptr : &*found;
}

int LedgerLogModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_size;
}

int LedgerLogModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant LedgerLogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const QStringList names{QStringLiteral("序号"), QStringLiteral("时间"),
                                   QStringLiteral("用户"), QStringLiteral("操作"),
                                   QStringLiteral("对象"), QStringLiteral("字段"),
                                   QStringLiteral("原值"), QStringLiteral("新值")};
    return names.value(section);
}

QVariant LedgerLogModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    const LogEntry *entry = index.isValid() ? entryAt(index.row()) : nullptr;
    if (!entry)
        return {};
    switch (index.column()) {
    case Id:
        return role == Qt::ToolTipRole
                   ? QStringLiteral("哈希 %1").arg(QString::fromLatin1(entry->hash))
                   : QString::number(entry->id);
    case Time:
        return entry->at.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case User:
        return entry->user;
    case Action:
        return entry->action;
    case Subject:
        return entry->subject;
    case Field:
        return entry->field;
    case OldValue:
        return LetterRecordText::readableOldValue(*entry);
    case NewValue:
        return LetterRecordText::readableValue(*entry);
    }
    return {};
}

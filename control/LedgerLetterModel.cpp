#include "LedgerLetterModel.h"

#include "FollowUp.h"

#include "ledger/LedgerRoles.h"
#include "ledger/LedgerStore.h"
#include "ledger/StaleChange.h"
#include "platform/Exception.h"
#include "platform/Guard.h"

#include <QColor>
#include <QScopeGuard>

namespace {
// A screenful and more per read: a read of this many letters takes a few milliseconds.
constexpr int BlockRows = 128;
// Blocks kept read; past this, the block read first goes, a block at a time so that no
// frame pays for freeing thousands of letters.
constexpr int BlocksKept = 32;

// 1234567.8 as 1,234,567.80: amounts are read by their thousands.
QString grouped(const QString &plain)
{
    const qsizetype point = plain.indexOf(QLatin1Char('.'));
    QString whole = point < 0 ? plain : plain.left(point);
    const bool negative = whole.startsWith(QLatin1Char('-'));
    if (negative)
        whole.remove(0, 1);
    for (qsizetype at = whole.size() - 3; at > 0; at -= 3)
        whole.insert(at, QLatin1Char(','));
    return (negative ? QStringLiteral("-") : QString()) + whole +
           (point < 0 ? QString() : plain.mid(point));
}

QString centsText(qint64 cents)
{
    const qint64 magnitude = cents < 0 ? -cents : cents;
    return (cents < 0 ? QStringLiteral("-") : QString()) + QString::number(magnitude / 100) +
           QLatin1Char('.') + QStringLiteral("%1").arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}

QString localTime(const QDateTime &at)
{
    return at.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}
} // namespace

LedgerLetterModel::LedgerLetterModel(QObject *parent) : QAbstractTableModel(parent) {}

QStringList LedgerLetterModel::states()
{
    return QStringList{QStringLiteral("已发函"), QStringLiteral("已回函")} +
           LedgerStore::results() + QStringList{QStringLiteral("已作废")};
}

void LedgerLetterModel::setStore(LedgerStore *store, const LetterFilter &filter)
{
    m_store = store;
    m_filter = filter;
    reload();
}

void LedgerLetterModel::reload()
{
    beginResetModel();
    m_read.clear();
    m_blocks.clear();
    m_ids.clear();
    m_checks.clear();
    m_runTimes.clear();
    // Reset whatever happens, so that a read that fails leaves an empty table, never a
    // stale one.
    const auto done = qScopeGuard([this] { endResetModel(); });
    if (!m_store)
        return;
    m_ids = m_store->letterIds(m_filter);
    // Few letters are checked and few runs made: both are read whole, once a reload.
    for (const AddressCheck &check : m_store->addressChecks())
        m_checks.insert(check.letter, check);
    for (const LedgerRun &run : m_store->runs())
        m_runTimes.insert(run.id, run.at);
}

void LedgerLetterModel::setFilter(const LetterFilter &filter)
{
    m_filter = filter;
    reload();
}

std::optional<LetterField> LedgerLetterModel::fieldOf(int column)
{
    if (column < FirstField || column >= FieldEnd)
        return std::nullopt;
    return LetterField(column - FirstField);
}

const LedgerLetter *LedgerLetterModel::cached(int row) const
{
    if (row < 0 || row >= m_ids.size() || !m_store)
        return nullptr;
    const qint64 id = m_ids[row];
    if (const auto found = m_read.constFind(id); found != m_read.constEnd())
        return &*found;
    while (m_blocks.size() >= BlocksKept)
        for (qint64 gone : m_blocks.takeFirst())
            m_read.remove(gone);
    // Called while the view paints: a read that fails shows empty cells rather than raising
    // through Qt; the next command that reads the ledger names the failure.
    try {
        QList<qint64> block;
        for (LedgerLetter &letter :
             m_store->lettersWithIds(m_ids.mid(row - row % BlockRows, BlockRows))) {
            // A letter read again alone belongs to the block that read it first.
            if (!m_read.contains(letter.id))
                block.append(letter.id);
            m_read.insert(letter.id, std::move(letter));
        }
        m_blocks.append(block);
    } catch (...) {
        return nullptr;
    }
    const auto found = m_read.constFind(id);
    return found == m_read.constEnd() ? nullptr : &*found;
}

std::optional<LedgerLetter> LedgerLetterModel::letterAt(int row) const
{
    if (const LedgerLetter *letter = cached(row))
        return *letter;
    return std::nullopt;
}

int LedgerLetterModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_ids.size());
}

int LedgerLetterModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant LedgerLetterModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const QStringList names{QStringLiteral("函证编号"),   QStringLiteral("被询证单位"),
                                   QStringLiteral("函证基准日"), QStringLiteral("账面金额"),
                                   QStringLiteral("模板"),       QStringLiteral("状态")};
    if (const auto field = fieldOf(section))
        return LedgerStore::fieldName(*field);
    if (section == AddressChecked)
        return QStringLiteral("地址核实");
    if (section == Age)
        return QStringLiteral("已发出天数");
    return names.value(section);
}

QVariant LedgerLetterModel::data(const QModelIndex &index, int role) const
{
    const LedgerLetter *letter = index.isValid() ? cached(index.row()) : nullptr;
    if (!letter)
        return {};
    const int column = index.column();
    const auto field = fieldOf(column);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (field) {
            const QString value = letter->value(*field);
            return role == Qt::DisplayRole && field == LetterField::ReplyAmount ? grouped(value)
                                                                                : value;
        }
        switch (column) {
        case Number:
            return letter->identity.number;
        case Customer:
            return letter->identity.customer;
        case CutOff:
            return letter->identity.cutOff.toString(Qt::ISODate);
        case Amount:
            return letter->identity.cents ? grouped(centsText(*letter->identity.cents)) : QString();
        case Template:
            return letter->identity.templateName;
        case State:
            return letter->state();
        case AddressChecked:
            return m_checks.contains(letter->id) ? QStringLiteral("已核实") : QString();
        case Age:
            if (letter->voided.isValid())
                return {};
            if (const auto days = FollowUp::age(*letter, m_runTimes, QDate::currentDate()))
                return *days;
            return {};
        }
        return {};
    case Qt::TextAlignmentRole:
        if (column == Amount || column == Age || field == LetterField::ReplyAmount)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case Qt::ForegroundRole:
        if (letter->voided.isValid())
            return QColor(Qt::gray);
        return {};
    case Qt::ToolTipRole:
        if (letter->voided.isValid())
            return QStringLiteral("%1 作废：%2").arg(localTime(letter->voided), letter->voidReason);
        if (column == AddressChecked)
            if (const auto check = m_checks.constFind(letter->id); check != m_checks.constEnd())
                return QStringLiteral("%1 由 %2 %3%4")
                    .arg(check->on.toString(Qt::ISODate), check->by, check->how,
                         check->note.isEmpty() ? QString() : QStringLiteral("：") + check->note);
        return {};
    default:
        return {};
    }
}

Qt::ItemFlags LedgerLetterModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    const auto field = fieldOf(index.column());
    if (!field || !m_store || m_store->readOnly())
        return flags;
    // A field the user's role may not change is not offered for typing, only to be refused.
    const QList<LedgerRole> roles = LedgerRoles::forField(*field);
    if (std::none_of(roles.begin(), roles.end(),
                     [this](LedgerRole role) { return m_store->hasRole(role); }))
        return flags;
    // A voided letter is kept as it was when voided.
    if (const LedgerLetter *letter = cached(index.row()); letter && !letter->voided.isValid())
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool LedgerLetterModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    const auto field = fieldOf(index.column());
    if (role != Qt::EditRole || !field)
        return false;
    if (Guard::run([&] { setValue(index.row(), *field, value.toString()); }))
        return true;
    emit valueRefused(index);
    return false;
}

void LedgerLetterModel::setValue(int row, LetterField field, const QString &text)
{
    const LedgerLetter *letter = cached(row);
    if (!letter || !m_store)
        throw Exception(QStringLiteral("读不到这封询证函，未作修改"));
    const QString number = letter->identity.number;
    // Checked before the store is asked, so an unchanged value writes nothing.
    if (LedgerStore::normalized(field, text) == letter->value(field))
        return;
    // Based on the letter as shown: a value another writer changed meanwhile is refused, and
    // the row read again shows it.
    const LedgerLetter shown = *letter;
    try {
        m_store->setValues(number, {{field, text}}, QStringLiteral("修改"), &shown);
    } catch (const StaleChange &) {
        refreshRow(row);
        throw;
    }
    refreshRow(row);
    emit letterChanged(number);
}

void LedgerLetterModel::requireVoidable(int row) const
{
    const LedgerLetter *letter = cached(row);
    if (!letter || !m_store)
        throw Exception(QStringLiteral("读不到这封询证函，未作废"));
    if (letter->voided.isValid())
        throw Exception(QStringLiteral("询证函 %1 已于 %2 作废")
                            .arg(letter->identity.number, localTime(letter->voided)));
}

void LedgerLetterModel::voidLetter(int row, const QString &reason)
{
    requireVoidable(row);
    if (reason.trimmed().isEmpty())
        throw Exception(QStringLiteral("请写明作废的原因"));
    const QString number = cached(row)->identity.number;
    m_store->voidLetter(number, reason);
    refreshRow(row);
    emit letterChanged(number);
}

void LedgerLetterModel::refreshRow(int row)
{
    m_read.remove(m_ids.value(row));
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

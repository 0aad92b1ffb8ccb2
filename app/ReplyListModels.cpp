#include "ReplyListModels.h"

#include "control/ReplyListWriter.h"

#include <QColor>
#include <QDir>
#include <QFileInfo>

namespace {

QColor stateColour(ReplyState state)
{
    switch (state) {
    case ReplyState::Matched:
        return QColor(0x1e, 0x7b, 0x34);
    case ReplyState::Duplicate:
    case ReplyState::SameFile:
        return QColor(0xb3, 0x5c, 0x00);
    default:
        return QColor(0xc0, 0x1c, 0x28);
    }
}

// Amounts and page numbers to the right, as in the workbook.
QVariant alignment(bool right)
{
    return QVariant::fromValue(
        Qt::Alignment((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
}

} // namespace

ReplyListModel::ReplyListModel(QStringList titles, QObject *parent)
    : QAbstractTableModel(parent), m_titles(std::move(titles))
{
}

void ReplyListModel::show(const ReplyList *list)
{
    beginResetModel();
    m_list = list;
    listShown();
    endResetModel();
}

int ReplyListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_titles.size());
}

QVariant ReplyListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return m_titles.value(section);
    return QVariant();
}

ReplyLinesModel::ReplyLinesModel(QObject *parent)
    : ReplyListModel(ReplyListWriter::replyTitles(), parent)
{
}

int ReplyLinesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_list ? 0 : int(m_list->lines().size());
}

QVariant ReplyLinesModel::data(const QModelIndex &index, int role) const
{
    if (!m_list || !index.isValid())
        return QVariant();
    const ReplyLine &line = m_list->lines()[index.row()];
    const SentLetter *letter =
        line.letter >= 0 ? &m_list->letters().letters()[line.letter] : nullptr;
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        switch (column) {
        case 0:
            return QFileInfo(line.file).fileName();
        case 1:
            return line.page > 0 ? QString::number(line.page) : QString();
        case 2:
            return line.number;
        case 3:
            return letter ? letter->customer : QString();
        case 4:
            return letter ? letter->amountText : QString();
        case 5:
            return ReplyList::stateText(line.state);
        case 6:
            return line.note;
        default:
            return line.checkTexts().value(column - 7);
        }
    case Qt::ToolTipRole:
        return column == 0 ? QDir::toNativeSeparators(line.file) : QVariant();
    case Qt::ForegroundRole:
        if (column == 5)
            return stateColour(line.state);
        // What needs the auditor's eye shows red: a code that fails, print changed.
        if (column == 7 && line.codeCheck == ReplyList::codeCheckText(CodeCheck::Failed))
            return stateColour(ReplyState::CheckFailed);
        if (column == 8 && line.findings.altered())
            return stateColour(ReplyState::CheckFailed);
        return QVariant();
    case Qt::TextAlignmentRole:
        return alignment(column == 1 || column == 4);
    default:
        return QVariant();
    }
}

UnansweredModel::UnansweredModel(QObject *parent)
    : ReplyListModel(ReplyListWriter::unansweredTitles(), parent)
{
}

void UnansweredModel::listShown()
{
    m_letters = m_list ? m_list->unanswered() : QList<int>();
}

int UnansweredModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_letters.size());
}

QVariant UnansweredModel::data(const QModelIndex &index, int role) const
{
    if (!m_list || !index.isValid())
        return QVariant();
    const SentLetter &letter = m_list->letters().letters()[m_letters[index.row()]];
    if (role == Qt::TextAlignmentRole)
        return alignment(index.column() == 2);
    if (role != Qt::DisplayRole)
        return QVariant();
    return index.column() == 0   ? letter.number
           : index.column() == 1 ? letter.customer
                                 : letter.amountText;
}

#include "LedgerDispatchDelegate.h"

#include "control/DispatchDetails.h"
#include "control/LedgerLetterModel.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>

namespace {
std::optional<LetterField> fieldAt(const QModelIndex &index)
{
    return LedgerLetterModel::fieldOf(index.column());
}

// The date editor's least date stands for no date: it shows empty and empties the field.
const QDate NoDate(2000, 1, 1);
} // namespace

QWidget *LedgerDispatchDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                              const QModelIndex &index) const
{
    const auto field = fieldAt(index);
    if (field == LetterField::SendMethod) {
        auto *combo = new QComboBox(parent);
        combo->setObjectName(QStringLiteral("cbbSendMethod"));
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->addItems(DispatchDetails::methods());
        return combo;
    }
    if (field == LetterField::SendDate) {
        auto *date = new QDateEdit(parent);
        date->setObjectName(QStringLiteral("dteSendDate"));
        date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        date->setCalendarPopup(true);
        date->setMinimumDate(NoDate);
        date->setSpecialValueText(QStringLiteral(" "));
        return date;
    }
    return LedgerResultDelegate::createEditor(parent, option, index);
}

void LedgerDispatchDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    const QString value = index.data(Qt::EditRole).toString();
    if (auto *combo = qobject_cast<QComboBox *>(editor);
        combo && fieldAt(index) == LetterField::SendMethod) {
        // A way typed before, not in the list, shows as it is kept.
        combo->setEditText(value);
        return;
    }
    if (auto *date = qobject_cast<QDateEdit *>(editor)) {
        const QDate kept = QDate::fromString(value, Qt::ISODate);
        date->setDate(kept.isValid() ? kept : QDate::currentDate());
        return;
    }
    LedgerResultDelegate::setEditorData(editor, index);
}

void LedgerDispatchDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                          const QModelIndex &index) const
{
    if (auto *combo = qobject_cast<QComboBox *>(editor);
        combo && fieldAt(index) == LetterField::SendMethod) {
        model->setData(index, combo->currentText().trimmed(), Qt::EditRole);
        return;
    }
    if (auto *date = qobject_cast<QDateEdit *>(editor)) {
        model->setData(index,
                       date->date() == NoDate ? QString() : date->date().toString(Qt::ISODate),
                       Qt::EditRole);
        return;
    }
    LedgerResultDelegate::setModelData(editor, model, index);
}

#include "LedgerResultDelegate.h"

#include "control/LedgerLetterModel.h"
#include "ledger/LedgerStore.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>

namespace {
bool isResult(const QModelIndex &index)
{
    return LedgerLetterModel::fieldOf(index.column()) == LetterField::Result;
}
} // namespace

QWidget *LedgerResultDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                            const QModelIndex &index) const
{
    if (!isResult(index))
        return QStyledItemDelegate::createEditor(parent, option, index);
    auto *combo = new QComboBox(parent);
    combo->setObjectName(QStringLiteral("cbbResult"));
    combo->addItem(QString());
    combo->addItems(LedgerStore::results());
    // A pick is the edit: it goes to the ledger at once, as Enter would.
    auto *self = const_cast<LedgerResultDelegate *>(this);
    connect(combo, &QComboBox::activated, self, [self, combo] {
        emit self->commitData(combo);
        emit self->closeEditor(combo);
    });
    return combo;
}

void LedgerResultDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (auto *combo = qobject_cast<QComboBox *>(editor); combo && isResult(index)) {
        combo->setCurrentIndex(std::max(0, combo->findText(index.data(Qt::EditRole).toString())));
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void LedgerResultDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                        const QModelIndex &index) const
{
    if (auto *combo = qobject_cast<QComboBox *>(editor); combo && isResult(index)) {
        model->setData(index, combo->currentText(), Qt::EditRole);
        return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}

bool LedgerResultDelegate::eventFilter(QObject *object, QEvent *event)
{
    if (auto *combo = qobject_cast<QComboBox *>(object);
        combo && event->type() == QEvent::KeyPress && !combo->view()->isVisible()) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            combo->showPopup();
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

#pragma once
// The ledger table's editors: 函证结果 picked from the results the ledger knows (or none),
// every other field typed. A pick is the edit, so the arrow keys open the list rather than
// step through it, which would keep the first result passed.

#include <QStyledItemDelegate>

class LedgerResultDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;

protected:
    bool eventFilter(QObject *object, QEvent *event) override;
};

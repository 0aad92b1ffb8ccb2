#pragma once
// The ledger table's editors for how and when a letter left: 发函方式 picked from the usual
// ways or typed, 发函日期 on a date editor in the form the ledger keeps (yyyy-MM-dd), which
// can also be emptied. Every other field is edited as LedgerResultDelegate does.

#include "LedgerResultDelegate.h"

class LedgerDispatchDelegate : public LedgerResultDelegate
{
    Q_OBJECT
public:
    using LedgerResultDelegate::LedgerResultDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;
};

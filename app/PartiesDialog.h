#pragma once
// 关联方名单: the audited client and its related parties, one a line, kept in the ledger for
// the flag on replies in their names.

#include <QDialog>

class LedgerStore;
class QLineEdit;
class QPlainTextEdit;

class PartiesDialog : public QDialog
{
    Q_OBJECT
public:
    PartiesDialog(QWidget *parent, LedgerStore &store);

    QLineEdit *edtClient;
    QPlainTextEdit *memRelated;
    // Keeps the list in the ledger and closes; an error keeps the dialog open.
    void accept() override;

private:
    LedgerStore &m_store;
};

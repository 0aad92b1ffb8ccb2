#pragma once
// 函证台账: the letters of the open ledger, filtered by state, template, run and a text;
// the history of the letter selected; the dispatch and result fields edited in the table;
// letters voided; and the whole log with its check. A read-only ledger is shown, not changed.

#include <QWidget>

class LedgerLetterModel;
class LedgerLogModel;
class LedgerStore;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableView;

class LedgerWindow : public QWidget
{
    Q_OBJECT
public:
    LedgerWindow(QWidget *owner, LedgerStore *store);
    ~LedgerWindow() override;

    // Shows another ledger (the filters go back to 全部); none empties the window.
    void setStore(LedgerStore *store);
    // Reads the ledger again after changes made elsewhere, keeping the filters.
    void reload();
    LedgerLetterModel *letters() const { return m_letters; }
    LedgerLogModel *history() const { return m_history; }
    LedgerLogModel *log() const { return m_log; }

    QComboBox *cbbState;
    QComboBox *cbbTemplate;
    QComboBox *cbbRun;
    QLineEdit *edtSearch;
    QLabel *lblReadOnly;
    QTabWidget *tabs;
    QTableView *tblLetters;
    QTableView *tblHistory;
    QTableView *tblLog;
    QPushButton *btnVerify;
    QLabel *lblVerify;
    QLabel *lblCount;
    QPushButton *btnVoid;
    QPushButton *btnImport;
    QPushButton *btnExport;
    QPushButton *btnMail;
    QPushButton *btnClose;

    // Handlers.
    void filterChanged();
    void voidClick();
    void importClick();
    void exportClick();
    void verifyClick();
    void mailClick();

signals:
    // A letter was changed in this window.
    void changed();

private:
    void fillChoices();
    void showHistory();
    void showCount();
    void showLog();

    LedgerStore *m_store = nullptr;
    LedgerLetterModel *m_letters;
    LedgerLogModel *m_history;
    LedgerLogModel *m_log;
    bool m_filling = false; // the filters are being filled, not changed by the user
};

#pragma once
// 函证台账: the letters of the open ledger, filtered by state, template, run and a text;
// the history of the letter selected; the dispatch and result fields edited in the table;
// letters voided; and the whole log with its check. A read-only ledger is shown, not changed.

#include "control/MailRun.h"
#include "ledger/LedgerRoles.h"
#include "ledger/LedgerTypes.h"

#include <QWidget>

class EvaluationPage;
class FollowUpPage;
class RiskFlagsPage;
class LedgerLetterModel;
class LedgerLogModel;
class LedgerStore;
class QComboBox;
class QLabel;
class QBoxLayout;
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
    QPushButton *btnDispatchList;

    // Handlers.
    void filterChanged();
    void voidClick();
    void importClick();
    void exportClick();
    void verifyClick();
    void dispatchListClick();

    // How letters left and were followed up (LedgerWindowDispatch.cpp).
    QPushButton *btnDispatchDetails;
    QPushButton *btnScanWaybills;
    QPushButton *btnImportWaybills;
    QPushButton *btnCheckAddress;
    FollowUpPage *tabFollowUp;
    void dispatchDetailsClick();
    void scanWaybillsClick();
    void importWaybillsClick();
    void checkAddressClick();
    // The rows selected in the letters table, in its order.
    QList<int> selectedRows() const;
    // The live letters selected in tblLetters, in the order shown. Raises Exception when
    // none is selected or one is voided.
    QList<LedgerLetter> selectedLetters() const;
    void mailClick();

    // The red flags over the replies (LedgerWindowFlags.cpp).
    RiskFlagsPage *tabFlags;
    QPushButton *btnImportReplyCourier;
    void importReplyCourierClick();
    // Selects in tblLetters those of the letters so numbered that the filter shows.
    void selectLetters(const QStringList &numbers);
    // The send window on reminders for those letters (the 待催收 tab's choice).
    void remind(const QStringList &numbers);

    // Reconciliations, alternative procedures and the 结论 tab
    // (LedgerWindowReconciliation.cpp).
    QPushButton *btnReconcile;
    EvaluationPage *tabEvaluation;
    void reconcileClick();

signals:
    // A letter was changed in this window.
    void changed();
    // The user chose letters of 待催收 to follow up with a second request, or a reminder.
    void secondRequestsWanted(const QStringList &numbers);
    void remindersWanted(const QStringList &numbers);

private:
    void mail(MailRun::Kind kind, const QStringList &numbers);
    void fillChoices();
    void showHistory();
    void showCount();
    void showLog();
    // Adds the row of dispatch buttons above the window's own; returns it.
    QBoxLayout *addDispatchParts(QBoxLayout *layout);
    void addReconciliationParts(QBoxLayout *buttons);
    // 调节与替代程序 acts on one live letter of a ledger that can be written.
    void showReconcileState();
    void addFlagsPage();
    void showDispatchState();
    // Reads the letters again after a change made here, the current letter kept current.
    void reloadLetters();
    // Whether a cell of the letters is being edited.
    bool editing() const;
    // Refuses work whose end the user's role may not record, before the user does it.
    void requireRole(LedgerRole role) const;

    LedgerStore *m_store = nullptr;
    LedgerLetterModel *m_letters;
    LedgerLogModel *m_history;
    LedgerLogModel *m_log;
    bool m_filling = false;       // the filters are being filled, not changed by the user
    bool m_reloadWaiting = false; // a change came while a cell was being edited
};

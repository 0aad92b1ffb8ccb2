#pragma once
// 调节与替代程序 for one letter: its reconciling items with the difference after them and
// the result they give under the ledger's tolerance, shown while typed; and the alternative
// procedure with its evidence, the amount it covers and its conclusion. 保存 reads every
// row first and keeps both, or nothing, through the ledger.

#include "ledger/LedgerTypes.h"
#include "ledger/ReconciliationTypes.h"
#include "platform/RegionalSettings.h"

#include <QDialog>

class KindRowsTable;
class LedgerStore;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class ReconciliationDialog : public QDialog
{
    Q_OBJECT
public:
    ReconciliationDialog(QWidget *owner, LedgerStore &store, const LedgerLetter &letter,
                         const RegionalSettings &settings = RegionalSettings::user());

    QLabel *lblNumber;
    QLabel *lblCustomer;
    QLabel *lblBook;
    QLabel *lblReply;
    QLabel *lblDifference;

    KindRowsTable *tblItems;
    QPushButton *btnAddItem;
    QPushButton *btnRemoveItem;
    QLabel *lblItemsTotal;
    QLabel *lblDifferenceAfter;
    QLabel *lblResult;

    QCheckBox *chkAlternative;
    QGroupBox *grpAlternative;
    QLabel *lblNoAlternative;
    KindRowsTable *tblEvidence;
    QPushButton *btnAddEvidence;
    QPushButton *btnRemoveEvidence;
    QLabel *lblEvidenceTotal;
    QLineEdit *edtCovered;
    QComboBox *cbbConclusion;
    QLineEdit *edtAlternativeNote;

    QPushButton *btnSave;
    QPushButton *btnCancel;

    // Asks before what was typed is dropped.
    void reject() override;

    // Handlers.
    void saveClick();
    void itemsEdited();
    void evidenceEdited();

private:
    QWidget *itemsPart();
    QWidget *alternativePart();
    void showLetter();
    void load();
    void showAlternative();

    QWidget *m_alternative = nullptr; // the procedure's part, with its empty state
    LedgerStore &m_store;
    LedgerLetter m_letter;
    // What load() showed, for the save to be refused where another writer changed it since.
    ReconciliationSeen m_seen;
    RegionalSettings m_settings;
    std::optional<qint64> m_replyCents;
    qint64 m_toleranceCents = 0;
    // 确认金额 and the conclusion follow the evidence until the user sets them.
    bool m_coveredTyped = false;
    bool m_conclusionChosen = false;
    bool m_changed = false; // since shown
};

#pragma once
// 选样: which rows of the receivables table get a letter. The population and its credit and
// zero balances, the rules (key threshold, method, size typed or computed, seed), a
// preview of the picks, the selection recorded in the ledger, extended later, and the
// 选样说明 of the one recorded from this table. One for the program, not modal.

#include "control/Population.h"
#include "ledger/SelectionTypes.h"

#include <QWidget>
#include <functional>
#include <optional>

class LedgerStore;
class PickListModel;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTableView;
class RowChoiceModel;
class StringGridModel;
struct SelectionDraft;

class SelectionWindow : public QWidget
{
    Q_OBJECT
public:
    // 'recorded' follows every selection or extension that went into the ledger, so that
    // the main window can mark the rows and the ledger window show it.
    SelectionWindow(QWidget *owner, LedgerStore *ledger, const StringGridModel &table,
                    const RegionalSettings &settings, std::function<void()> recorded);
    ~SelectionWindow() override;

    // Reads the table again (after an import): the population, its lists, the selection
    // recorded from it. A table whose amounts do not parse is said so, and nothing drawn.
    void reload();
    void setLedger(LedgerStore *ledger);
    // Why the table gives no population (an amount that does not parse); empty when it does.
    QString populationError() const { return m_populationError; }
    PickListModel *picks() const { return m_picks; }
    RowChoiceModel *choices() const { return m_choices; }

    QLabel *lblPopulation;
    QLineEdit *edtThreshold;
    QComboBox *cbbMethod;
    QLineEdit *edtSize;
    QCheckBox *chkComputeSize;
    QLineEdit *edtTolerable;
    QLineEdit *edtExpected;
    QComboBox *cbbConfidence;
    QLabel *lblInterval;
    QLabel *lblSize;
    QLineEdit *edtSeed;
    QPushButton *btnNewSeed;
    QLabel *lblOwnKind;
    QTableView *lstOwnKind;
    QPushButton *btnPreview;
    QPushButton *btnRecord;
    QSpinBox *spnExtend;
    QPushButton *btnExtend;
    QLabel *lblPicks;
    QTableView *tblPicks;
    QPlainTextEdit *txtSummary;
    QPushButton *btnClose;

    // Handlers.
    void previewClick();
    void recordClick();
    void extendClick();
    void newSeedClick();
    // The method, the size's way or a figure changed: the lists and the live size follow.
    void inputsChanged();

private:
    SelectionDraft draft() const;
    // The population read from the table; raises why there is none.
    const Population &population() const;
    // The listing of rows to tick: credits and zeros, or every row for a manual selection.
    void showChoices();
    void showSize();
    // The selection recorded from this table, its picks and its 选样说明; none, empty.
    void showSelection();
    void enableCommands();

    LedgerStore *m_ledger;
    const StringGridModel &m_table;
    const RegionalSettings &m_settings;
    std::function<void()> m_recorded;
    std::optional<Population> m_population;
    QString m_populationError;
    std::optional<LedgerSelection> m_selection;
    PickListModel *m_picks;
    RowChoiceModel *m_choices;
    bool m_listingAll = false;
    bool m_picksRecorded = false; // the picks shown are the recorded selection's
};

#pragma once
// 结论: the evaluation of the open ledger's results, read when the tab is shown or the
// ledger changes: the conclusion in words, the figures behind it, each confirmation as
// judged; and the tolerance within which a reconciled difference counts as agreed.

#include "control/Evaluation.h"

#include <QWidget>

class LedgerStore;
class QLabel;
class QLineEdit;
class QPushButton;
class QStandardItemModel;
class QTableView;

class EvaluationPage : public QWidget
{
    Q_OBJECT
public:
    explicit EvaluationPage(QWidget *parent);

    // Reads 'store' now when 'readNow', else when next refreshed; none empties the page.
    void setStore(LedgerStore *store, bool readNow = true);
    void refresh();
    const Evaluation::Result &result() const { return m_result; }

    QLabel *lblStatement;
    QTableView *tblLines;
    QTableView *tblJudged;
    QLineEdit *edtTolerance;
    QPushButton *btnApplyTolerance;
    void applyToleranceClick();

signals:
    // The tolerance was changed: the letters' results may have changed with it.
    void toleranceChanged();

private:
    LedgerStore *m_store = nullptr;
    QStandardItemModel *m_lines;
    QStandardItemModel *m_judged;
    Evaluation::Result m_result;
    bool m_toleranceTyped = false; // edited and not yet applied
};

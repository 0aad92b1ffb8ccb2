#pragma once
// 风险提示: the red flags over the replies of the open ledger, read when the tab is shown,
// the span within which replies by fax or e-mail count as arriving together (kept in the
// user's settings), and the list of the client and its related parties.

#include "control/RiskFlags.h"

#include <QWidget>

class LedgerStore;
class QLabel;
class QPushButton;
class QSpinBox;
class QStandardItemModel;
class QTableView;

class RiskFlagsPage : public QWidget
{
    Q_OBJECT
public:
    explicit RiskFlagsPage(QWidget *parent);

    // Reads 'store' now when 'readNow', else when next refreshed; none empties the list.
    void setStore(LedgerStore *store, bool readNow = true);
    void refresh();
    const QList<RiskFlag> &flags() const { return m_flags; }

    QTableView *tblFlags;
    QLabel *lblFlags;
    QSpinBox *spnFlagMinutes;
    QPushButton *btnParties;
    void partiesClick();

signals:
    // The letters of the flag chosen.
    void lettersChosen(const QStringList &numbers);

private:
    LedgerStore *m_store = nullptr;
    QStandardItemModel *m_model;
    QList<RiskFlag> m_flags;
};

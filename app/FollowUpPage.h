#pragma once
// 待催收: the letters still without a reply after the days set (kept in the user's
// settings), and the two ways to chase them, which act on the rows selected or on all.

#include <QStringList>
#include <QWidget>

class FollowUpModel;
class LedgerStore;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableView;

class FollowUpPage : public QWidget
{
    Q_OBJECT
public:
    explicit FollowUpPage(QWidget *parent);

    // Reads 'store' now when 'readNow', else when next refreshed; none empties the list.
    void setStore(LedgerStore *store, bool readNow = true);
    // Reads the ledger again (as of today).
    void refresh();
    FollowUpModel *model() const { return m_model; }
    // The numbers of the rows selected, in the order shown; all of them when none is.
    QStringList chosenNumbers() const;

    QSpinBox *spnFollowUpDays;
    QTableView *tblFollowUp;
    QLabel *lblFollowUp;
    QPushButton *btnSecondRequests;
    QPushButton *btnReminders;

signals:
    void secondRequestsWanted(const QStringList &numbers);
    void remindersWanted(const QStringList &numbers);

private:
    void chase(void (FollowUpPage::*wanted)(const QStringList &));

    LedgerStore *m_store = nullptr;
    FollowUpModel *m_model;
};

#pragma once
// 核对回函: one reply page against its letter as sent. Each region whose print differs shows
// side by side, the letter as the ledger kept it beside the scan; the lines of a 数据不符
// answer show for keying; the auditor records the result, the program's suggestion aside.

#include "control/ReplyList.h"

#include <QDialog>

class LedgerStore;
class QLabel;
class QPushButton;

class ReplyCheckDialog : public QDialog
{
    Q_OBJECT
public:
    // Reads the page again and checks it; raises Exception when the page cannot be read.
    ReplyCheckDialog(QWidget *owner, LedgerStore &ledger, const ReplyLine &line,
                     const QString &customer);

    QLabel *lblFindings;
    QPushButton *btnAgree;
    QPushButton *btnDiffer;
    QPushButton *btnClose;

    // The result recorded, empty when none was.
    QString recorded() const { return m_recorded; }

private:
    void record(const QString &result);

    LedgerStore &m_ledger;
    QString m_number;
    QString m_recorded;
};

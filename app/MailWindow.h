#pragma once
// 邮件发送: the letters (their PDF attached) or reminders that would go by e-mail, sent
// through the office's server with a progress window, each message's result shown after and
// the failed ones sent again on request. A server certificate that does not verify is shown
// by its key, for the user to trust or not.

#include "control/MailRun.h"

#include <QDialog>

class LedgerStore;
class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

class MailWindow : public QDialog
{
    Q_OBJECT
public:
    // 'only', when given, limits the list to those letter numbers.
    MailWindow(QWidget *owner, LedgerStore &ledger, MailRun::Kind kind = MailRun::Kind::Letters,
               const QStringList &only = {});

    // The days after which an unanswered letter is reminded, as the user set them.
    static int reminderDays();

    MailRun::Kind kind() const;
    const MailRun::Report &lastReport() const { return m_report; }

    QComboBox *cbbKind;
    QTableWidget *tblMail;
    QLabel *lblNote;
    QPushButton *btnSettings;
    QPushButton *btnSend;
    QPushButton *btnRetry;
    QPushButton *btnClose;

    // Handlers.
    void kindChanged();
    void sendClick();
    void retryClick();
    void settingsClick();

signals:
    // Messages were recorded in the ledger.
    void changed();

private:
    void fill();
    void send(const QList<MailRun::Candidate> &due);
    void showOutcomes();

    LedgerStore &m_ledger;
    QStringList m_only;
    QList<MailRun::Candidate> m_due;
    MailRun::Report m_report;
};

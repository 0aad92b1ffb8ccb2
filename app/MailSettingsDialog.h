#pragma once
// 邮件设置: the mail server, its security, the login, the sender and the texts of the
// letters' and reminders' e-mails. The password goes to the desktop's secret store when the
// user asks, else it is held for this session only; it is never written to a file.

#include "control/MailSettings.h"

#include <QDialog>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

class MailSettingsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit MailSettingsDialog(QWidget *owner);

    // The password for the server and user of 'settings': held this session, kept in the
    // secret store, or asked now. None when the user cancels; empty without a user.
    static std::optional<QString> password(QWidget *owner, const MailSettings &settings);
    // Forgets the password held this session (a login refused).
    static void forgetPassword(const MailSettings &settings);

    QLineEdit *edtServer;
    QSpinBox *spnPort;
    QComboBox *cbbSecurity;
    QLineEdit *edtUser;
    QLineEdit *edtPassword;
    QCheckBox *chkKeepPassword;
    QLineEdit *edtSender;
    QLineEdit *edtSenderName;
    QLabel *lblAcceptedKey;
    QPushButton *btnForgetKey;
    QLineEdit *edtLetterSubject;
    QPlainTextEdit *edtLetterBody;
    QLineEdit *edtReminderSubject;
    QPlainTextEdit *edtReminderBody;
    QPushButton *btnDefaults;
    QPushButton *btnOk;
    QPushButton *btnCancel;

    // Handlers.
    void okClick();
    void securityChanged();
    void defaultsClick();
    void forgetKeyClick();

private:
    QString m_acceptedKey;
};

#pragma once
// 连接函证中心: the server, port, database, user and encryption of the firm's confirmation
// centre; 连接 lists the engagements the user may open, 打开 opens the one chosen. A
// password is asked for only when the server wants one, and kept for the session (or in the
// desktop's keyring when the user asks), never in the settings.

#include "control/CentreConnection.h"

#include <QDialog>
#include <memory>

class LedgerStore;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

class CentreConnectDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CentreConnectDialog(QWidget *owner);
    ~CentreConnectDialog() override;

    // The engagement opened by 打开; none before.
    std::unique_ptr<LedgerStore> takeStore();
    // The password to try first for a location: this session's, else the keyring's; empty
    // lets libpq find one in ~/.pgpass or PGPASSWORD.
    static QString knownPassword(const LedgerLocation &location);

    QLineEdit *edtHost;
    QSpinBox *spnPort;
    QLineEdit *edtDatabase;
    QLineEdit *edtUser;
    QComboBox *cbbSslMode;
    QLineEdit *edtRootCert;
    QPushButton *btnBrowseCert;
    QLabel *lblPassword;
    QLineEdit *edtPassword;
    QCheckBox *chkKeepPassword;
    QLabel *lblMessage;
    QPushButton *btnConnect;
    QListWidget *lstEngagements;
    QPushButton *btnOpen;
    QPushButton *btnCancel;

    // Handlers.
    void btnConnectClick();
    void btnOpenClick();
    void btnBrowseCertClick();
    void sslModeChanged();

private:
    CentreFields fields() const;
    // The password typed, else the one known for the address.
    QString password() const;
    // Shows the password row with what the server said; the user types it and tries again.
    void askPassword(const QString &why);
    // The password worked: kept for the session, and in the keyring when asked.
    void keep(const QString &password);
    std::unique_ptr<LedgerStore> m_store;
};

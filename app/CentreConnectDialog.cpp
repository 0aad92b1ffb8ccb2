#include "CentreConnectDialog.h"

#include "WindowParts.h"
#include "engine/designer/EditBoxes.h"

#include "ledger/CentreRefusal.h"
#include "ledger/LedgerStore.h"
#include "platform/BusyCursor.h"
#include "platform/Guard.h"
#include "platform/Prompts.h"
#include "platform/SecretStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

using WindowParts::named;

CentreConnectDialog::CentreConnectDialog(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("dlgConnectCentre"));
    setWindowTitle(QStringLiteral("连接函证中心"));
    const CentreFields initial = CentreConnection::initialFields();

    edtHost = named(new QLineEdit(initial.host, this), "edtHost");
    edtHost->setPlaceholderText(QStringLiteral("例如 centre.example.com 或 192.168.1.10"));
    spnPort = named(new QSpinBox(this), "spnPort");
    spnPort->setRange(1, 65535);
    spnPort->setValue(initial.port);
    edtDatabase = named(new QLineEdit(initial.database, this), "edtDatabase");
    edtUser = named(new QLineEdit(initial.user, this), "edtUser");
    cbbSslMode = named(new QComboBox(this), "cbbSslMode");
    cbbSslMode->addItems(LedgerLocation::sslModes());
    cbbSslMode->setCurrentText(initial.sslMode);
    cbbSslMode->setToolTip(
        QStringLiteral("disable：不加密；allow、prefer：服务器支持时加密；require：必须加密；"
                       "verify-ca：必须加密并核对服务器证书；verify-full：另核对服务器名称"));
    edtRootCert = named(new QLineEdit(initial.rootCert, this), "edtRootCert");
    edtRootCert->setPlaceholderText(QStringLiteral("verify-ca、verify-full 时必填"));
    btnBrowseCert = named(new QPushButton(QStringLiteral("浏览…"), this), "btnBrowseCert");
    edtPassword = named(new QLineEdit(this), "edtPassword");
    edtPassword->setEchoMode(QLineEdit::Password);
    chkKeepPassword =
        named(new QCheckBox(QStringLiteral("保存到系统的密钥环（否则只在本次运行中记住）"), this),
              "chkKeepPassword");
    lblMessage = named(new QLabel(this), "lblMessage");
    lblMessage->setWordWrap(true);
    lblMessage->hide();
    btnConnect = named(new QPushButton(QStringLiteral("连接"), this), "btnConnect");
    btnConnect->setDefault(true);
    lstEngagements = named(new QListWidget(this), "lstEngagements");
    lstEngagements->setAccessibleName(QStringLiteral("项目"));
    btnOpen = named(new QPushButton(QStringLiteral("打开"), this), "btnOpen");
    btnOpen->setEnabled(false);
    btnCancel = named(new QPushButton(QStringLiteral("取消"), this), "btnCancel");

    auto *form = new QFormLayout;
    form->addRow(WindowParts::labelFor(edtHost, QStringLiteral("服务器(&S)：")), edtHost);
    form->addRow(WindowParts::labelFor(spnPort, QStringLiteral("端口(&P)：")), spnPort);
    form->addRow(WindowParts::labelFor(edtDatabase, QStringLiteral("数据库(&D)：")), edtDatabase);
    form->addRow(WindowParts::labelFor(edtUser, QStringLiteral("用户(&U)：")), edtUser);
    form->addRow(WindowParts::labelFor(cbbSslMode, QStringLiteral("加密(&E)：")), cbbSslMode);
    auto *certRow = new QHBoxLayout;
    certRow->addWidget(edtRootCert, 1);
    certRow->addWidget(btnBrowseCert);
    form->addRow(WindowParts::labelFor(edtRootCert, QStringLiteral("根证书(&C)：")), certRow);
    lblPassword = WindowParts::labelFor(edtPassword, QStringLiteral("密码(&W)："));
    form->addRow(lblPassword, edtPassword);
    form->addRow(QString(), chkKeepPassword);
    auto *connectRow = new QHBoxLayout;
    connectRow->addStretch(1);
    connectRow->addWidget(btnConnect);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOpen);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(lblMessage);
    layout->addLayout(connectRow);
    layout->addWidget(WindowParts::labelFor(lstEngagements, QStringLiteral("项目(&J)：")));
    layout->addWidget(lstEngagements, 1);
    layout->addLayout(buttons);
    // Asked for only when the server wants one: ~/.pgpass serves most users.
    for (QWidget *widget :
         {static_cast<QWidget *>(lblPassword), static_cast<QWidget *>(edtPassword),
          static_cast<QWidget *>(chkKeepPassword)})
        widget->hide();
    resize(480, 520);
    // The wheel passing over the port or the encryption must not change where it connects.
    EditBoxes::guardWheel(this);

    connect(btnConnect, &QPushButton::clicked, this,
            Guard::slot(this, &CentreConnectDialog::btnConnectClick));
    connect(btnOpen, &QPushButton::clicked, this,
            Guard::slot(this, &CentreConnectDialog::btnOpenClick));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnBrowseCert, &QPushButton::clicked, this,
            Guard::slot(this, &CentreConnectDialog::btnBrowseCertClick));
    connect(cbbSslMode, &QComboBox::currentIndexChanged, this,
            Guard::slot(this, &CentreConnectDialog::sslModeChanged));
    connect(lstEngagements, &QListWidget::itemSelectionChanged, this, Guard::slot([this] {
                btnOpen->setEnabled(!lstEngagements->selectedItems().isEmpty());
            }));
    // Enter on the list opens the engagement chosen, as a double click does; it would
    // otherwise reach the default button and connect again.
    connect(lstEngagements, &QListWidget::itemActivated, this,
            Guard::slot(this, &CentreConnectDialog::btnOpenClick));
    // Whatever names another place leaves the list of the old one behind, and another server
    // or user the password typed for the old one: it is never sent where it was not meant.
    const auto elsewhere = [this] { lstEngagements->clear(); };
    const auto otherServer = [this] {
        lstEngagements->clear();
        edtPassword->clear();
    };
    for (QLineEdit *edit : {edtHost, edtUser})
        connect(edit, &QLineEdit::textEdited, this, Guard::slot(otherServer));
    connect(spnPort, &QSpinBox::valueChanged, this, Guard::slot(otherServer));
    for (QLineEdit *edit : {edtDatabase, edtRootCert})
        connect(edit, &QLineEdit::textChanged, this, Guard::slot(elsewhere));
    connect(cbbSslMode, &QComboBox::currentIndexChanged, this, Guard::slot(elsewhere));
    sslModeChanged();
}

CentreConnectDialog::~CentreConnectDialog() = default;

std::unique_ptr<LedgerStore> CentreConnectDialog::takeStore()
{
    return std::move(m_store);
}

QString CentreConnectDialog::knownPassword(const LedgerLocation &location)
{
    const QString session = CentreConnection::sessionPassword(location);
    if (!session.isEmpty())
        return session;
    return SecretStore::lookup(CentreConnection::keyringServer(location), location.user)
        .value_or(QString());
}

CentreFields CentreConnectDialog::fields() const
{
    CentreFields fields;
    fields.host = edtHost->text();
    fields.port = spnPort->value();
    fields.database = edtDatabase->text();
    fields.user = edtUser->text();
    fields.sslMode = cbbSslMode->currentText();
    fields.rootCert = edtRootCert->text();
    return fields;
}

QString CentreConnectDialog::password() const
{
    if (!edtPassword->text().isEmpty())
        return edtPassword->text();
    return knownPassword(CentreConnection::locationOf(fields()));
}

void CentreConnectDialog::askPassword(const QString &why)
{
    lblMessage->setText(why);
    lblMessage->show();
    for (QWidget *widget :
         {static_cast<QWidget *>(lblPassword), static_cast<QWidget *>(edtPassword),
          static_cast<QWidget *>(chkKeepPassword)})
        widget->show();
    edtPassword->selectAll();
    edtPassword->setFocus();
}

void CentreConnectDialog::keep(const QString &password)
{
    const LedgerLocation location = CentreConnection::locationOf(fields());
    CentreConnection::keepForSession(location, password);
    if (chkKeepPassword->isChecked() && !password.isEmpty())
        SecretStore::store(CentreConnection::keyringServer(location), location.user, password);
}

void CentreConnectDialog::btnConnectClick()
{
    lstEngagements->clear();
    lblMessage->hide();
    const QString tried = password();
    QStringList names;
    try {
        const BusyCursor busy;
        names = CentreConnection::engagements(fields(), tried);
    } catch (const CentreRefusal &refusal) {
        if (refusal.kind() != CentreRefusal::Kind::Password)
            throw;
        askPassword(tried.isEmpty()
                        ? QStringLiteral("函证中心要求输入密码：请填写密码，再点击“连接”。")
                        : QStringLiteral("密码不正确：请重新输入密码，再点击“连接”。"));
        return;
    }
    keep(tried);
    lstEngagements->addItems(names);
    lstEngagements->setCurrentRow(0);
    lstEngagements->setFocus();
}

void CentreConnectDialog::btnOpenClick()
{
    const QListWidgetItem *chosen = lstEngagements->currentItem();
    const QString tried = password();
    {
        const BusyCursor busy;
        m_store = CentreConnection::open(fields(), chosen ? chosen->text() : QString(), tried);
    }
    keep(tried);
    accept();
}

void CentreConnectDialog::btnBrowseCertClick()
{
    OpenFileRequest request;
    request.filter = QStringLiteral("证书文件 (*.crt *.pem *.cer);;所有文件 (*)");
    if (!edtRootCert->text().isEmpty())
        request.directory = QFileInfo(edtRootCert->text()).absolutePath();
    const QString chosen = Prompts::current().openFileName(this, request);
    if (!chosen.isEmpty())
        edtRootCert->setText(chosen);
}

void CentreConnectDialog::sslModeChanged()
{
    // The CA file matters only where the server's certificate is checked.
    const bool verifies = cbbSslMode->currentText().startsWith(QLatin1String("verify-"));
    edtRootCert->setEnabled(verifies);
    btnBrowseCert->setEnabled(verifies);
}

#include "MailSettingsDialog.h"

#include "WindowParts.h"

#include "control/MailMessage.h"
#include "control/MailTemplate.h"
#include "platform/Exception.h"
#include "platform/Guard.h"
#include "platform/SecretStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHash>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

using WindowParts::named;

namespace {

// Passwords typed this session, by server and user: in memory only.
QHash<QString, QString> &sessionPasswords()
{
    static QHash<QString, QString> passwords;
    return passwords;
}

QString keyOf(const MailSettings &settings)
{
    return settings.server.trimmed() + QLatin1Char('\n') + settings.user.trimmed();
}

} // namespace

MailSettingsDialog::MailSettingsDialog(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("dlgMailSettings"));
    setWindowTitle(QStringLiteral("邮件设置"));
    const MailSettings settings = MailSettings::load();
    m_acceptedKey = settings.acceptedKey;

    edtServer = named(new QLineEdit(settings.server, this), "edtServer");
    edtServer->setPlaceholderText(QStringLiteral("例如 smtp.example.com"));
    spnPort = named(new QSpinBox(this), "spnPort");
    spnPort->setRange(1, 65535);
    spnPort->setValue(settings.port);
    cbbSecurity = named(new QComboBox(this), "cbbSecurity");
    for (auto security : {MailSettings::Security::Tls, MailSettings::Security::StartTls,
                          MailSettings::Security::None})
        cbbSecurity->addItem(MailSettings::securityName(security), int(security));
    cbbSecurity->setCurrentIndex(cbbSecurity->findData(int(settings.security)));
    edtUser = named(new QLineEdit(settings.user, this), "edtUser");
    edtPassword = named(new QLineEdit(this), "edtPassword");
    edtPassword->setEchoMode(QLineEdit::Password);
    edtPassword->setPlaceholderText(QStringLiteral("不填则发送时询问"));
    chkKeepPassword =
        named(new QCheckBox(QStringLiteral("保存到系统的密钥环（否则只在本次运行中记住）"), this),
              "chkKeepPassword");
    edtSender = named(new QLineEdit(settings.senderAddress, this), "edtSender");
    edtSenderName = named(new QLineEdit(settings.senderName, this), "edtSenderName");
    lblAcceptedKey = named(new QLabel(this), "lblAcceptedKey");
    lblAcceptedKey->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblAcceptedKey->setWordWrap(true);
    btnForgetKey = named(new QPushButton(QStringLiteral("不再信任"), this), "btnForgetKey");
    edtLetterSubject = named(new QLineEdit(settings.letterSubject, this), "edtLetterSubject");
    edtLetterBody = named(new QPlainTextEdit(settings.letterBody, this), "edtLetterBody");
    edtReminderSubject = named(new QLineEdit(settings.reminderSubject, this), "edtReminderSubject");
    edtReminderBody = named(new QPlainTextEdit(settings.reminderBody, this), "edtReminderBody");
    btnDefaults = named(new QPushButton(QStringLiteral("恢复默认文字"), this), "btnDefaults");
    btnOk = named(new QPushButton(QStringLiteral("确定"), this), "btnOk");
    btnOk->setDefault(true);
    btnCancel = named(new QPushButton(QStringLiteral("取消"), this), "btnCancel");

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("邮件服务器(&S)："), edtServer);
    form->addRow(QStringLiteral("端口(&P)："), spnPort);
    form->addRow(QStringLiteral("加密方式(&E)："), cbbSecurity);
    form->addRow(QStringLiteral("用户名(&U)："), edtUser);
    form->addRow(QStringLiteral("密码(&W)："), edtPassword);
    form->addRow(QString(), chkKeepPassword);
    form->addRow(QStringLiteral("发件人邮箱(&F)："), edtSender);
    form->addRow(QStringLiteral("发件人名称(&N)："), edtSenderName);
    auto *keyRow = new QHBoxLayout;
    keyRow->addWidget(lblAcceptedKey, 1);
    keyRow->addWidget(btnForgetKey);
    form->addRow(QStringLiteral("已信任的证书："), keyRow);
    form->addRow(QStringLiteral("询证函邮件主题："), edtLetterSubject);
    form->addRow(QStringLiteral("询证函邮件正文："), edtLetterBody);
    form->addRow(QStringLiteral("催收邮件主题："), edtReminderSubject);
    form->addRow(QStringLiteral("催收邮件正文："), edtReminderBody);
    auto *fields = new QLabel(QStringLiteral("可用字段：{函证编号} {被询证单位} {截止日期} {金额} "
                                             "{发函日期} {天数} {审计项目} {原函编号}，"
                                             "以及模板中的其他字段"),
                              this);
    fields->setWordWrap(true);
    form->addRow(QString(), fields);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btnDefaults);
    buttons->addStretch(1);
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(btnOk, &QPushButton::clicked, this, Guard::slot(this, &MailSettingsDialog::okClick));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnDefaults, &QPushButton::clicked, this,
            Guard::slot(this, &MailSettingsDialog::defaultsClick));
    connect(btnForgetKey, &QPushButton::clicked, this,
            Guard::slot(this, &MailSettingsDialog::forgetKeyClick));
    connect(cbbSecurity, &QComboBox::currentIndexChanged, this,
            Guard::slot(this, &MailSettingsDialog::securityChanged));
    forgetKeyClick();
    if (!settings.acceptedKey.isEmpty()) {
        m_acceptedKey = settings.acceptedKey;
        lblAcceptedKey->setText(m_acceptedKey);
        btnForgetKey->setEnabled(true);
    }
}

void MailSettingsDialog::securityChanged()
{
    // The usual port of each choice, unless the user set another.
    const int port = spnPort->value();
    if (port == 465 || port == 587 || port == 25)
        spnPort->setValue(cbbSecurity->currentIndex() == 0   ? 465
                          : cbbSecurity->currentIndex() == 1 ? 587
                                                             : 25);
}

void MailSettingsDialog::defaultsClick()
{
    edtLetterSubject->setText(MailTemplate::LetterSubject);
    edtLetterBody->setPlainText(MailTemplate::LetterBody);
    edtReminderSubject->setText(MailTemplate::ReminderSubject);
    edtReminderBody->setPlainText(MailTemplate::ReminderBody);
}

void MailSettingsDialog::forgetKeyClick()
{
    m_acceptedKey.clear();
    lblAcceptedKey->setText(QStringLiteral("（无）"));
    btnForgetKey->setEnabled(false);
}

void MailSettingsDialog::okClick()
{
    MailSettings settings = MailSettings::load();
    settings.server = edtServer->text().trimmed();
    settings.port = spnPort->value();
    settings.security = MailSettings::Security(cbbSecurity->currentData().toInt());
    settings.user = edtUser->text().trimmed();
    settings.senderAddress = edtSender->text().trimmed();
    settings.senderName = edtSenderName->text().trimmed();
    settings.acceptedKey = m_acceptedKey;
    settings.letterSubject = edtLetterSubject->text();
    settings.letterBody = edtLetterBody->toPlainText();
    settings.reminderSubject = edtReminderSubject->text();
    settings.reminderBody = edtReminderBody->toPlainText();
    if (settings.server.isEmpty())
        throw Exception(QStringLiteral("请填写邮件服务器"));
    if (settings.senderAddress.isEmpty())
        throw Exception(QStringLiteral("请填写发件人邮箱"));
    MailMessage(settings.senderName, settings.senderAddress); // raises for a bad address
    // Checks the server against the security chosen, as a send would.
    SmtpSender(settings.smtp(QString()));
    if (!edtPassword->text().isEmpty() && !settings.user.isEmpty()) {
        if (chkKeepPassword->isChecked())
            SecretStore::store(settings.server, settings.user, edtPassword->text());
        sessionPasswords().insert(keyOf(settings), edtPassword->text());
    }
    settings.save();
    accept();
}

std::optional<QString> MailSettingsDialog::password(QWidget *owner, const MailSettings &settings)
{
    if (settings.user.trimmed().isEmpty())
        return QString();
    if (const auto held = sessionPasswords().constFind(keyOf(settings));
        held != sessionPasswords().constEnd())
        return *held;
    if (const auto kept = SecretStore::lookup(settings.server.trimmed(), settings.user.trimmed()))
        return *kept;
    bool ok = false;
    const QString typed = QInputDialog::getText(
        owner, QStringLiteral("邮件服务器密码"),
        QStringLiteral("用户“%1”在邮件服务器“%2”的密码：").arg(settings.user, settings.server),
        QLineEdit::Password, QString(), &ok);
    if (!ok)
        return std::nullopt;
    sessionPasswords().insert(keyOf(settings), typed);
    return typed;
}

void MailSettingsDialog::forgetPassword(const MailSettings &settings)
{
    sessionPasswords().remove(keyOf(settings));
}

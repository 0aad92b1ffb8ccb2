#include "MailWindow.h"

#include "MailSettingsDialog.h"
#include "WindowParts.h"

#include "control/FollowUp.h"
#include "control/SmtpSender.h"
#include "engine/ProgressWindow.h"
#include "ledger/LedgerStore.h"
#include "platform/Exception.h"
#include "platform/Guard.h"
#include "platform/Prompts.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QVBoxLayout>

using WindowParts::named;

namespace {
enum Column
{
    Number,
    Customer,
    Address,
    State,
    Result,
    ColumnCount
};
const QString CertificateRefused = QStringLiteral("证书无法验证");
} // namespace

MailWindow::MailWindow(QWidget *owner, LedgerStore &ledger, MailRun::Kind kind,
                       const QStringList &only)
    : QDialog(owner), m_ledger(ledger), m_only(only)
{
    setObjectName(QStringLiteral("frmMail"));
    setWindowTitle(QStringLiteral("邮件发送"));
    resize(860, 480);
    cbbKind = named(new QComboBox(this), "cbbKind");
    cbbKind->addItem(QStringLiteral("询证函（附 PDF）"), int(MailRun::Kind::Letters));
    cbbKind->addItem(QStringLiteral("催收"), int(MailRun::Kind::Reminders));
    cbbKind->setCurrentIndex(kind == MailRun::Kind::Letters ? 0 : 1);
    tblMail = named(new QTableWidget(0, ColumnCount, this), "tblMail");
    tblMail->setHorizontalHeaderLabels({QStringLiteral("函证编号"), QStringLiteral("被询证单位"),
                                        QStringLiteral("邮箱"), QStringLiteral("状态"),
                                        QStringLiteral("发送结果")});
    tblMail->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblMail->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblMail->horizontalHeader()->setStretchLastSection(true);
    // Numbers, names and addresses are read whole; the server's reply takes the rest.
    for (int column = 0; column < ColumnCount - 1; ++column)
        tblMail->horizontalHeader()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    tblMail->verticalHeader()->hide();
    lblNote = named(new QLabel(this), "lblNote");
    lblNote->setWordWrap(true);
    btnSettings = named(new QPushButton(QStringLiteral("邮件设置(&S)…"), this), "btnSettings");
    btnSend = named(new QPushButton(QStringLiteral("发送(&D)"), this), "btnSend");
    btnRetry = named(new QPushButton(QStringLiteral("重试失败的邮件(&R)"), this), "btnRetry");
    btnRetry->setEnabled(false);
    btnClose = named(new QPushButton(QStringLiteral("关闭"), this), "btnClose");

    auto *top = new QHBoxLayout;
    top->addWidget(WindowParts::labelFor(cbbKind, QStringLiteral("发送(&K)：")));
    top->addWidget(cbbKind);
    top->addStretch(1);
    top->addWidget(btnSettings);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(lblNote, 1);
    buttons->addWidget(btnSend);
    buttons->addWidget(btnRetry);
    buttons->addWidget(btnClose);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(tblMail, 1);
    layout->addLayout(buttons);

    connect(cbbKind, &QComboBox::currentIndexChanged, this,
            Guard::slot(this, &MailWindow::kindChanged));
    connect(btnSend, &QPushButton::clicked, this, Guard::slot(this, &MailWindow::sendClick));
    connect(btnRetry, &QPushButton::clicked, this, Guard::slot(this, &MailWindow::retryClick));
    connect(btnSettings, &QPushButton::clicked, this,
            Guard::slot(this, &MailWindow::settingsClick));
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
    fill();
}

int MailWindow::reminderDays()
{
    return QSettings().value(QStringLiteral("ledger/followUpDays"), FollowUp::DefaultDays).toInt();
}

MailRun::Kind MailWindow::kind() const
{
    return MailRun::Kind(cbbKind->currentData().toInt());
}

void MailWindow::kindChanged()
{
    m_report = {};
    btnRetry->setEnabled(false);
    fill();
}

void MailWindow::fill()
{
    int notSendable = 0;
    m_due = MailRun::candidates(m_ledger, kind(), QDate::currentDate(), reminderDays(), m_only,
                                &notSendable);
    tblMail->setRowCount(int(m_due.size()));
    for (int row = 0; row < m_due.size(); ++row) {
        const MailRun::Candidate &due = m_due[row];
        const QString state = kind() == MailRun::Kind::Reminders
                                  ? QStringLiteral("已发函 %1 天未回函").arg(due.age)
                                  : due.letter.state();
        const QString last = due.lastState.isEmpty()
                                 ? QString()
                                 : QStringLiteral("上次%1：%2").arg(due.lastState, due.lastResult);
        const QStringList cells{due.letter.identity.number, due.letter.identity.customer,
                                due.address, state, last};
        for (int column = 0; column < ColumnCount; ++column)
            tblMail->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
    QString note =
        m_due.isEmpty()
            ? QStringLiteral("没有要发送的%1。").arg(MailRun::kindName(kind()))
            : QStringLiteral("将发送 %1 封%2。").arg(m_due.size()).arg(MailRun::kindName(kind()));
    if (notSendable > 0)
        note += QStringLiteral("另有 %1 封没有邮箱地址%2，不能用邮件发送。")
                    .arg(notSendable)
                    .arg(kind() == MailRun::Kind::Letters
                             ? QStringLiteral("（或打印时没有邮箱、未保存PDF）")
                             : QString());
    lblNote->setText(note);
    btnSend->setEnabled(!m_due.isEmpty() && !m_ledger.readOnly());
}

void MailWindow::settingsClick()
{
    MailSettingsDialog dialog(this);
    dialog.exec();
}

void MailWindow::sendClick()
{
    send(m_due);
}

void MailWindow::retryClick()
{
    QStringList failed;
    for (const MailRun::Outcome &outcome : m_report.failed())
        failed.append(outcome.number);
    if (failed.isEmpty())
        return;
    const QList<MailRun::Candidate> again =
        MailRun::candidates(m_ledger, kind(), QDate::currentDate(), reminderDays(), failed);
    m_due = again;
    send(again);
}

void MailWindow::send(const QList<MailRun::Candidate> &due)
{
    if (due.isEmpty())
        return;
    MailSettings settings = MailSettings::load();
    if (settings.server.trimmed().isEmpty() || settings.senderAddress.trimmed().isEmpty()) {
        MailSettingsDialog dialog(this);
        if (dialog.exec() != QDialog::Accepted)
            return;
        settings = MailSettings::load();
    }
    const std::optional<QString> password = MailSettingsDialog::password(this, settings);
    if (!password)
        return;
    QList<MailRun::Candidate> rest = due;
    MailRun::Report all;
    for (;;) {
        bool certificateRefused = false;
        MailRun::Report report;
        {
            SmtpSender sender(settings.smtp(*password));
            ProgressWindow progress(this, QStringLiteral("正在发送邮件…"), int(rest.size()));
            report = MailRun::send(
                m_ledger, sender, settings, kind(), rest, QDate::currentDate(),
                [&](int done, int total) {
                    return progress.step(
                        done, QStringLiteral("正在发送邮件：%1/%2").arg(done).arg(total));
                },
                [&](const MailRun::Outcome &outcome) {
                    // Every other message would fail the same way: ask once, then go on.
                    certificateRefused =
                        !outcome.sent && outcome.detail.contains(CertificateRefused);
                    return !certificateRefused;
                });
        }
        emit changed();
        if (!certificateRefused) {
            all.outcomes += report.outcomes;
            all.stopped = report.stopped;
            break;
        }
        const QString key = SmtpSender::serverKey(settings.smtp(*password));
        if (!Prompts::current().askConfirm(
                this, QStringLiteral("证书无法验证"),
                QStringLiteral("邮件服务器“%1”的证书无法验证（可能是服务器自己签发的证书）。\n\n"
                               "证书公钥的 SHA-256 指纹：\n%2\n\n"
                               "请先与邮件服务器的管理员核对这个指纹。信任后，只接受有这个公钥的"
                               "证书。是否信任并继续发送？")
                    .arg(settings.server, key),
                QStringLiteral("信任并发送"))) {
            all.outcomes += report.outcomes;
            all.stopped = report.stopped;
            break;
        }
        settings.acceptedKey = key;
        settings.save();
        // The refused one is sent again with the rest.
        rest = rest.mid(report.outcomes.size() - 1);
    }
    for (const MailRun::Outcome &outcome : all.outcomes)
        if (!outcome.sent && outcome.detail.contains(QStringLiteral("拒绝登录")))
            MailSettingsDialog::forgetPassword(settings);
    m_report = all;
    showOutcomes();
    Prompts::current().inform(this, QStringLiteral("邮件发送"), m_report.summary(kind()));
}

void MailWindow::showOutcomes()
{
    for (const MailRun::Outcome &outcome : m_report.outcomes)
        for (int row = 0; row < tblMail->rowCount(); ++row)
            if (tblMail->item(row, Number)->text() == outcome.number)
                tblMail->setItem(
                    row, Result,
                    new QTableWidgetItem(
                        (outcome.sent ? QStringLiteral("已发送：") : QStringLiteral("发送失败：")) +
                        outcome.detail));
    const int failed = int(m_report.failed().size());
    lblNote->setText(m_report.summary(kind()));
    btnRetry->setEnabled(failed > 0);
    btnSend->setEnabled(false);
}

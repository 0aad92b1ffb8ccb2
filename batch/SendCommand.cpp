#include "SendCommand.h"

#include "control/FollowUp.h"
#include "control/MailRun.h"
#include "control/MailSettings.h"
#include "control/SmtpSender.h"
#include "ledger/LedgerStore.h"
#include "platform/SecretStore.h"

#include <QDate>
#include <QUrl>

namespace {

// The URL as the user gave it, made into the sender's settings: plain smtp:// only to
// this machine, STARTTLS demanded on smtp:// to any other.
SmtpSettings smtpOf(const QString &text)
{
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QStringLiteral("smtp") && scheme != QStringLiteral("smtps")))
        throw UsageError(QStringLiteral("--smtp 须为 smtps://主机:465 或 smtp://主机:587，"
                                        "而不是“%1”")
                             .arg(text));
    const QString host = url.host().toLower();
    SmtpSettings smtp;
    smtp.url = text;
    smtp.startTls = !(host == QStringLiteral("localhost") || host == QStringLiteral("127.0.0.1") ||
                      host == QStringLiteral("::1"));
    return smtp;
}

} // namespace

int runSendCommand(BatchArguments arguments)
{
    const QString ledgerFile = arguments.takeOption(QStringLiteral("--ledger"));
    const bool letters = arguments.takeFlag(QStringLiteral("--letters"));
    const bool reminders = arguments.takeFlag(QStringLiteral("--reminders"));
    const QString url = arguments.takeOption(QStringLiteral("--smtp"));
    const QString user = arguments.takeOption(QStringLiteral("--user"));
    const QString from = arguments.takeOption(QStringLiteral("--from"));
    const QString daysText =
        arguments.takeOption(QStringLiteral("--days"), QString::number(FollowUp::DefaultDays));
    const QString caFile = arguments.takeOption(QStringLiteral("--cacert"));
    const QString pin = arguments.takeOption(QStringLiteral("--pin"));
    arguments.requireNoneLeft();
    if (ledgerFile.isEmpty())
        throw UsageError(QStringLiteral("请用 --ledger FILE.rvledger 给出函证台账"));
    if (letters == reminders)
        throw UsageError(QStringLiteral("请给出 --letters 或 --reminders 中的一个"));
    if (url.isEmpty())
        throw UsageError(QStringLiteral("请用 --smtp URL 给出邮件服务器"));
    bool ok = false;
    const int days = daysText.toInt(&ok);
    if (!ok || days < 0)
        throw UsageError(QStringLiteral("--days 须为不小于 0 的整数，而不是“%1”").arg(daysText));

    SmtpSettings smtp = smtpOf(url);
    smtp.user = user;
    smtp.caFile = caFile;
    smtp.acceptedKey = pin;
    if (!user.isEmpty()) {
        // The password never comes on the command line, where every user's ps shows it.
        if (qEnvironmentVariableIsSet("ROVIRADAVEV_SMTP_PASSWORD"))
            smtp.password = qEnvironmentVariable("ROVIRADAVEV_SMTP_PASSWORD");
        else if (const auto kept = SecretStore::lookup(QUrl(url).host(), user))
            smtp.password = *kept;
        else
            throw Exception(QStringLiteral("没有用户“%1”的邮件密码：请设置环境变量 "
                                           "ROVIRADAVEV_SMTP_PASSWORD，或在桌面程序的“邮件设置”中"
                                           "将密码保存到密钥环")
                                .arg(user));
    }
    MailSettings settings = MailSettings::load();
    if (!from.isEmpty())
        settings.senderAddress = from;
    if (settings.senderAddress.trimmed().isEmpty())
        throw UsageError(QStringLiteral("请用 --from 给出发件人邮箱"));

    const std::unique_ptr<LedgerStore> ledger = LedgerStore::open(ledgerFile);
    const MailRun::Kind kind = letters ? MailRun::Kind::Letters : MailRun::Kind::Reminders;
    const QDate today = QDate::currentDate();
    int notSendable = 0;
    const QList<MailRun::Candidate> due =
        MailRun::candidates(*ledger, kind, today, days, {}, &notSendable);
    SmtpSender sender(smtp);
    const bool terminal = BatchOutput::errorIsTerminal();
    const MailRun::Report report =
        MailRun::send(*ledger, sender, settings, kind, due, today, [&](int done, int total) {
            BatchOutput::writeError(
                QStringLiteral("%1正在发送%2：%3/%4%5")
                    .arg(terminal ? QStringLiteral("\r") : QString(), MailRun::kindName(kind))
                    .arg(done)
                    .arg(total)
                    .arg(terminal ? QString() : QStringLiteral("\n")));
            return true;
        });
    if (terminal)
        BatchOutput::writeError(QStringLiteral("\n"));
    for (const MailRun::Outcome &outcome : report.outcomes)
        BatchOutput::writeCells(
            {outcome.number, outcome.recipient,
             outcome.sent ? QStringLiteral("已发送") : QStringLiteral("发送失败"), outcome.detail});
    QString summary = report.summary(kind);
    if (notSendable > 0)
        summary += QStringLiteral("；另有 %1 封没有邮箱地址%2，未发送")
                       .arg(notSendable)
                       .arg(letters ? QStringLiteral("（或没有保存PDF）") : QString());
    BatchOutput::writeError(summary + QLatin1Char('\n'));
    return report.failed().isEmpty() ? 0 : 3;
}

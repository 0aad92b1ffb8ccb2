#pragma once
// Letters and reminders by e-mail from the confirmation ledger: which would go, each sent
// through the office's server and recorded in the ledger at once, sent or failed. A failed
// message is never taken for sent; the next run tries it again.

#include "MailSettings.h"

#include "ledger/LedgerTypes.h"

#include <QDate>
#include <QStringList>
#include <functional>

class LedgerStore;
class SmtpSender;

namespace MailRun {
enum class Kind
{
    Letters,  // 询证函, the letter's PDF attached
    Reminders // 催收, text only
};
// 询证函 or 催收, as the ledger names a message.
QString kindName(Kind kind);

struct Candidate
{
    LedgerLetter letter;
    QString address;
    int age = 0;        // days since it left (reminders)
    QString lastState;  // of the last message of this kind, empty when none
    QString lastResult; // the server's reply or why it failed
};

// What a run would send: for letters, the live letters with an address and a kept PDF not
// yet sent as 询证函; for reminders, the letters FollowUp::pending finds after 'days' days,
// with an address. 'only', when given, limits it to those numbers. 'notSendable' is told
// how many otherwise due have no address (or, for letters, no kept PDF).
QList<Candidate> candidates(const LedgerStore &ledger, Kind kind, const QDate &today, int days = 10,
                            const QStringList &only = {}, int *notSendable = nullptr);

struct Outcome
{
    QString number;
    QString recipient;
    bool sent = false;
    QString messageId;
    QString detail; // the server's reply when sent, why not when failed
};

struct Report
{
    QList<Outcome> outcomes;
    bool stopped = false; // the user stopped it before the end
    int sentCount() const;
    QList<Outcome> failed() const;
    // "已发送 N 封，失败 M 封：编号（原因）…"
    QString summary(Kind kind) const;
};

// Sends each candidate through 'sender', recording every message in the ledger as it goes;
// a letter sent also gets 发函方式 电子邮件 and its 发函日期 when they are empty. Raises
// Exception before the first message for a sender address that is not one, or when the
// ledger cannot be written; 'progress' may stop the run between messages, and so may
// 'each', told of every message once it is recorded (a certificate refused fails them all).
Report send(LedgerStore &ledger, SmtpSender &sender, const MailSettings &settings, Kind kind,
            const QList<Candidate> &candidates, const QDate &today,
            const std::function<bool(int done, int total)> &progress = {},
            const std::function<bool(const Outcome &)> &each = {});
} // namespace MailRun

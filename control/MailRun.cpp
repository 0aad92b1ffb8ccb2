#include "MailRun.h"

#include "FollowUp.h"
#include "MailMessage.h"
#include "MailTemplate.h"
#include "SmtpSender.h"

#include "ledger/LedgerStore.h"
#include "platform/Exception.h"

#include <QSet>

namespace MailRun {

namespace {
const QString Sent = QStringLiteral("已发送");
const QString Failed = QStringLiteral("发送失败");

QHash<qint64, QDateTime> runTimes(const LedgerStore &ledger)
{
    QHash<qint64, QDateTime> times;
    for (const LedgerRun &run : ledger.runs())
        times.insert(run.id, run.at);
    return times;
}
} // namespace

QString kindName(Kind kind)
{
    return kind == Kind::Letters ? QStringLiteral("询证函") : QStringLiteral("催收");
}

QList<Candidate> candidates(const LedgerStore &ledger, Kind kind, const QDate &today, int days,
                            const QStringList &only, int *notSendable)
{
    QSet<QString> wanted;
    for (const QString &number : only)
        wanted.insert(number.trimmed());
    // The last message of this kind per letter, and the letters already sent so.
    QHash<QString, MessageRecord> last;
    QSet<QString> done;
    for (const MessageRecord &message : ledger.messages())
        if (message.kind == kindName(kind)) {
            last.insert(message.number, message);
            if (message.state == Sent)
                done.insert(message.number);
        }
    QList<QPair<LedgerLetter, int>> due;
    if (kind == Kind::Letters) {
        const QStringList kept = ledger.numbersWithPdf();
        const QSet<QString> withPdf(kept.begin(), kept.end());
        for (const LedgerLetter &letter : ledger.letters())
            if (!letter.voided.isValid() && !done.contains(letter.identity.number))
                due.append({letter, withPdf.contains(letter.identity.number) ? 0 : -1});
    } else {
        for (const FollowUp::Pending &pending : FollowUp::pending(ledger, today, days))
            due.append({pending.letter, pending.age});
    }
    int missing = 0;
    QList<Candidate> found;
    for (const auto &[letter, age] : due) {
        if (!wanted.isEmpty() && !wanted.contains(letter.identity.number))
            continue;
        const QString address = letter.value(LetterField::Email);
        // A letter printed without an address kept no PDF: it cannot go by e-mail.
        if (address.isEmpty() || age < 0) {
            ++missing;
            continue;
        }
        const MessageRecord previous = last.value(letter.identity.number);
        found.append({letter, address, age, previous.state, previous.serverReply});
    }
    if (notSendable)
        *notSendable = missing;
    return found;
}

int Report::sentCount() const
{
    return int(std::count_if(outcomes.begin(), outcomes.end(),
                             [](const Outcome &outcome) { return outcome.sent; }));
}

QList<Outcome> Report::failed() const
{
    QList<Outcome> failed;
    for (const Outcome &outcome : outcomes)
        if (!outcome.sent)
            failed.append(outcome);
    return failed;
}

QString Report::summary(Kind kind) const
{
    const QList<Outcome> failures = failed();
    QString text = QStringLiteral("已发送%1 %2 封").arg(kindName(kind)).arg(sentCount());
    if (!failures.isEmpty()) {
        QStringList named;
        for (const Outcome &outcome : failures)
            named.append(QStringLiteral("%1（%2）").arg(outcome.number, outcome.detail));
        text += QStringLiteral("，失败 %1 封：%2")
                    .arg(failures.size())
                    .arg(named.join(QStringLiteral("；")));
    }
    if (stopped)
        text += QStringLiteral("；其余未发送（已停止）");
    return text;
}

Report send(LedgerStore &ledger, SmtpSender &sender, const MailSettings &settings, Kind kind,
            const QList<Candidate> &candidates, const QDate &today,
            const std::function<bool(int done, int total)> &progress,
            const std::function<bool(const Outcome &)> &each)
{
    if (ledger.readOnly())
        throw Exception(
            QStringLiteral("函证台账“%1”是只读打开的（%2），无法记录邮件；未发送任何邮件")
                .arg(ledger.shownName(), ledger.readOnlyReason()));
    // A bad sender address is the settings' fault, not any one letter's: found before any.
    if (settings.senderAddress.trimmed().isEmpty())
        throw Exception(QStringLiteral("尚未设置发件人邮箱，请先在“邮件设置”中填写"));
    MailMessage(settings.senderName, settings.senderAddress.trimmed());

    const QString engagement = ledger.engagement();
    QHash<qint64, QDateTime> times = runTimes(ledger);
    const bool letters = kind == Kind::Letters;
    Report report;
    const int total = int(candidates.size());
    for (int i = 0; i < total; ++i) {
        if (progress && !progress(i, total)) {
            report.stopped = true;
            break;
        }
        const Candidate &candidate = candidates[i];
        const LedgerLetter &letter = candidate.letter;
        const QDate sentOn = FollowUp::sentOn(letter, times);
        const QHash<QString, QString> fields =
            MailTemplate::fieldsOf(letter, engagement, sentOn, FollowUp::age(letter, times, today));
        MessageRecord record;
        record.number = letter.identity.number;
        record.kind = kindName(kind);
        record.recipient = candidate.address;
        record.subject =
            MailTemplate::fill(letters ? settings.letterSubject : settings.reminderSubject, fields);
        Outcome outcome{letter.identity.number, candidate.address, false, {}, {}};
        try {
            MailMessage message(settings.senderName, settings.senderAddress.trimmed());
            message.addTo(letter.identity.customer, candidate.address);
            message.setSubject(record.subject);
            message.setText(
                MailTemplate::fill(letters ? settings.letterBody : settings.reminderBody, fields));
            if (letters) {
                const QByteArray pdf = ledger.letterPdf(letter.identity.number);
                if (pdf.isEmpty())
                    throw Exception(QStringLiteral("函证台账中没有保存此询证函的PDF"));
                message.addAttachment(
                    {QStringLiteral("询证函-%1.pdf").arg(letter.identity.number), pdf});
            }
            outcome.messageId = message.messageId();
            const SendResult result = sender.send(message);
            outcome.sent = result.sent;
            outcome.detail = result.sent ? result.reply : result.reason;
        } catch (const Exception &error) {
            outcome.detail = error.message();
        }
        record.messageId = outcome.messageId;
        record.state = outcome.sent ? Sent : Failed;
        record.serverReply = outcome.detail;
        report.outcomes.append(outcome);
        try {
            ledger.recordMessages({record});
            if (outcome.sent && letters) {
                QList<QPair<LetterField, QString>> values;
                if (letter.value(LetterField::SendMethod).isEmpty())
                    values.append({LetterField::SendMethod, QStringLiteral("电子邮件")});
                if (letter.value(LetterField::SendDate).isEmpty())
                    values.append({LetterField::SendDate, today.toString(Qt::ISODate)});
                if (!values.isEmpty())
                    ledger.setValues(letter.identity.number, values, QStringLiteral("邮件发送"));
            }
        } catch (const Exception &error) {
            throw Exception(
                QStringLiteral("%1 的邮件%2，但未能记入函证台账：%3；其余邮件未发送")
                    .arg(letter.identity.number,
                         outcome.sent ? QStringLiteral("已发出") : QStringLiteral("发送失败"),
                         error.message()));
        }
        if (each && !each(outcome)) {
            report.stopped = i + 1 < total;
            break;
        }
    }
    if (progress && !report.stopped)
        progress(total, total);
    return report;
}

} // namespace MailRun

#include "RiskFlags.h"

#include "ContactText.h"
#include "ledger/LedgerStore.h"

#include <QDateTime>
#include <QMap>
#include <QSet>
#include <QSettings>

#include <algorithm>

namespace {

const QString kSender = QStringLiteral("寄件人与询证对象不符");
const QString kSharedPhone = QStringLiteral("不同单位回函寄件电话相同");
const QString kSharedAddress = QStringLiteral("不同单位回函寄件地址相同");
const QString kCluster = QStringLiteral("回函时间集中");
const QString kConsecutive = QStringLiteral("回函运单号连号");
const QString kNoDispatch = QStringLiteral("回函无发函记录");
const QString kTooEarly = QStringLiteral("回函早于送达");
const QString kParty = QStringLiteral("回函单位为被审计单位或关联方");

bool replied(const LedgerLetter &letter)
{
    return letter.answered || !letter.value(LetterField::ReplyDate).isEmpty();
}

QDate dateOf(const LedgerLetter &letter, LetterField field)
{
    return QDate::fromString(letter.value(field), Qt::ISODate);
}

QString customerKey(const LedgerLetter &letter)
{
    return ContactText::plain(letter.identity.customer);
}

QStringList numbersOf(const QList<const LedgerLetter *> &letters)
{
    QStringList numbers;
    for (const LedgerLetter *letter : letters)
        numbers.append(letter->identity.number);
    return numbers;
}

int customerCount(const QList<const LedgerLetter *> &letters)
{
    QSet<QString> customers;
    for (const LedgerLetter *letter : letters)
        customers.insert(customerKey(*letter));
    return int(customers.size());
}

QString customersText(const QList<const LedgerLetter *> &letters)
{
    QStringList names;
    for (const LedgerLetter *letter : letters)
        if (!names.contains(letter->identity.customer))
            names.append(letter->identity.customer);
    return names.join(QStringLiteral("、"));
}

// The reply's sender against where the letter went.
void senderDiffers(const RiskFlags::Custody &custody, QList<RiskFlag> &flags)
{
    for (const LedgerLetter &letter : custody.letters) {
        QStringList found;
        const QString sentTo = letter.value(LetterField::Address),
                      from = letter.value(LetterField::ReplyAddress);
        if (!sentTo.isEmpty() && !from.isEmpty() && !ContactText::sameAddress(sentTo, from))
            found.append(QStringLiteral("回函寄件地址“%1”与询证地址“%2”不同").arg(from, sentTo));
        const QString phone = letter.value(LetterField::Phone),
                      fromPhone = letter.value(LetterField::ReplyPhone);
        if (!phone.isEmpty() && !fromPhone.isEmpty() && !ContactText::samePhone(phone, fromPhone))
            found.append(
                QStringLiteral("回函寄件电话“%1”与询证电话“%2”不同").arg(fromPhone, phone));
        if (found.isEmpty())
            continue;
        flags.append({kSender,
                      QStringLiteral("%1：%2（询证地址%3）")
                          .arg(letter.identity.customer, found.join(QStringLiteral("；")),
                               custody.verified.contains(letter.id) ? QStringLiteral("已核实")
                                                                    : QStringLiteral("未核实")),
                      {letter.identity.number}});
    }
}

// One sender for several customers.
void sharedSender(const RiskFlags::Custody &custody, QList<RiskFlag> &flags, LetterField field,
                  const QString &rule, const QString &what, QString (*key)(const QString &text))
{
    QMap<QString, QList<const LedgerLetter *>> bySender;
    QHash<QString, QString> shown;
    for (const LedgerLetter &letter : custody.letters) {
        const QString text = letter.value(field);
        const QString sender = key(text);
        if (sender.isEmpty())
            continue;
        bySender[sender].append(&letter);
        shown.insert(sender, text);
    }
    for (auto group = bySender.cbegin(); group != bySender.cend(); ++group)
        if (customerCount(*group) > 1)
            flags.append({rule,
                          QStringLiteral("%1 家单位的回函从同一%2“%3”寄出：%4")
                              .arg(customerCount(*group))
                              .arg(what, shown.value(group.key()), customersText(*group)),
                          numbersOf(*group)});
}

// Replies by fax or e-mail close together: a forger sends them from one machine at one
// sitting. Each channel on its own, as one machine sends by one.
void clusters(const RiskFlags::Custody &custody, QList<RiskFlag> &flags, int minutes)
{
    for (const QString &channel : {QStringLiteral("传真"), QStringLiteral("电子邮件")}) {
        QList<QPair<QDateTime, const LedgerLetter *>> arrivals;
        for (const LedgerLetter &letter : custody.letters) {
            const QTime time =
                QTime::fromString(letter.value(LetterField::ReplyTime), QStringLiteral("HH:mm"));
            const QDate day = dateOf(letter, LetterField::ReplyDate);
            if (letter.value(LetterField::ReplyChannel) == channel && time.isValid() &&
                day.isValid())
                arrivals.append({QDateTime(day, time, Qt::UTC), &letter});
        }
        std::stable_sort(arrivals.begin(), arrivals.end(),
                         [](const auto &a, const auto &b) { return a.first < b.first; });
        // A chain: each reply within the span of the one before it.
        for (qsizetype start = 0; start < arrivals.size();) {
            qsizetype end = start + 1;
            while (end < arrivals.size() &&
                   arrivals[end - 1].first.secsTo(arrivals[end].first) <= qint64(minutes) * 60)
                ++end;
            QList<const LedgerLetter *> chain;
            for (qsizetype i = start; i < end; ++i)
                chain.append(arrivals[i].second);
            if (customerCount(chain) > 1)
                flags.append(
                    {kCluster,
                     QStringLiteral("%1 家单位的%2回函在 %3 至 %4 之间相继到达（间隔不超过 %5 "
                                    "分钟）：%6")
                         .arg(customerCount(chain))
                         .arg(channel,
                              arrivals[start].first.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                              arrivals[end - 1].first.toString(QStringLiteral("yyyy-MM-dd HH:mm")))
                         .arg(minutes)
                         .arg(customersText(chain)),
                     numbersOf(chain)});
            start = end;
        }
    }
}

// Waybills that follow one another: a courier numbers the forms of one pad or account in
// the order it issues them, so numbers 1 apart were taken at one counter together. Genuine
// respondents in different places draw numbers far apart; a wider gap than 1 would also
// catch replies that merely passed one busy depot the same hour.
void consecutiveWaybills(const RiskFlags::Custody &custody, QList<RiskFlag> &flags)
{
    struct Waybill
    {
        QString prefix; // the letters and digits before the last 15 digits, and the length
        qint64 serial = 0;
        const LedgerLetter *letter = nullptr;
    };
    QList<Waybill> waybills;
    for (const LedgerLetter &letter : custody.letters) {
        const QString text = letter.value(LetterField::ReplyWaybill);
        qsizetype digits = 0;
        while (digits < text.size() && text[text.size() - 1 - digits].isDigit())
            ++digits;
        const qsizetype tail = std::min<qsizetype>(digits, 15);
        if (tail == 0)
            continue;
        waybills.append(
            {text.left(text.size() - tail) + QLatin1Char('/') + QString::number(text.size()),
             text.right(tail).toLongLong(), &letter});
    }
    std::stable_sort(waybills.begin(), waybills.end(), [](const Waybill &a, const Waybill &b) {
        return std::tie(a.prefix, a.serial) < std::tie(b.prefix, b.serial);
    });
    for (qsizetype start = 0; start < waybills.size();) {
        qsizetype end = start + 1;
        while (end < waybills.size() && waybills[end].prefix == waybills[start].prefix &&
               waybills[end].serial - waybills[end - 1].serial <= 1)
            ++end;
        QList<const LedgerLetter *> run;
        for (qsizetype i = start; i < end; ++i)
            run.append(waybills[i].letter);
        if (customerCount(run) > 1)
            flags.append({kConsecutive,
                          QStringLiteral("%1 家单位的回函快递单号连号（%2 至 %3）：%4")
                              .arg(customerCount(run))
                              .arg(waybills[start].letter->value(LetterField::ReplyWaybill),
                                   waybills[end - 1].letter->value(LetterField::ReplyWaybill),
                                   customersText(run)),
                          numbersOf(run)});
        start = end;
    }
}

// A reply to a letter that never left, or that came back before the letter could arrive.
void dispatchOrder(const RiskFlags::Custody &custody, QList<RiskFlag> &flags)
{
    for (const LedgerLetter &letter : custody.letters) {
        if (!replied(letter))
            continue;
        const QString &number = letter.identity.number;
        const QDate sent = dateOf(letter, LetterField::SendDate);
        const QDate mailed = custody.firstMailed.value(number);
        const QString method = letter.value(LetterField::SendMethod);
        const QString waybill = letter.value(LetterField::Waybill);
        if (!sent.isValid() && !mailed.isValid() && method.isEmpty() && waybill.isEmpty()) {
            flags.append({kNoDispatch,
                          QStringLiteral("%1：已回函，但台账中没有发函记录（无发函方式、发函日期、"
                                         "快递单号，也没有发出的邮件）")
                              .arg(letter.identity.customer),
                          {number}});
            continue;
        }
        const QDate reply = dateOf(letter, LetterField::ReplyDate);
        if (!reply.isValid())
            continue;
        // By courier or post a letter arrives the next day at the earliest; by hand or
        // e-mail the same day.
        const bool carried = !waybill.isEmpty() || method == QStringLiteral("快递") ||
                             method.contains(QStringLiteral("挂号")) ||
                             method.contains(QStringLiteral("邮寄"));
        QDate earliest;
        QString why;
        if (sent.isValid()) {
            earliest = carried ? sent.addDays(1) : sent;
            why = QStringLiteral("发函日期 %1%2")
                      .arg(sent.toString(Qt::ISODate),
                           carried ? QStringLiteral("（快递或邮寄，最早次日送达）") : QString());
        }
        if (mailed.isValid() && (!earliest.isValid() || mailed < earliest)) {
            earliest = mailed;
            why = QStringLiteral("邮件发出日期 %1").arg(mailed.toString(Qt::ISODate));
        }
        if (earliest.isValid() && reply < earliest)
            flags.append({kTooEarly,
                          QStringLiteral("%1：回函日期 %2 早于询证函可能送达的日期（%3）")
                              .arg(letter.identity.customer, reply.toString(Qt::ISODate), why),
                          {number}});
    }
}

// A reply in the name of the client or a related party: the client answering for its own
// customer.
void respondentIsParty(const RiskFlags::Custody &custody, QList<RiskFlag> &flags)
{
    QHash<QString, QString> parties;
    for (const QString &name : custody.parties.related)
        parties.insert(ContactText::plain(name), QStringLiteral("关联方“%1”").arg(name));
    if (!custody.parties.client.isEmpty())
        parties.insert(ContactText::plain(custody.parties.client),
                       QStringLiteral("被审计单位“%1”").arg(custody.parties.client));
    for (const LedgerLetter &letter : custody.letters) {
        const QString respondent = letter.value(LetterField::Respondent);
        if (const auto party = parties.constFind(ContactText::plain(respondent));
            !respondent.isEmpty() && party != parties.cend())
            flags.append({kParty,
                          QStringLiteral("发给%1的询证函，回函单位“%2”是%3")
                              .arg(letter.identity.customer, respondent, *party),
                          {letter.identity.number}});
    }
}

} // namespace

QString RiskFlags::minutesKey()
{
    return QStringLiteral("ledger/flagMinutes");
}

int RiskFlags::minutes()
{
    const int minutes = QSettings().value(minutesKey(), DefaultMinutes).toInt();
    return minutes > 0 ? minutes : DefaultMinutes;
}

RiskFlags::Custody RiskFlags::custodyOf(const LedgerStore &ledger)
{
    Custody custody;
    custody.letters = ledger.letters();
    custody.letters.removeIf([](const LedgerLetter &letter) { return letter.voided.isValid(); });
    for (const MessageRecord &message : ledger.messages())
        if (message.state == QStringLiteral("已发送") && message.kind == QStringLiteral("询证函")) {
            const QDate day = message.at.toLocalTime().date();
            QDate &first = custody.firstMailed[message.number];
            if (!first.isValid() || day < first)
                first = day;
        }
    for (const AddressCheck &check : ledger.addressChecks())
        custody.verified.insert(check.letter);
    custody.parties = ledger.parties();
    return custody;
}

QList<RiskFlag> RiskFlags::find(const Custody &custody, int minutes)
{
    QList<RiskFlag> flags;
    senderDiffers(custody, flags);
    sharedSender(custody, flags, LetterField::ReplyPhone, kSharedPhone, QStringLiteral("电话"),
                 &ContactText::phone);
    sharedSender(custody, flags, LetterField::ReplyAddress, kSharedAddress, QStringLiteral("地址"),
                 &ContactText::address);
    clusters(custody, flags, minutes);
    consecutiveWaybills(custody, flags);
    dispatchOrder(custody, flags);
    respondentIsParty(custody, flags);
    return flags;
}

QList<RiskFlag> RiskFlags::find(const LedgerStore &ledger)
{
    return find(custodyOf(ledger), minutes());
}

QStringList RiskFlags::rules()
{
    return {kSender,      kSharedPhone, kSharedAddress, kCluster,
            kConsecutive, kNoDispatch,  kTooEarly,      kParty};
}

QStringList RiskFlags::titles()
{
    return {QStringLiteral("规则"), QStringLiteral("说明"), QStringLiteral("函证编号")};
}

QString RiskFlags::numbersText(const RiskFlag &flag)
{
    return flag.numbers.join(QStringLiteral("、"));
}

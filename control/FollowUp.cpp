#include "FollowUp.h"

#include "ledger/LedgerStore.h"

#include <algorithm>

namespace FollowUp {

QDate sentOn(const LedgerLetter &letter, const QHash<qint64, QDateTime> &runTimes)
{
    const QDate entered = QDate::fromString(letter.value(LetterField::SendDate), Qt::ISODate);
    if (entered.isValid())
        return entered;
    return runTimes.value(letter.firstRun).toLocalTime().date();
}

std::optional<int> age(const LedgerLetter &letter, const QHash<qint64, QDateTime> &runTimes,
                       const QDate &today)
{
    const QDate left = sentOn(letter, runTimes);
    if (!left.isValid())
        return std::nullopt;
    return int(left.daysTo(today));
}

bool awaitingReply(const LedgerLetter &letter)
{
    return !letter.voided.isValid() && !letter.answered &&
           letter.value(LetterField::Result).isEmpty();
}

QList<Pending> pending(const LedgerStore &ledger, const QDate &today, int days)
{
    QHash<qint64, QDateTime> runTimes;
    for (const LedgerRun &run : ledger.runs())
        runTimes.insert(run.id, run.at);
    QList<Pending> found;
    for (const LedgerLetter &letter : ledger.letters()) {
        if (!awaitingReply(letter))
            continue;
        if (const auto since = age(letter, runTimes, today); since && *since >= days)
            found.append({letter, *since, sentOn(letter, runTimes)});
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const Pending &a, const Pending &b) { return a.age > b.age; });
    return found;
}

} // namespace FollowUp

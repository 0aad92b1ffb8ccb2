#pragma once
// Following up letters not answered: each letter's age since it left, and the list of
// those still without a reply after a number of days (待催收), oldest first.

#include "ledger/LedgerTypes.h"

#include <QHash>
#include <optional>

class LedgerStore;

namespace FollowUp {
// The days after which a letter without a reply is chased, unless the user sets others.
constexpr int DefaultDays = 10;

// The day a letter left: its 发函日期 when entered, else the local day of the run that
// first sent it ('runTimes' by run id). Invalid when neither is known.
QDate sentOn(const LedgerLetter &letter, const QHash<qint64, QDateTime> &runTimes);
// Whole days from then to 'today'; none when the day it left is not known.
std::optional<int> age(const LedgerLetter &letter, const QHash<qint64, QDateTime> &runTimes,
                       const QDate &today);

// Whether a letter still waits for its answer: live, no reply read, no result entered (退函
// too). Only such a letter is chased or followed by a further request.
bool awaitingReply(const LedgerLetter &letter);

struct Pending
{
    LedgerLetter letter;
    int age = 0;
    QDate sentOn; // the day it left, which the age counts from
};
// The live letters with no reply read and no result entered that left at least 'days'
// days before 'today', oldest first.
QList<Pending> pending(const LedgerStore &ledger, const QDate &today, int days = DefaultDays);
} // namespace FollowUp

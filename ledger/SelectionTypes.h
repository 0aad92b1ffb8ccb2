#pragma once
// The selection records the ledger keeps: which rows of a population get a letter and why,
// with the rules and the seed that chose them, so that the choice can be shown, repeated
// and extended. Plain values, no database in them.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// One row of the population a selection was made from: its four fields as the table
// showed them.
struct PopulationRow
{
    QString customer, cutOff, amount, number;
    qint64 cents = 0; // the amount as the selection read it
    bool operator==(const PopulationRow &) const = default;
};

// Why a row was picked.
namespace PickReason {
inline const QString Key = QStringLiteral("重要项目");
inline const QString Sampled = QStringLiteral("抽样");
inline const QString Manual = QStringLiteral("手工");
} // namespace PickReason

struct SelectionPick
{
    int position = 0;  // the row's place in the population, from 0
    QString reason;    // one of PickReason
    qint64 point = -1; // for 抽样 by monetary units: the unit hit, in cents from 0; else -1
    int round = 0;     // 0 for the selection, then 1, 2 … for each extension
    bool operator==(const SelectionPick &) const = default;
};

// The selection itself (round 0) or one of its extensions.
struct SelectionRound
{
    int round = 0;
    QDateTime time; // UTC; set by the ledger
    QString user;   // set by the ledger
    // The rules of this round as the program that chose wrote them (a JSON object): the
    // ledger keeps them as they are.
    QString parameters;
    qint64 drawsAfter = 0; // how many of the seed's draws had been used by its end
};

struct LedgerSelection
{
    qint64 id = 0;
    int rowCount = 0;
    qint64 totalCents = 0;       // the population's book amount, every row
    QByteArray populationSha256; // hex, of the rows' four fields
    QString method;              // as the window names it
    QString seed;
    QList<SelectionRound> rounds; // oldest first
    QList<SelectionPick> picks;   // by round, each round's in the order chosen
};

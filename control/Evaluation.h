#pragma once
// The evaluation of a confirmation's results (函证结论): how much of the population the
// replies, the reconciliations and the alternative procedures confirm; the misstatements
// they found; and, for a monetary-unit sample, the misstatement projected to the
// population and its upper limit, set against the tolerable misstatement of the selection.
//
// Each confirmation is judged by the first of these that holds:
//   回函确认     函证结果 is 相符, or 回函金额 equals 账面金额;
//   替代程序确认 an alternative procedure is recorded: its covered amount is confirmed, the
//                rest of the book amount stays unconfirmed;
//   调节后确认   a reply amount whose difference after the reconciling items lies within the
//                ledger's tolerance;
//   调节后仍不符 a reply amount whose difference after the items does not: the residue is a
//                misstatement found;
//   未确认       none of these (no reply, 退函, a pick never sent): the whole book amount.
// A misstatement is book − audited: positive overstates the balance. What no evidence
// supports counts as not audited, so an unconfirmed balance is misstated whole.

#include "ledger/ReconciliationTypes.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <optional>

class LedgerStore;

namespace Evaluation {

enum class Basis
{
    Reply,       // 回函确认
    Reconciled,  // 调节后确认
    Alternative, // 替代程序确认 (all or part)
    Differs,     // 调节后仍不符
    Unconfirmed  // 未确认
};
QString basisName(Basis basis);

// One confirmation: a live first letter (a second request's values count for the letter it
// follows where the first has none), or a pick of the selection no letter was sent for.
struct Item
{
    QString number, customer;
    qint64 bookCents = 0;
    QString reason; // 重要项目, 抽样, 手工 as the selection picked it; empty when not picked
    bool sent = true; // false for a pick no live letter carries
    QString result;   // 函证结果 as kept
    std::optional<qint64> replyCents;
    QList<ReconcilingItem> items;
    std::optional<AlternativeProcedure> alternative;
};

// What the selection says about the sample, when the ledger holds one (its latest).
struct Sample
{
    QString method;            // as the selection names it
    bool monetary = false;     // a monetary-unit sample: the projection below applies
    bool simpleRandom = false; // rows drawn at random: projected by the ratio of misstatement
    double intervalCents = 0;  // the frame's amount / the points drawn, extensions counted
    qint64 frameCents = 0; // the amount the sample was drawn from (positive, below the key line)
    int confidence = 95;
    std::optional<qint64> tolerableCents;
};

struct Input
{
    QList<Item> items;
    int populationRows = 0; // the selection's population; the letters' own when none
    qint64 populationCents = 0;
    qint64 toleranceCents = 0;
    std::optional<Sample> sample;
};

// An item as judged.
struct Judged
{
    Item item;
    Basis basis = Basis::Unconfirmed;
    std::optional<qint64> differenceAfterCents; // 调节后差异
    qint64 confirmedCents = 0;                  // the part of the book amount confirmed
    qint64 misstatementCents = 0;               // book − audited
    std::optional<double> tainting;             // sampled items below the interval only
    double projectedCents = 0;                  // the item's share of the projection (sampled only)
};

// A count of items and their book amounts: what each basis covers, the population, the sent.
struct Tally
{
    int count = 0;
    qint64 cents = 0;
};

struct Allowance
{
    int rank = 0; // 1 for the largest tainting
    double tainting = 0;
    double factorStep = 0; // RF(rank) − RF(rank − 1) − 1, from the table's factors
    double cents = 0;      // factorStep × tainting × interval
};

struct Result
{
    QList<Judged> judged; // in the order of the input
    // Coverage by basis; sent counts the letters sent (picks never sent excluded). An
    // alternative procedure's item counts under alternative, its amount there as far as it
    // is covered and under unconfirmed for the rest: the five bases add up to the items.
    Tally population, sent, reply, reconciled, alternative, differs, unconfirmed;
    // Misstatements found: items outside the sample (重要项目, 手工, not picked) at their
    // actual amounts; sampled items' own.
    qint64 knownCents = 0;
    qint64 sampledFoundCents = 0;
    // The projection of the sample (none without a monetary or random sample), overstatement
    // and understatement apart, each as a positive amount.
    std::optional<double> projectedOverCents, projectedUnderCents;
    // The upper misstatement limit of overstatement: basic precision + projected
    // overstatement + incremental allowances (monetary-unit samples only).
    std::optional<double> basicPrecisionCents, upperLimitCents;
    QList<Allowance> allowances;
    // The conclusion in words: the upper limit (or the projection) plus the known
    // misstatement against the tolerable misstatement, or why none can be drawn.
    QString statement;
    bool exceedsTolerable = false;
    // What the figures were worked out under, as the input gave them.
    std::optional<Sample> sample;
    qint64 toleranceCents = 0;
};

// The table factors of the sampling guides: the Poisson factor rounded up to two decimals
// (3.00, 4.75, 6.30 … at 95 %).
double tableFactor(int confidencePercent, int errors);

Result evaluate(const Input &input);
// The ledger's confirmations, its latest selection and its tolerance.
Input inputOf(const LedgerStore &ledger);
// (label, value) lines as the 结论 tab and the batch tool show them, amounts in yuan.
QList<QPair<QString, QString>> lines(const Result &result);
// The judgement of each confirmation, a row each after a row of titles, amounts as plain
// "1234.56": what the batch tool writes as CSV.
QList<QStringList> table(const Result &result);

} // namespace Evaluation

#pragma once
// What the auditor records to explain a reply that differs from the books (调节项) and to
// cover a letter without a reliable reply (替代程序). Plain values, no database in them.

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// One reconciling item: an amount, with its sign, that explains part of 回函金额 − 账面金额.
struct ReconcilingItem
{
    QString kind; // one of Reconciliation::itemKinds()
    qint64 cents = 0;
    QDate date;        // may be null
    QString reference; // the document it rests on
    QString note;
    bool operator==(const ReconcilingItem &) const = default;
};

// One piece of evidence an alternative procedure examined.
struct AlternativeEvidence
{
    QString kind; // one of Reconciliation::evidenceKinds()
    qint64 cents = 0;
    QDate date;
    QString reference;
    bool operator==(const AlternativeEvidence &) const = default;
};

struct AlternativeProcedure
{
    QList<AlternativeEvidence> evidence; // in the order entered
    qint64 coveredCents = 0;             // the part of the book amount the evidence supports
    QString conclusion;                  // one of Reconciliation::conclusions()
    QString note;
    bool operator==(const AlternativeProcedure &) const = default;
};

// What the reconciliation dialog showed when it opened: the letter's version then, and its
// items and procedure as read.
struct ReconciliationSeen
{
    qint64 letterId = 0;
    qint64 version = 0;
    QList<ReconcilingItem> items;
    std::optional<AlternativeProcedure> procedure;
};

namespace Reconciliation {
// 在途款项, 在途货物, 未达账项（发票未入账）, 争议, 记账差错, 其他.
QStringList itemKinds();
// 期后收款, 发货单, 发票, 合同, 其他.
QStringList evidenceKinds();
// 替代程序确认, 部分确认, 未能确认.
QStringList conclusions();
// The results a reconciliation gives 函证结果.
inline const QString Agreed = QStringLiteral("调节后相符");
inline const QString Differs = QStringLiteral("不符");

// 调节后差异 = 回函金额 − 账面金额 − the items' sum; none without a reply amount or a book
// amount.
std::optional<qint64> differenceAfter(std::optional<qint64> bookCents,
                                      std::optional<qint64> replyCents,
                                      const QList<ReconcilingItem> &items);
// 调节后相符 when |difference after| <= tolerance, else 不符; empty without a difference.
QString resultOf(std::optional<qint64> differenceAfterCents, qint64 toleranceCents);
// Raises Exception with the reason for an item without a kind from the list or of amount
// 0, an alternative procedure covering more than the book amount (its size, for a credit)
// or less than nothing, evidence of no kind from the list or of amount 0, a conclusion not
// from the list, or one the amounts contradict (替代程序确认 with less than the book amount
// covered, 未能确认 with some covered, 部分确认 with none or all). Without a book amount
// only the lists and the sign are checked.
void check(const ReconcilingItem &item);
void check(const AlternativeProcedure &procedure, std::optional<qint64> bookCents);
} // namespace Reconciliation

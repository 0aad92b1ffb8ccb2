#include "ReconciliationTypes.h"

#include "AmountText.h"
#include "platform/Exception.h"

namespace Reconciliation {

QStringList itemKinds()
{
    return {QStringLiteral("在途款项"),
            QStringLiteral("在途货物"),
            QStringLiteral("未达账项（发票未入账）"),
            QStringLiteral("争议"),
            QStringLiteral("记账差错"),
            QStringLiteral("其他")};
}

QStringList evidenceKinds()
{
    return {QStringLiteral("期后收款"), QStringLiteral("发货单"), QStringLiteral("发票"),
            QStringLiteral("合同"), QStringLiteral("其他")};
}

QStringList conclusions()
{
    return {QStringLiteral("替代程序确认"), QStringLiteral("部分确认"), QStringLiteral("未能确认")};
}

std::optional<qint64> differenceAfter(std::optional<qint64> bookCents,
                                      std::optional<qint64> replyCents,
                                      const QList<ReconcilingItem> &items)
{
    if (!bookCents || !replyCents)
        return std::nullopt;
    qint64 difference = *replyCents - *bookCents;
    for (const ReconcilingItem &item : items)
        difference -= item.cents;
    return difference;
}

QString resultOf(std::optional<qint64> differenceAfterCents, qint64 toleranceCents)
{
    if (!differenceAfterCents)
        return {};
    const qint64 size = *differenceAfterCents < 0 ? -*differenceAfterCents : *differenceAfterCents;
    return size <= toleranceCents ? Agreed : Differs;
}

namespace {
void requireListed(const QString &what, const QString &text, const QStringList &list)
{
    if (text.trimmed().isEmpty())
        throw Exception(
            QStringLiteral("%1未选择（可选：%2）").arg(what, list.join(QStringLiteral("、"))));
    if (!list.contains(text.trimmed()))
        throw Exception(QStringLiteral("%1“%2”不在可选的范围内：%3")
                            .arg(what, text.trimmed(), list.join(QStringLiteral("、"))));
}

qint64 magnitude(qint64 cents)
{
    return cents < 0 ? -cents : cents;
}
} // namespace

void check(const ReconcilingItem &item)
{
    requireListed(QStringLiteral("调节项类型"), item.kind, itemKinds());
    if (item.cents == 0)
        throw Exception(QStringLiteral("调节项金额不能为零"));
}

void check(const AlternativeProcedure &procedure, std::optional<qint64> bookCents)
{
    for (qsizetype i = 0; i < procedure.evidence.size(); ++i) {
        const AlternativeEvidence &evidence = procedure.evidence[i];
        const QString which = QStringLiteral("第 %1 项证据").arg(i + 1);
        requireListed(which + QStringLiteral("的类型"), evidence.kind, evidenceKinds());
        if (evidence.cents == 0)
            throw Exception(which + QStringLiteral("的金额不能为零"));
    }
    requireListed(QStringLiteral("替代程序结论"), procedure.conclusion, conclusions());
    const qint64 covered = procedure.coveredCents;
    if (covered < 0)
        throw Exception(
            QStringLiteral("替代程序确认金额 %1 不能为负数").arg(AmountText::of(covered)));
    // Without a book amount there is nothing to hold the covered amount against.
    if (!bookCents)
        return;
    // A credit balance is confirmed by its size.
    const qint64 book = magnitude(*bookCents);
    const QString coveredText = AmountText::of(covered), bookText = AmountText::of(*bookCents);
    if (covered > book)
        throw Exception(
            QStringLiteral("替代程序确认金额 %1 超过账面金额 %2").arg(coveredText, bookText));
    const QString conclusion = procedure.conclusion.trimmed();
    if (conclusion == conclusions()[0] && covered < book)
        throw Exception(QStringLiteral("结论为替代程序确认，但确认金额 %1 少于账面金额 %2；"
                                       "请改为部分确认")
                            .arg(coveredText, bookText));
    if (conclusion == conclusions()[1] && (covered == 0 || covered == book))
        throw Exception(
            covered == 0
                ? QStringLiteral("结论为部分确认，但确认金额为 0.00；请改为未能确认")
                : QStringLiteral("结论为部分确认，但确认金额 %1 等于账面金额；请改为替代程序确认")
                      .arg(coveredText));
    if (conclusion == conclusions()[2] && covered != 0)
        throw Exception(QStringLiteral("结论为未能确认，但确认金额为 %1；请改为部分确认或把确认"
                                       "金额改为 0.00")
                            .arg(coveredText));
}

} // namespace Reconciliation

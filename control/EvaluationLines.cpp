// The evaluation as the 结论 tab and the batch tool show it: labelled lines, and a table
// of the judgement of each confirmation.
#include "Evaluation.h"

#include "Cents.h"
#include "EvaluationSteps.h"
#include "ledger/SelectionTypes.h"

#include <QLocale>

#include <cmath>

namespace Evaluation {

namespace {

using Steps::yuan;

QString percent(double share)
{
    return QLocale(QLocale::English).toString(100.0 * share, 'f', 2) + QLatin1Char('%');
}

QString share(qint64 part, qint64 whole)
{
    return whole == 0 ? QStringLiteral("—") : percent(double(part) / double(whole));
}

// What of a basis's amount the letters sent hold: picks never sent are no part of it.
Tally sentPart(const Result &result, const QList<Basis> &bases)
{
    Tally part;
    for (const Judged &judged : result.judged) {
        if (!judged.item.sent)
            continue;
        const bool alternative = judged.basis == Basis::Alternative;
        if (bases.contains(judged.basis))
            part.cents += alternative ? judged.confirmedCents : judged.item.bookCents;
        if (alternative && bases.contains(Basis::Unconfirmed))
            part.cents += judged.item.bookCents - judged.confirmedCents;
        part.count += bases.contains(judged.basis);
    }
    return part;
}

QString coverage(const Tally &tally, const Result &result, const QList<Basis> &bases)
{
    const Tally sent = sentPart(result, bases);
    QString text = QStringLiteral("%1 项，金额 %2 元（占总体金额 %3，占发函金额 %4）")
                       .arg(tally.count)
                       .arg(yuan(double(tally.cents)), share(tally.cents, result.population.cents),
                            share(sent.cents, result.sent.cents));
    if (sent.count < tally.count)
        text += QStringLiteral("，其中选中未发函 %1 项，金额 %2 元")
                    .arg(tally.count - sent.count)
                    .arg(yuan(double(tally.cents - sent.cents)));
    return text;
}

QString optionalYuan(const std::optional<double> &cents)
{
    return cents ? yuan(*cents) + QStringLiteral(" 元") : QStringLiteral("—");
}

QString plain(std::optional<qint64> cents)
{
    return cents ? Cents::plain(*cents) : QString();
}

void addSampling(QList<QPair<QString, QString>> &lines, const Result &result)
{
    const Sample &sample = *result.sample;
    lines.append({QStringLiteral("选样方法"), sample.method});
    if (sample.monetary && sample.intervalCents > 0) {
        lines.append({QStringLiteral("置信水平"), QStringLiteral("%1%").arg(sample.confidence)});
        lines.append(
            {QStringLiteral("抽样区间"), yuan(sample.intervalCents) + QStringLiteral(" 元")});
    }
    if (sample.simpleRandom)
        lines.append({QStringLiteral("抽样总体金额"),
                      yuan(double(sample.frameCents)) + QStringLiteral(" 元")});
    if (result.projectedOverCents) {
        lines.append({QStringLiteral("推断高估错报"), optionalYuan(result.projectedOverCents)});
        lines.append({QStringLiteral("推断低估错报"), optionalYuan(result.projectedUnderCents)});
    }
    if (result.basicPrecisionCents)
        lines.append({QStringLiteral("基本精确度"),
                      QStringLiteral("%1 × %2 = %3 元")
                          .arg(tableFactor(sample.confidence, 0), 0, 'f', 2)
                          .arg(yuan(sample.intervalCents), yuan(*result.basicPrecisionCents))});
    for (const Allowance &allowance : result.allowances)
        lines.append({QStringLiteral("增量准备（第 %1 大错报比例）").arg(allowance.rank),
                      QStringLiteral("%1 × %2 × %3 = %4 元")
                          .arg(allowance.factorStep, 0, 'f', 2)
                          .arg(percent(allowance.tainting), yuan(sample.intervalCents),
                               yuan(allowance.cents))});
    if (result.upperLimitCents)
        lines.append({QStringLiteral("错报上限（高估）"), optionalYuan(result.upperLimitCents)});
}

} // namespace

QList<QPair<QString, QString>> lines(const Result &result)
{
    QList<QPair<QString, QString>> lines;
    lines.append({QStringLiteral("总体"), QStringLiteral("%1 项，账面金额 %2 元")
                                              .arg(result.population.count)
                                              .arg(yuan(double(result.population.cents)))});
    lines.append(
        {QStringLiteral("已发函"), QStringLiteral("%1 封，账面金额 %2 元（占总体金额 %3）")
                                       .arg(result.sent.count)
                                       .arg(yuan(double(result.sent.cents)),
                                            share(result.sent.cents, result.population.cents))});
    const Tally confirmed{result.reply.count + result.reconciled.count + result.alternative.count,
                          result.reply.cents + result.reconciled.cents + result.alternative.cents};
    lines.append({basisName(Basis::Reply), coverage(result.reply, result, {Basis::Reply})});
    lines.append(
        {basisName(Basis::Reconciled), coverage(result.reconciled, result, {Basis::Reconciled})});
    lines.append({basisName(Basis::Alternative),
                  coverage(result.alternative, result, {Basis::Alternative})});
    lines.append(
        {QStringLiteral("确认合计"),
         coverage(confirmed, result, {Basis::Reply, Basis::Reconciled, Basis::Alternative})});
    lines.append({basisName(Basis::Differs), coverage(result.differs, result, {Basis::Differs})});
    lines.append({basisName(Basis::Unconfirmed),
                  coverage(result.unconfirmed, result, {Basis::Unconfirmed})});
    lines.append(
        {QStringLiteral("调节容差"), yuan(double(result.toleranceCents)) + QStringLiteral(" 元")});
    lines.append({QStringLiteral("已知错报（样本以外项目）"),
                  yuan(double(result.knownCents)) + QStringLiteral(" 元")});
    lines.append({QStringLiteral("样本中发现的错报"),
                  yuan(double(result.sampledFoundCents)) + QStringLiteral(" 元")});
    if (result.sample)
        addSampling(lines, result);
    const std::optional<qint64> tolerable =
        result.sample ? result.sample->tolerableCents : std::nullopt;
    lines.append(
        {QStringLiteral("可容忍错报"),
         tolerable ? yuan(double(*tolerable)) + QStringLiteral(" 元") : QStringLiteral("未记录")});
    lines.append({QStringLiteral("结论"), result.statement});
    return lines;
}

QList<QStringList> table(const Result &result)
{
    QList<QStringList> rows{
        {QStringLiteral("函证编号"), QStringLiteral("被询证单位"), QStringLiteral("选取原因"),
         QStringLiteral("已发函"), QStringLiteral("账面金额"), QStringLiteral("回函金额"),
         QStringLiteral("函证结果"), QStringLiteral("调节项合计"), QStringLiteral("调节后差异"),
         QStringLiteral("替代程序确认金额"), QStringLiteral("判断"), QStringLiteral("确认金额"),
         QStringLiteral("错报"), QStringLiteral("错报比例"), QStringLiteral("推断错报")}};
    for (const Judged &judged : result.judged) {
        const Item &item = judged.item;
        qint64 reconciled = 0;
        for (const ReconcilingItem &each : item.items)
            reconciled += each.cents;
        const bool projected = result.projectedOverCents && item.reason == PickReason::Sampled;
        rows.append({item.number, item.customer, item.reason,
                     item.sent ? QStringLiteral("是") : QStringLiteral("否"),
                     Cents::plain(item.bookCents), plain(item.replyCents), item.result,
                     item.items.isEmpty() ? QString() : Cents::plain(reconciled),
                     plain(judged.differenceAfterCents),
                     item.alternative ? Cents::plain(item.alternative->coveredCents) : QString(),
                     basisName(judged.basis), Cents::plain(judged.confirmedCents),
                     Cents::plain(judged.misstatementCents),
                     judged.tainting ? percent(*judged.tainting) : QString(),
                     projected ? Cents::plain(std::llround(judged.projectedCents)) : QString()});
    }
    return rows;
}

} // namespace Evaluation

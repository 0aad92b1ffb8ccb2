// The conclusion of the evaluation in words, as the auditor's working paper states it.
#include "EvaluationSteps.h"

namespace Evaluation::Steps {

namespace {

// Why no projection was made, when none was.
QString noProjection(const std::optional<Sample> &sample)
{
    if (!sample)
        return QStringLiteral("台账中没有选样记录，不推断总体错报");
    if (sample->monetary)
        return QStringLiteral("选样记录中没有抽样区间，不推断总体错报");
    if (sample->simpleRandom)
        return QStringLiteral("样本的账面金额合计不是正数，不能按比例推断总体错报");
    return QStringLiteral("%1不是统计抽样，不推断总体错报").arg(sample->method);
}

QString comparison(Result &result, double total)
{
    const std::optional<qint64> tolerable =
        result.sample ? result.sample->tolerableCents : std::nullopt;
    if (!tolerable)
        return result.sample ? QStringLiteral("；选样时未记录可容忍错报，无法与之比较")
                             : QStringLiteral("；未记录可容忍错报，无法与之比较");
    result.exceedsTolerable = total > double(*tolerable);
    return result.exceedsTolerable
               ? QStringLiteral("超过可容忍错报 %1 元：应扩大样本或提请被审计单位调整")
                     .arg(yuan(double(*tolerable)))
               : QStringLiteral("未超过可容忍错报 %1 元：未发现重大错报的证据")
                     .arg(yuan(double(*tolerable)));
}

QString outstanding(const Result &result)
{
    Tally letters, unsent;
    for (const Judged &judged : result.judged)
        if (judged.basis == Basis::Unconfirmed) {
            Tally &tally = judged.item.sent ? letters : unsent;
            ++tally.count;
            tally.cents += judged.item.bookCents;
        }
    QString text = letters.count == 0 ? QStringLiteral("没有未确认的询证函")
                                      : QStringLiteral("尚有 %1 封询证函未确认（账面金额 %2 元）")
                                            .arg(letters.count)
                                            .arg(yuan(double(letters.cents)));
    if (unsent.count > 0)
        text += QStringLiteral("，另有 %1 个选中项目未发函（账面金额 %2 元）")
                    .arg(unsent.count)
                    .arg(yuan(double(unsent.cents)));
    return text + QStringLiteral("。");
}

} // namespace

void conclude(Result &result)
{
    const double known = double(result.knownCents);
    QString statement;
    if (result.upperLimitCents) {
        const double total = *result.upperLimitCents + known;
        statement =
            QStringLiteral("推断错报上限 %1 元（含已知错报 %2 元）").arg(yuan(total), yuan(known)) +
            comparison(result, total);
    } else if (result.projectedOverCents) {
        const double total = *result.projectedOverCents + known;
        statement = QStringLiteral("推断错报 %1 元（含已知错报 %2 元；简单随机抽样不计算"
                                   "错报上限，未考虑抽样风险）")
                        .arg(yuan(total), yuan(known)) +
                    comparison(result, total);
    } else {
        const double total = known + double(result.sampledFoundCents);
        statement = noProjection(result.sample) +
                    QStringLiteral("；已发现错报 %1 元").arg(yuan(total)) +
                    comparison(result, total);
    }
    result.statement = statement + QStringLiteral("。") + outstanding(result);
}

} // namespace Evaluation::Steps

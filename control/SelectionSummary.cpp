#include "SelectionSummary.h"

#include "ReliabilityFactors.h"
#include "SelectionParameters.h"

#include <QLocale>
#include <QTimeZone>

namespace {
QString yuan(qint64 cents)
{
    return QLocale(QLocale::English).toString(double(cents) / 100.0, 'f', 2);
}

QString share(double part, double whole)
{
    return whole == 0 ? QStringLiteral("—")
                      : QLocale(QLocale::English).toString(100.0 * part / whole, 'f', 2) +
                            QLatin1Char('%');
}

QString when(const SelectionRound &round)
{
    return round.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

struct Tally
{
    int rows = 0;
    qint64 cents = 0;
    QString text() const { return QStringLiteral("%1 行，金额 %2").arg(rows).arg(yuan(cents)); }
};
} // namespace

namespace SelectionSummary {

QList<QPair<QString, QString>> lines(const LedgerSelection &selection,
                                     const QList<PopulationRow> &population)
{
    QList<QPair<QString, QString>> lines;
    auto add = [&lines](const QString &label, const QString &value) {
        lines.append({label, value});
    };
    Tally credits, zeros;
    for (const PopulationRow &row : population) {
        Tally &tally = row.cents < 0 ? credits : zeros;
        if (row.cents <= 0) {
            ++tally.rows;
            tally.cents += row.cents;
        }
    }
    add(QStringLiteral("选样编号"), QStringLiteral("第 %1 次选样").arg(selection.id));
    add(QStringLiteral("总体"), QStringLiteral("%1 行，账面金额合计 %2")
                                    .arg(selection.rowCount)
                                    .arg(yuan(selection.totalCents)));
    add(QStringLiteral("其中贷方余额"), credits.text());
    add(QStringLiteral("其中零余额"), QStringLiteral("%1 行").arg(zeros.rows));
    add(QStringLiteral("总体指纹（SHA-256）"), QString::fromLatin1(selection.populationSha256));
    add(QStringLiteral("选样方法"), selection.method);

    const SelectionParameters::Round first = SelectionParameters::read(selection.rounds.value(0));
    if (first.plan) {
        const SelectionPlan &plan = *first.plan;
        add(QStringLiteral("重要项目界限"),
            plan.keyThresholdCents ? QStringLiteral("%1 及以上").arg(yuan(*plan.keyThresholdCents))
                                   : QStringLiteral("未设"));
        if (plan.tolerableCents) {
            add(QStringLiteral("可容忍错报"), yuan(*plan.tolerableCents));
            add(QStringLiteral("预期错报"), yuan(plan.expectedCents.value_or(0)));
            add(QStringLiteral("置信水平"), QStringLiteral("%1%").arg(plan.confidence));
            add(QStringLiteral("保证系数"),
                QStringLiteral("%1（泊松分布，零误差）")
                    .arg(ReliabilityFactors::factor(plan.confidence, 0), 0, 'f', 4));
            add(QStringLiteral("扩张系数"),
                QString::number(ReliabilityFactors::expansion(plan.confidence), 'f', 1));
        }
        if (plan.method != SamplingMethod::Manual) {
            const bool monetary = plan.method != SamplingMethod::SimpleRandom;
            add(QStringLiteral("样本量"), monetary ? QStringLiteral("%1 个货币单位").arg(plan.size)
                                                   : QStringLiteral("%1 行").arg(plan.size));
            add(QStringLiteral("抽样总体"),
                QStringLiteral("正余额且低于重要项目界限的 %1 行，金额 %2")
                    .arg(first.sampledRows)
                    .arg(yuan(first.sampledCents)));
            if (monetary)
                add(QStringLiteral("抽样区间"), yuan(qint64(first.intervalCents + 0.5)));
            if (plan.method == SamplingMethod::MonetarySystematic && first.startCents >= 0)
                add(QStringLiteral("随机起点"), yuan(first.startCents));
        }
    }
    add(QStringLiteral("随机种子"), selection.seed);
    add(QStringLiteral("随机数规则"),
        QStringLiteral("第 i 个随机数取 SHA-256(“种子:i”) 的前 8 个字节"));
    if (!selection.rounds.isEmpty())
        add(QStringLiteral("选样人"),
            QStringLiteral("%1，%2").arg(selection.rounds[0].user, when(selection.rounds[0])));
    for (qsizetype i = 1; i < selection.rounds.size(); ++i) {
        const SelectionRound &round = selection.rounds[i];
        const SelectionParameters::Round added = SelectionParameters::read(round);
        const auto picked = std::count_if(
            selection.picks.begin(), selection.picks.end(),
            [&round](const SelectionPick &pick) { return pick.round == round.round; });
        const bool rows = first.plan && first.plan->method == SamplingMethod::SimpleRandom;
        add(QStringLiteral("第 %1 次扩大样本").arg(round.round),
            QStringLiteral("%1，%2：再抽取 %3 %4，手工 %5 行，新选中 %6 行")
                .arg(round.user, when(round))
                .arg(added.added)
                .arg(rows ? QStringLiteral("行") : QStringLiteral("个货币单位"))
                .arg(added.manual.size())
                .arg(picked));
    }

    Tally all, key, sampled, manual;
    for (const SelectionPick &pick : selection.picks) {
        const qint64 cents = population.value(pick.position).cents;
        Tally &tally = pick.reason == PickReason::Key       ? key
                       : pick.reason == PickReason::Sampled ? sampled
                                                            : manual;
        for (Tally *each : {&tally, &all}) {
            ++each->rows;
            each->cents += cents;
        }
    }
    add(QStringLiteral("选中合计"), all.text());
    add(PickReason::Key, key.text());
    add(PickReason::Sampled, sampled.text());
    add(PickReason::Manual, manual.text());
    add(QStringLiteral("重要项目覆盖"),
        QStringLiteral("占总体行数 %1，占总体金额 %2")
            .arg(share(key.rows, selection.rowCount), share(key.cents, selection.totalCents)));
    add(QStringLiteral("样本覆盖"),
        QStringLiteral("占总体行数 %1，占总体金额 %2")
            .arg(share(all.rows, selection.rowCount), share(all.cents, selection.totalCents)));
    return lines;
}

} // namespace SelectionSummary

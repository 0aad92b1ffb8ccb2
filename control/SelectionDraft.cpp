#include "SelectionDraft.h"

#include "AmountInput.h"
#include "Sampler.h"
#include "platform/Exception.h"

namespace {
const QString kThreshold = QStringLiteral("重要项目界限");
const QString kTolerable = QStringLiteral("可容忍错报");
const QString kExpected = QStringLiteral("预期错报");
} // namespace

bool SelectionDraft::monetary(SamplingMethod method)
{
    return method == SamplingMethod::MonetarySystematic || method == SamplingMethod::MonetaryCell;
}

std::optional<qint64> SelectionDraft::thresholdCents(const RegionalSettings &settings) const
{
    const std::optional<qint64> cents = AmountInput::cents(kThreshold, threshold, settings);
    if (cents && *cents <= 0)
        throw Exception(QStringLiteral("重要项目界限须大于零；不设界限请留空"));
    return cents;
}

SampleSize::Result SelectionDraft::computedSize(const Population &population,
                                                const RegionalSettings &settings) const
{
    if (!monetary(method))
        throw Exception(QStringLiteral("按可容忍错报计算样本量只用于货币单位抽样"));
    const std::optional<qint64> tolerableCents =
        AmountInput::cents(kTolerable, tolerable, settings);
    if (!tolerableCents)
        throw Exception(QStringLiteral("请填写可容忍错报"));
    SampleSize::Inputs inputs;
    inputs.populationCents = Sampler::frameOf(population, thresholdCents(settings)).cents;
    inputs.tolerableCents = *tolerableCents;
    inputs.expectedCents = AmountInput::cents(kExpected, expected, settings).value_or(0);
    inputs.confidence = confidence;
    return SampleSize::monetaryUnit(inputs);
}

SelectionPlan SelectionDraft::plan(const Population &population,
                                   const RegionalSettings &settings) const
{
    SelectionPlan plan;
    plan.keyThresholdCents = thresholdCents(settings);
    plan.method = method;
    plan.confidence = confidence;
    plan.seed = seed.trimmed();
    plan.manual = manual;
    if (method == SamplingMethod::Manual)
        return plan;
    if (computeSize && monetary(method)) {
        plan.size = computedSize(population, settings).size;
        plan.tolerableCents = AmountInput::cents(kTolerable, tolerable, settings);
        plan.expectedCents = AmountInput::cents(kExpected, expected, settings).value_or(0);
        return plan;
    }
    bool ok = false;
    plan.size = size.trimmed().toInt(&ok);
    if (!ok || plan.size <= 0)
        throw Exception(size.trimmed().isEmpty()
                            ? QStringLiteral("请填写样本量，或按可容忍错报计算")
                            : QStringLiteral("样本量“%1”不是正整数").arg(size.trimmed()));
    return plan;
}

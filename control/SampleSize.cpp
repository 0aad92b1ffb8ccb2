#include "SampleSize.h"

#include "Cents.h"
#include "ReliabilityFactors.h"
#include "platform/Exception.h"

#include <algorithm>
#include <cmath>

namespace SampleSize {

namespace {
// Beyond this many points the tolerable misstatement is a rounding of the population, not
// a plan for letters.
const int kMaxSize = 100000;
} // namespace

Result monetaryUnit(const Inputs &inputs)
{
    ReliabilityFactors::requireConfidence(inputs.confidence);
    if (inputs.populationCents == 0)
        throw Exception(QStringLiteral("总体金额为零，无法抽样"));
    if (inputs.populationCents < 0)
        throw Exception(QStringLiteral("总体金额为负数（%1 元），无法抽样")
                            .arg(Cents::text(inputs.populationCents)));
    if (inputs.tolerableCents <= 0)
        throw Exception(QStringLiteral("可容忍错报必须大于零"));
    if (inputs.expectedCents < 0)
        throw Exception(QStringLiteral("预期错报不能为负数"));
    Result result;
    result.factor = ReliabilityFactors::factor(inputs.confidence, 0);
    result.expansion = ReliabilityFactors::expansion(inputs.confidence);
    const double expanded = double(inputs.expectedCents) * result.expansion;
    const double room = double(inputs.tolerableCents) - expanded;
    if (room <= 0)
        throw Exception(
            QStringLiteral("可容忍错报（%1 元）必须大于预期错报（%2 元）乘以扩张系数 "
                           "%3 的积（%4 元）")
                .arg(Cents::text(inputs.tolerableCents), Cents::text(inputs.expectedCents),
                     QString::number(result.expansion), Cents::text(std::llround(expanded))));
    // The quotient of a whole size may come out a hair above it; that hair is no point.
    const double size = std::ceil(double(inputs.populationCents) * result.factor / room - 1e-9);
    if (size > kMaxSize)
        throw Exception(QStringLiteral("算出的样本量 %1 超过上限 %2：可容忍错报相对总体金额过小")
                            .arg(QString::number(size, 'f', 0))
                            .arg(kMaxSize));
    result.size = std::max(1, int(size));
    result.intervalCents = double(inputs.populationCents) / result.size;
    return result;
}

} // namespace SampleSize

#include "ReliabilityFactors.h"

#include "platform/Exception.h"

#include <cmath>

namespace ReliabilityFactors {

namespace {

// P(X <= k) for X ~ Poisson(lambda), its terms summed in logarithms so that a large k or
// lambda does not underflow exp(-lambda).
double atMost(int k, double lambda)
{
    if (lambda <= 0)
        return 1;
    const double logLambda = std::log(lambda);
    double sum = 0;
    for (int j = 0; j <= k; ++j)
        sum += std::exp(-lambda + j * logLambda - std::lgamma(j + 1.0));
    return sum;
}

} // namespace

QList<int> confidences()
{
    return {90, 95, 99};
}

void requireConfidence(int percent)
{
    if (!confidences().contains(percent))
        throw Exception(QStringLiteral("置信水平只能是 90%、95% 或 99%，不能是 %1%").arg(percent));
}

double factor(int confidencePercent, int errors)
{
    requireConfidence(confidencePercent);
    if (errors < 0)
        throw Exception(QStringLiteral("发现的错报个数不能为负数：%1").arg(errors));
    const double risk = 1 - confidencePercent / 100.0;
    // The probability falls as lambda grows; the limit lies well inside this bracket,
    // about errors + 2.6 standard deviations at 99 %.
    double low = 0, high = errors + 10 * std::sqrt(errors + 1.0) + 10;
    for (int i = 0; i < 200 && high - low > 1e-12; ++i) {
        const double middle = (low + high) / 2;
        (atMost(errors, middle) > risk ? low : high) = middle;
    }
    return (low + high) / 2;
}

double expansion(int confidencePercent)
{
    requireConfidence(confidencePercent);
    switch (confidencePercent) {
    case 90:
        return 1.5;
    case 95:
        return 1.6;
    default:
        return 1.9;
    }
}

} // namespace ReliabilityFactors

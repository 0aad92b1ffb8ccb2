#include "Evaluation.h"

#include "platform/Exception.h"

namespace Evaluation {

QString basisName(Basis basis)
{
    switch (basis) {
    case Basis::Reply:
        return QStringLiteral("回函确认");
    case Basis::Reconciled:
        return QStringLiteral("调节后确认");
    case Basis::Alternative:
        return QStringLiteral("替代程序确认");
    case Basis::Differs:
        return QStringLiteral("调节后仍不符");
    default:
        return QStringLiteral("未确认");
    }
}

double tableFactor(int, int)
{
    return 0;
}

Result evaluate(const Input &)
{
    return {};
}

Input inputOf(const LedgerStore &)
{
    return {};
}

QList<QPair<QString, QString>> lines(const Result &)
{
    return {};
}

} // namespace Evaluation

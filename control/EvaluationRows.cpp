#include "EvaluationRows.h"

#include "Cents.h"

#include <cmath>

namespace EvaluationRows {

QStringList titles()
{
    return {QStringLiteral("函证编号"), QStringLiteral("被询证单位"), QStringLiteral("账面金额"),
            QStringLiteral("选中原因"), QStringLiteral("确认方式"),   QStringLiteral("调节后差异"),
            QStringLiteral("确认金额"), QStringLiteral("错报金额"),   QStringLiteral("错报比例")};
}

QStringList texts(const Evaluation::Judged &judged)
{
    const Evaluation::Item &item = judged.item;
    // The share of the book amount misstated: the tainting where the evaluation gives one.
    std::optional<double> share = judged.tainting;
    if (!share && item.bookCents != 0)
        share = double(judged.misstatementCents) / double(item.bookCents);
    QString ratio;
    if (share) {
        ratio = QString::number(*share * 100, 'f', 2) + QLatin1Char('%');
        // A misstatement too small for two decimals is still one.
        if (judged.misstatementCents != 0 && std::abs(*share) < 0.00005)
            ratio = *share < 0 ? QStringLiteral("> -0.01%") : QStringLiteral("< 0.01%");
    }
    return {item.number,
            item.customer,
            Cents::text(item.bookCents),
            item.sent ? item.reason : QStringLiteral("%1（未发函）").arg(item.reason),
            Evaluation::basisName(judged.basis),
            judged.differenceAfterCents ? Cents::text(*judged.differenceAfterCents) : QString(),
            Cents::text(judged.confirmedCents),
            Cents::text(judged.misstatementCents),
            ratio};
}

bool isNumber(int column)
{
    return column == 2 || column >= 5;
}

} // namespace EvaluationRows

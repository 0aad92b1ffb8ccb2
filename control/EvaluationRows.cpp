#include "EvaluationRows.h"

#include "Cents.h"

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
    QString ratio;
    if (judged.tainting)
        ratio = QString::number(*judged.tainting * 100, 'f', 2) + QLatin1Char('%');
    else if (item.bookCents != 0)
        ratio = QString::number(double(judged.misstatementCents) * 100 / double(item.bookCents),
                                'f', 2) +
                QLatin1Char('%');
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

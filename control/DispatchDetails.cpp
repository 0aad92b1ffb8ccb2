#include "DispatchDetails.h"

#include "ledger/LedgerStore.h"
#include "platform/Exception.h"

namespace DispatchDetails {

QStringList methods()
{
    return {QStringLiteral("快递"), QStringLiteral("挂号信"), QStringLiteral("亲自送达（跟函）"),
            QStringLiteral("电子邮件")};
}

QStringList checkWays()
{
    return {QStringLiteral("电话核实"), QStringLiteral("工商信息查询"), QStringLiteral("官方网站"),
            QStringLiteral("实地走访"), QStringLiteral("其他")};
}

QStringList setSent(LedgerStore &ledger, const QStringList &numbers, const QString &method,
                    const QDate &on)
{
    QList<QPair<LetterField, QString>> values;
    if (!method.trimmed().isEmpty())
        values.append({LetterField::SendMethod, method.trimmed()});
    if (on.isValid())
        values.append({LetterField::SendDate, on.toString(Qt::ISODate)});
    if (values.isEmpty())
        throw Exception(QStringLiteral("请填写发函方式或发函日期"));
    if (numbers.isEmpty())
        throw Exception(QStringLiteral("请先在列表中选择询证函"));
    QList<QPair<QString, QList<QPair<LetterField, QString>>>> letters;
    for (const QString &number : numbers)
        letters.append({number, values});
    return ledger.setValuesOf(letters, QStringLiteral("修改"));
}

void checkAddresses(LedgerStore &ledger, const QStringList &numbers, const AddressCheck &check)
{
    if (numbers.isEmpty())
        throw Exception(QStringLiteral("请先在列表中选择询证函"));
    QList<AddressCheck> checks;
    for (const QString &number : numbers) {
        AddressCheck each = check;
        each.number = number;
        checks.append(each);
    }
    ledger.checkAddresses(checks);
}

} // namespace DispatchDetails

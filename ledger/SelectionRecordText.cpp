#include "SelectionRecordText.h"

#include "LogChain.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

namespace {
QString compact(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QJsonObject roundObject(const SelectionRound &round)
{
    // Whole numbers past 2^53 do not survive a JSON number: the draws go as text.
    return {{QStringLiteral("round"), round.round},
            {QStringLiteral("at"), LogChain::timeText(round.time)},
            {QStringLiteral("user"), round.user},
            {QStringLiteral("parameters"), round.parameters},
            {QStringLiteral("draws_after"), QString::number(round.drawsAfter)}};
}

QString yuan(qint64 cents)
{
    return QLocale::c().toString(double(cents) / 100.0, 'f', 2);
}
} // namespace

namespace SelectionRecordText {

QByteArray centsLine(qint64 cents)
{
    return QByteArray::number(cents) + '\n';
}

QString selectionText(const LedgerSelection &selection, const SelectionRound &first,
                      const QByteArray &centsSha256)
{
    return compact(
        {{QStringLiteral("rows"), selection.rowCount},
         {QStringLiteral("total_cents"), QString::number(selection.totalCents)},
         {QStringLiteral("population_sha256"), QString::fromLatin1(selection.populationSha256)},
         {QStringLiteral("cents_sha256"), QString::fromLatin1(centsSha256)},
         {QStringLiteral("method"), selection.method},
         {QStringLiteral("seed"), selection.seed},
         {QStringLiteral("first_round"), roundObject(first)}});
}

QString roundText(const SelectionRound &round)
{
    return compact(roundObject(round));
}

QString pickText(const SelectionPick &pick, const PopulationRow &row)
{
    return compact({{QStringLiteral("position"), pick.position},
                    {QStringLiteral("round"), pick.round},
                    {QStringLiteral("reason"), pick.reason},
                    {QStringLiteral("point"), QString::number(pick.point)},
                    {QStringLiteral("number"), row.number},
                    {QStringLiteral("customer"), row.customer}});
}

QString readable(const QString &action, const QString &text)
{
    const QJsonObject object = QJsonDocument::fromJson(text.toUtf8()).object();
    if (object.isEmpty())
        return text;
    if (action == QStringLiteral("选中")) {
        QString said = QStringLiteral("%1：总体第 %2 行 %3 %4")
                           .arg(object.value(QStringLiteral("reason")).toString())
                           .arg(object.value(QStringLiteral("position")).toInt() + 1)
                           .arg(object.value(QStringLiteral("number")).toString(),
                                object.value(QStringLiteral("customer")).toString());
        const qint64 point = object.value(QStringLiteral("point")).toString().toLongLong();
        if (point >= 0)
            said += QStringLiteral("（抽中货币单位 %1）").arg(yuan(point));
        return said;
    }
    if (action == QStringLiteral("选样"))
        return QStringLiteral("%1；总体 %2 行，账面金额 %3；随机种子 %4")
            .arg(object.value(QStringLiteral("method")).toString())
            .arg(object.value(QStringLiteral("rows")).toInt())
            .arg(yuan(object.value(QStringLiteral("total_cents")).toString().toLongLong()),
                 object.value(QStringLiteral("seed")).toString());
    if (action == QStringLiteral("扩大样本"))
        return QStringLiteral("第 %1 次扩大样本：%2")
            .arg(object.value(QStringLiteral("round")).toInt())
            .arg(object.value(QStringLiteral("parameters")).toString());
    return text;
}

} // namespace SelectionRecordText

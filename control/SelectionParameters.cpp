#include "SelectionParameters.h"

#include "platform/Exception.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
QString compact(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QJsonObject outcomeObject(const SamplingOutcome &outcome)
{
    // Amounts in cents go as text: JSON numbers lose whole numbers past 2^53.
    return {{QStringLiteral("points"), outcome.points},
            {QStringLiteral("sampled_cents"), QString::number(outcome.sampledCents)},
            {QStringLiteral("sampled_rows"), outcome.sampledRows},
            {QStringLiteral("interval_cents"), QString::number(outcome.intervalCents, 'f', 4)},
            {QStringLiteral("start_cents"), QString::number(outcome.startCents)},
            {QStringLiteral("credits"), int(outcome.credits.size())},
            {QStringLiteral("zeros"), int(outcome.zeros.size())}};
}
} // namespace

namespace SelectionParameters {

QString ofSelection(const SelectionPlan &plan, const SamplingOutcome &outcome)
{
    return compact(
        {{QStringLiteral("plan"), QJsonDocument::fromJson(plan.toJson().toUtf8()).object()},
         {QStringLiteral("outcome"), outcomeObject(outcome)}});
}

QString ofExtension(int added, const QList<int> &manual, const SamplingOutcome &outcome)
{
    QJsonArray byHand;
    for (int position : manual)
        byHand.append(position);
    return compact({{QStringLiteral("added"), added},
                    {QStringLiteral("manual"), byHand},
                    {QStringLiteral("outcome"), outcomeObject(outcome)}});
}

Round read(const SelectionRound &stored)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(stored.parameters.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        throw Exception(QStringLiteral("第 %1 轮选样的参数无法读取").arg(stored.round));
    const QJsonObject object = document.object();
    Round round;
    if (object.contains(QStringLiteral("plan")))
        round.plan =
            SelectionPlan::fromJson(compact(object.value(QStringLiteral("plan")).toObject()));
    round.added = object.value(QStringLiteral("added")).toInt();
    for (const QJsonValue position : object.value(QStringLiteral("manual")).toArray())
        round.manual.append(position.toInt());
    const QJsonObject outcome = object.value(QStringLiteral("outcome")).toObject();
    round.points = outcome.value(QStringLiteral("points")).toInt();
    round.sampledCents = outcome.value(QStringLiteral("sampled_cents")).toString().toLongLong();
    round.sampledRows = outcome.value(QStringLiteral("sampled_rows")).toInt();
    round.intervalCents = outcome.value(QStringLiteral("interval_cents")).toString().toDouble();
    round.startCents =
        outcome.value(QStringLiteral("start_cents")).toString(QStringLiteral("-1")).toLongLong();
    round.credits = outcome.value(QStringLiteral("credits")).toInt();
    round.zeros = outcome.value(QStringLiteral("zeros")).toInt();
    return round;
}

} // namespace SelectionParameters

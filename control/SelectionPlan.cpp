#include "SelectionPlan.h"

#include "platform/Exception.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

struct MethodNames
{
    SamplingMethod method;
    const char *key; // in the ledger's JSON: ASCII, never translated or renamed
    QString name;    // as the window shows it
};

const QList<MethodNames> &names()
{
    static const QList<MethodNames> list{
        {SamplingMethod::MonetarySystematic, "mus-systematic",
         QStringLiteral("货币单位抽样（系统选样）")},
        {SamplingMethod::MonetaryCell, "mus-cell",
         QStringLiteral("货币单位抽样（每区间随机一点）")},
        {SamplingMethod::SimpleRandom, "simple-random", QStringLiteral("简单随机抽样")},
        {SamplingMethod::Manual, "manual", QStringLiteral("手工选样")}};
    return list;
}

const MethodNames &namesOf(SamplingMethod method)
{
    for (const MethodNames &each : names())
        if (each.method == method)
            return each;
    Q_UNREACHABLE();
}

[[noreturn]] void unreadable(const QString &json)
{
    throw Exception(QStringLiteral("选样规则无法读取：%1").arg(json));
}

} // namespace

QString SelectionPlan::toJson() const
{
    QJsonObject object;
    if (keyThresholdCents)
        object.insert(QStringLiteral("keyThresholdCents"), *keyThresholdCents);
    object.insert(QStringLiteral("method"), QLatin1String(namesOf(method).key));
    object.insert(QStringLiteral("size"), size);
    if (tolerableCents)
        object.insert(QStringLiteral("tolerableCents"), *tolerableCents);
    if (expectedCents)
        object.insert(QStringLiteral("expectedCents"), *expectedCents);
    object.insert(QStringLiteral("confidence"), confidence);
    object.insert(QStringLiteral("seed"), seed);
    QJsonArray positions;
    for (int position : manual)
        positions.append(position);
    object.insert(QStringLiteral("manual"), positions);
    // QJsonObject keeps its keys sorted, so the same plan is always the same text.
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

SelectionPlan SelectionPlan::fromJson(const QString &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        unreadable(json);
    const QJsonObject object = document.object();
    auto amount = [&](const QString &key) -> std::optional<qint64> {
        const QJsonValue value = object.value(key);
        if (value.isUndefined() || value.isNull())
            return std::nullopt;
        if (!value.isDouble())
            unreadable(json);
        return value.toInteger();
    };
    SelectionPlan plan;
    plan.keyThresholdCents = amount(QStringLiteral("keyThresholdCents"));
    plan.tolerableCents = amount(QStringLiteral("tolerableCents"));
    plan.expectedCents = amount(QStringLiteral("expectedCents"));
    const QString key = object.value(QStringLiteral("method")).toString();
    bool known = false;
    for (const MethodNames &each : names())
        if (key == QLatin1String(each.key))
            plan.method = each.method, known = true;
    if (!known || !object.value(QStringLiteral("seed")).isString())
        unreadable(json);
    plan.size = object.value(QStringLiteral("size")).toInt();
    plan.confidence = object.value(QStringLiteral("confidence")).toInt(95);
    plan.seed = object.value(QStringLiteral("seed")).toString();
    for (const QJsonValue &position : object.value(QStringLiteral("manual")).toArray())
        plan.manual.append(position.toInt());
    return plan;
}

QString SelectionPlan::methodName(SamplingMethod method)
{
    return namesOf(method).name;
}

QList<SamplingMethod> SelectionPlan::methods()
{
    QList<SamplingMethod> list;
    for (const MethodNames &each : names())
        list.append(each.method);
    return list;
}

SamplingMethod SelectionPlan::methodNamed(const QString &name)
{
    for (const MethodNames &each : names())
        if (each.name == name)
            return each.method;
    throw Exception(QStringLiteral("没有名为“%1”的选样方法").arg(name));
}

#pragma once
// The rules of one selection as the user sets them, kept in the ledger as a JSON object so
// that the selection can be shown and repeated.

#include <QList>
#include <QString>
#include <optional>

enum class SamplingMethod
{
    MonetarySystematic, // a point every interval from a random start
    MonetaryCell,       // one random point in each interval
    SimpleRandom,       // rows, each as likely as any other
    Manual              // the rows the user picks, nothing drawn
};

struct SelectionPlan
{
    // Rows at or above it are 重要项目, all picked; none when not set.
    std::optional<qint64> keyThresholdCents;
    SamplingMethod method = SamplingMethod::MonetarySystematic;
    // Points (monetary units) or rows (simple random) drawn from the rest.
    int size = 0;
    // When the size was computed: what it was computed from (SampleSize).
    std::optional<qint64> tolerableCents, expectedCents;
    int confidence = 95;
    QString seed;
    // Rows (positions) the user picked by hand, credit and zero balances among them.
    QList<int> manual;

    QString toJson() const;
    // Raises Exception when 'json' holds no plan.
    static SelectionPlan fromJson(const QString &json);

    // "货币单位抽样（系统选样）", "货币单位抽样（每区间随机一点）", "简单随机抽样", "手工选样".
    static QString methodName(SamplingMethod method);
    static QList<SamplingMethod> methods();
    // Raises Exception for a name none of the methods has.
    static SamplingMethod methodNamed(const QString &name);
};

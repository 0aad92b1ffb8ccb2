#include "ReplyAreas.h"

#include "engine/ReportTemplate.h"

#include "platform/Exception.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QJsonArray rectJson(const QRectF &rect)
{
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

QRectF rectOf(const QJsonValue &value)
{
    const QJsonArray numbers = value.toArray();
    if (numbers.size() != 4)
        throw Exception(QStringLiteral("回函区的记录已损坏"));
    for (const QJsonValue &number : numbers)
        if (!number.isDouble())
            throw Exception(QStringLiteral("回函区的记录已损坏"));
    const QRectF rect(numbers[0].toDouble(), numbers[1].toDouble(), numbers[2].toDouble(),
                      numbers[3].toDouble());
    if (rect.width() < 0 || rect.height() < 0)
        throw Exception(QStringLiteral("回函区的记录已损坏"));
    return rect;
}

} // namespace

QString ReplyAreas::toJson() const
{
    QJsonArray areas;
    for (const QRectF &rect : free)
        areas.append(rectJson(rect));
    QJsonObject object{{QStringLiteral("free"), areas},
                       {QStringLiteral("agree"), rectJson(agree)},
                       {QStringLiteral("disagree"), rectJson(disagree)}};
    if (!differences.isEmpty())
        object.insert(QStringLiteral("differences"), rectJson(differences));
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

ReplyAreas ReplyAreas::fromJson(const QString &json)
{
    const QJsonDocument document = QJsonDocument::fromJson(json.toUtf8());
    if (!document.isObject())
        throw Exception(QStringLiteral("回函区的记录已损坏"));
    const QJsonObject object = document.object();
    if (!object.value(QStringLiteral("free")).isArray())
        throw Exception(QStringLiteral("回函区的记录已损坏"));
    ReplyAreas areas;
    for (const QJsonValue &rect : object.value(QStringLiteral("free")).toArray())
        areas.free.append(rectOf(rect));
    areas.agree = rectOf(object.value(QStringLiteral("agree")));
    areas.disagree = rectOf(object.value(QStringLiteral("disagree")));
    if (object.contains(QStringLiteral("differences")))
        areas.differences = rectOf(object.value(QStringLiteral("differences")));
    return areas;
}

ReplyAreas ReplyAreas::shippedLetter()
{
    ReplyAreas areas;
    areas.agree = QRectF(20, 192, 83, 82);
    areas.disagree = QRectF(107, 192, 83, 82);
    areas.differences = QRectF(111, 210, 75, 37);
    // The reply-address blanks, and the client's stamp and date beside them.
    areas.free = {areas.agree, areas.disagree, QRectF(20, 165, 90, 16), QRectF(115, 160, 75, 22)};
    return areas;
}

ReplyAreas ReplyAreas::of(const ReportTemplate &report)
{
    ReplyAreas areas;
    for (QRectF region : report.replyRegions()) {
        // A ruled line is written on above it and a little below.
        if (region.height() < 2)
            region.adjust(0, -5, 0, 2);
        if (region.width() < 2)
            region.adjust(-2, 0, 2, 0);
        areas.free.append(region);
    }
    auto named = [&](const QString &name) {
        const int index = report.elementIndex(name);
        return index >= 0 ? report.elements[index].rectMm : QRectF();
    };
    areas.agree = named(QStringLiteral("数据证明无误"));
    areas.disagree = named(QStringLiteral("数据不符"));
    for (const ReportElement &element : report.elements)
        if (element.kind == ElementKind::Line && !areas.disagree.isEmpty() &&
            areas.disagree.contains(element.rectMm.center()))
            areas.differences |= element.rectMm.normalized().adjusted(0, -6, 0, 4);
    return areas;
}

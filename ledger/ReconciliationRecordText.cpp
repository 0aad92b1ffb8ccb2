#include "ReconciliationRecordText.h"

#include "AmountText.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {
QString compact(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

// Whole cents past 2^53 do not survive a JSON number: amounts go as text.
QJsonObject withPosition(QJsonObject object, int position)
{
    if (position >= 0)
        object.insert(QStringLiteral("position"), position);
    return object;
}

QString said(const QString &text)
{
    const QJsonObject object = QJsonDocument::fromJson(text.toUtf8()).object();
    if (object.isEmpty())
        return text;
    auto value = [&object](const char *key) { return object.value(QLatin1String(key)).toString(); };
    const QString amount = AmountText::of(value("cents").toLongLong());
    if (object.contains(QStringLiteral("conclusion"))) {
        QString words =
            QStringLiteral("%1，确认金额 %2")
                .arg(value("conclusion"), AmountText::of(value("covered").toLongLong()));
        if (!value("note").isEmpty())
            words += QStringLiteral("：") + value("note");
        return words;
    }
    QStringList where;
    if (!value("date").isEmpty())
        where.append(value("date"));
    if (!value("reference").isEmpty())
        where.append(value("reference"));
    QString words = value("kind") + QLatin1Char(' ') + amount;
    if (!where.isEmpty())
        words += QStringLiteral("（%1）").arg(where.join(QStringLiteral("，")));
    if (!value("note").isEmpty())
        words += QStringLiteral("：") + value("note");
    return words;
}
} // namespace

namespace ReconciliationRecordText {

QString itemText(const ReconcilingItem &item, int position)
{
    return compact(withPosition({{QStringLiteral("kind"), item.kind},
                                 {QStringLiteral("cents"), QString::number(item.cents)},
                                 {QStringLiteral("date"), item.date.toString(Qt::ISODate)},
                                 {QStringLiteral("reference"), item.reference},
                                 {QStringLiteral("note"), item.note}},
                                position));
}

QString evidenceText(const AlternativeEvidence &evidence, int position)
{
    return compact(withPosition({{QStringLiteral("kind"), evidence.kind},
                                 {QStringLiteral("cents"), QString::number(evidence.cents)},
                                 {QStringLiteral("date"), evidence.date.toString(Qt::ISODate)},
                                 {QStringLiteral("reference"), evidence.reference}},
                                position));
}

QString conclusionText(const std::optional<AlternativeProcedure> &procedure)
{
    if (!procedure)
        return {};
    return compact({{QStringLiteral("covered"), QString::number(procedure->coveredCents)},
                    {QStringLiteral("conclusion"), procedure->conclusion},
                    {QStringLiteral("note"), procedure->note}});
}

QString withoutPosition(const QString &text, int *position)
{
    QJsonObject object = QJsonDocument::fromJson(text.toUtf8()).object();
    *position = object.value(QStringLiteral("position")).toInt(-1);
    object.remove(QStringLiteral("position"));
    return compact(object);
}

QString readable(const LogEntry &entry)
{
    if (entry.newValue.isEmpty() && !entry.oldValue.isEmpty())
        return QStringLiteral("删去：") + said(entry.oldValue);
    return said(entry.newValue);
}

QString readableOld(const LogEntry &entry)
{
    return said(entry.oldValue);
}

} // namespace ReconciliationRecordText

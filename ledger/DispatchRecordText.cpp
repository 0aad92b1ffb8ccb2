#include "DispatchRecordText.h"

#include "LogChain.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {
QString compact(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}
} // namespace

namespace DispatchRecordText {

QString messageText(const MessageRecord &message)
{
    return compact({{QStringLiteral("kind"), message.kind},
                    {QStringLiteral("to"), message.recipient},
                    {QStringLiteral("subject"), message.subject},
                    {QStringLiteral("message_id"), message.messageId},
                    {QStringLiteral("at"), LogChain::timeText(message.at)},
                    {QStringLiteral("state"), message.state},
                    {QStringLiteral("reply"), message.serverReply}});
}

QString addressText(const AddressCheck &check)
{
    return compact({{QStringLiteral("by"), check.by},
                    {QStringLiteral("how"), check.how},
                    {QStringLiteral("on"), check.on.toString(Qt::ISODate)},
                    {QStringLiteral("note"), check.note}});
}

QString readable(const QString &action, const QString &text)
{
    const QJsonObject object = QJsonDocument::fromJson(text.toUtf8()).object();
    auto value = [&object](const char *key) { return object.value(QLatin1String(key)).toString(); };
    if (object.isEmpty())
        return text;
    if (action == QStringLiteral("邮件"))
        return QStringLiteral("%1 → %2：%3（%4）")
            .arg(value("kind"), value("to"), value("state"), value("reply"));
    if (action == QStringLiteral("核实地址"))
        return QStringLiteral("%1 于 %2 %3%4")
            .arg(value("by"), value("on"), value("how"),
                 value("note").isEmpty() ? QString() : QStringLiteral("：") + value("note"));
    return text;
}

} // namespace DispatchRecordText

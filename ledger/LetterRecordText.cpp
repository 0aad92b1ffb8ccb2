#include "LetterRecordText.h"

#include "DispatchRecordText.h"
#include "ReconciliationRecordText.h"
#include "SelectionRecordText.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

namespace LetterRecordText {
namespace {
QJsonArray fieldsArray(const QList<QPair<QString, QString>> &fields)
{
    QJsonArray array;
    for (const auto &[name, text] : fields)
        array.append(QJsonArray{name, text});
    return array;
}

QList<QPair<QString, QString>> fieldsOf(const QJsonArray &array)
{
    QList<QPair<QString, QString>> fields;
    for (const QJsonValue &pair : array)
        fields.append({pair.toArray().at(0).toString(), pair.toArray().at(1).toString()});
    return fields;
}

// QJsonObject keeps its keys sorted, so equal identities give equal texts.
QJsonObject identityObject(const LetterIdentity &identity)
{
    return QJsonObject{
        {QStringLiteral("number"), identity.number.trimmed()},
        {QStringLiteral("customer"), identity.customer},
        {QStringLiteral("cutOff"), identity.cutOff.toString(Qt::ISODate)},
        {QStringLiteral("cents"),
         identity.cents ? QJsonValue(QString::number(*identity.cents)) : QJsonValue()},
        {QStringLiteral("template"), identity.templateName},
        {QStringLiteral("fields"), fieldsArray(identity.fields)},
    };
}

LetterIdentity identityOf(const QJsonObject &object)
{
    LetterIdentity identity;
    identity.number = object.value(QStringLiteral("number")).toString();
    identity.customer = object.value(QStringLiteral("customer")).toString();
    identity.cutOff =
        QDate::fromString(object.value(QStringLiteral("cutOff")).toString(), Qt::ISODate);
    if (const QJsonValue cents = object.value(QStringLiteral("cents")); cents.isString())
        identity.cents = cents.toString().toLongLong();
    identity.templateName = object.value(QStringLiteral("template")).toString();
    identity.fields = fieldsOf(object.value(QStringLiteral("fields")).toArray());
    return identity;
}
} // namespace

QString identityText(const LetterIdentity &identity)
{
    return QString::fromUtf8(
        QJsonDocument(identityObject(identity)).toJson(QJsonDocument::Compact));
}

QString fieldsText(const QList<QPair<QString, QString>> &fields)
{
    return QString::fromUtf8(QJsonDocument(fieldsArray(fields)).toJson(QJsonDocument::Compact));
}

QList<QPair<QString, QString>> fieldsFromText(const QString &text)
{
    return fieldsOf(QJsonDocument::fromJson(text.toUtf8()).array());
}

} // namespace LetterRecordText

bool LetterIdentity::sameContent(const LetterIdentity &other) const
{
    return LetterRecordText::identityText(*this) == LetterRecordText::identityText(other);
}

QString SentPage::contact(LetterField field) const
{
    for (const auto &[kept, text] : contacts)
        if (kept == field)
            return text.trimmed();
    return {};
}

namespace LetterRecordText {

QString sentText(const LetterIdentity &identity, qint64 run, const QByteArray &pageSha256,
                 const QString &follows, bool keyedCode)
{
    QJsonObject object{
        {QStringLiteral("letter"), identityObject(identity)},
        {QStringLiteral("run"), QString::number(run)},
        {QStringLiteral("page"), QString::fromLatin1(pageSha256)},
    };
    // Only second requests say what they follow: a first letter's text stays as it was.
    if (!follows.isEmpty())
        object.insert(QStringLiteral("follows"), follows);
    if (keyedCode)
        object.insert(QStringLiteral("keyedCode"), true);
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

void sentFromText(const QString &text, LetterIdentity *identity, qint64 *run,
                  QByteArray *pageSha256, QString *follows, bool *keyedCode)
{
    const QJsonObject object = QJsonDocument::fromJson(text.toUtf8()).object();
    *identity = identityOf(object.value(QStringLiteral("letter")).toObject());
    *run = object.value(QStringLiteral("run")).toString().toLongLong();
    *pageSha256 = object.value(QStringLiteral("page")).toString().toLatin1();
    if (follows)
        *follows = object.value(QStringLiteral("follows")).toString();
    if (keyedCode)
        *keyedCode = object.value(QStringLiteral("keyedCode")).toBool();
}

QString runText(const LedgerRun &run)
{
    QJsonObject object{
        {QStringLiteral("kind"), run.kind},
        {QStringLiteral("output"), run.output},
        {QStringLiteral("template"), run.templateName},
        {QStringLiteral("letters"), run.letters},
        {QStringLiteral("reprints"), run.reprints},
    };
    // Runs before reply areas were kept keep their text as it was logged.
    if (!run.replyAreas.isEmpty())
        object.insert(QStringLiteral("replyAreas"), run.replyAreas);
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString replyText(const ReplyPageRecord &page)
{
    QJsonObject object{
        {QStringLiteral("file"), QString::fromLatin1(page.fileSha256)},
        {QStringLiteral("page"), page.page},
        {QStringLiteral("path"), page.file},
        {QStringLiteral("number"), page.number},
        {QStringLiteral("state"), page.state},
        {QStringLiteral("received"), page.received.toString(Qt::ISODate)},
        {QStringLiteral("channel"), page.channel},
    };
    // Pages read before replies were checked keep their text as it was logged.
    for (const auto &[key, value] :
         {std::pair{"codeCheck", &page.codeCheck}, std::pair{"alteration", &page.alteration},
          std::pair{"regions", &page.regions}, std::pair{"marks", &page.marks},
          std::pair{"suggestion", &page.suggestion}})
        if (!value->isEmpty())
            object.insert(QLatin1String(key), *value);
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

} // namespace LetterRecordText

QString LedgerLetter::state() const
{
    if (voided.isValid())
        return QStringLiteral("已作废");
    if (const QString result = value(LetterField::Result); !result.isEmpty())
        return result;
    return answered ? QStringLiteral("已回函") : QStringLiteral("已发函");
}

namespace LetterRecordText {

namespace {
bool isReconciliation(const LogEntry &entry)
{
    return entry.field == ReconciliationRecordText::ItemField ||
           entry.field == ReconciliationRecordText::EvidenceField ||
           entry.field == ReconciliationRecordText::ConclusionField;
}
} // namespace

QString readableOldValue(const LogEntry &entry)
{
    return isReconciliation(entry) ? ReconciliationRecordText::readableOld(entry) : entry.oldValue;
}

QString readableValue(const LogEntry &entry)
{
    if (isReconciliation(entry))
        return ReconciliationRecordText::readable(entry);
    const QJsonObject object = QJsonDocument::fromJson(entry.newValue.toUtf8()).object();
    if (object.isEmpty())
        return entry.newValue;
    auto text = [&object](const char *key) { return object.value(QLatin1String(key)).toString(); };
    if (entry.action == QStringLiteral("发函") || entry.action == QStringLiteral("重印")) {
        LetterIdentity identity;
        qint64 run = 0;
        QByteArray page;
        sentFromText(entry.newValue, &identity, &run, &page);
        if (entry.action == QStringLiteral("重印"))
            return QStringLiteral("第 %1 批重印").arg(run);
        QStringList parts{identity.customer,
                          QStringLiteral("基准日 %1").arg(identity.cutOff.toString(Qt::ISODate))};
        if (identity.cents)
            parts.append(QStringLiteral("金额 %1").arg(
                QLocale(QLocale::English).toString(double(*identity.cents) / 100, 'f', 2)));
        parts.append(identity.templateName);
        for (const auto &[name, value] : identity.fields)
            parts.append(name + QLatin1Char('=') + value);
        parts.append(QStringLiteral("第 %1 批").arg(run));
        return parts.join(QStringLiteral("；"));
    }
    if (entry.action == QStringLiteral("运行"))
        return QStringLiteral("%1：%2（新发 %3 封，重印 %4 封）")
            .arg(text("kind"), text("output"))
            .arg(object.value(QStringLiteral("letters")).toInt())
            .arg(object.value(QStringLiteral("reprints")).toInt());
    if (entry.action == QStringLiteral("回函页")) {
        QString said = QStringLiteral("%1 第 %2 页：%3")
                           .arg(QFileInfo(text("path")).fileName())
                           .arg(object.value(QStringLiteral("page")).toInt())
                           .arg(text("state"));
        QStringList how;
        if (!text("received").isEmpty())
            how.append(QStringLiteral("收到 %1").arg(text("received")));
        if (!text("channel").isEmpty())
            how.append(text("channel"));
        if (!how.isEmpty())
            said += QStringLiteral("（%1）").arg(how.join(QStringLiteral("，")));
        return said;
    }
    if (entry.action == QStringLiteral("邮件") || entry.action == QStringLiteral("核实地址"))
        return DispatchRecordText::readable(entry.action, entry.newValue);
    return SelectionRecordText::readable(entry.action, entry.newValue);
}

} // namespace LetterRecordText

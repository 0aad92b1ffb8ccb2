#include "MailTemplate.h"

#include <QLocale>
#include <QRegularExpression>

namespace MailTemplate {

const QString LetterSubject = QStringLiteral("询证函 {函证编号}（{审计项目}）");
const QString LetterBody =
    QStringLiteral("{被询证单位}：\n\n"
                   "本所承办{审计项目}，按照中国注册会计师审计准则的要求，需向贵单位询证"
                   "截至{截止日期}的往来款项。随函附上询证函（函证编号 {函证编号}），请核对后盖章，"
                   "按函中地址直接寄回本所。\n\n"
                   "如有疑问，请回复本邮件。\n\n此致\n敬礼");
const QString ReminderSubject = QStringLiteral("催询：询证函 {函证编号} 尚未收到回函");
const QString ReminderBody = QStringLiteral(
    "{被询证单位}：\n\n"
    "本所于{发函日期}发出的询证函（函证编号 {函证编号}，截至{截止日期}，金额 {金额} 元）"
    "已过 {天数} 天，尚未收到贵单位的回函。烦请尽快核对、盖章后寄回本所；"
    "如已寄出，请忽略本邮件。\n\n此致\n敬礼");

QHash<QString, QString> fieldsOf(const LedgerLetter &letter, const QString &engagement,
                                 const QDate &sentOn, std::optional<int> age)
{
    const LetterIdentity &identity = letter.identity;
    QHash<QString, QString> fields;
    for (const auto &[name, text] : identity.fields)
        fields.insert(name, text);
    fields.insert(QStringLiteral("函证编号"), identity.number);
    fields.insert(QStringLiteral("被询证单位"), identity.customer);
    fields.insert(QStringLiteral("截止日期"),
                  identity.cutOff.isValid()
                      ? identity.cutOff.toString(QStringLiteral("yyyy年M月d日"))
                      : QString());
    // Grouped in thousands and to the cent, as the letter prints an amount.
    fields.insert(QStringLiteral("金额"),
                  identity.cents ? QLocale(QLocale::Chinese, QLocale::China)
                                       .toString(double(*identity.cents) / 100.0, 'f', 2)
                                 : QString());
    fields.insert(QStringLiteral("发函日期"),
                  sentOn.isValid() ? sentOn.toString(QStringLiteral("yyyy年M月d日")) : QString());
    fields.insert(QStringLiteral("审计项目"), engagement);
    if (!letter.follows.isEmpty() || !fields.contains(QStringLiteral("原函编号")))
        fields.insert(QStringLiteral("原函编号"), letter.follows);
    fields.insert(QStringLiteral("天数"), age ? QString::number(*age) : QString());
    fields.insert(QStringLiteral("邮箱"), letter.value(LetterField::Email));
    return fields;
}

QString fill(const QString &text, const QHash<QString, QString> &fields)
{
    static const QRegularExpression field(QStringLiteral(R"(\{([^{}\s]+)\})"));
    QString filled;
    qsizetype last = 0;
    for (auto it = field.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        filled += text.mid(last, match.capturedStart() - last);
        const auto value = fields.constFind(match.captured(1));
        filled += value != fields.constEnd() ? *value : match.captured(0);
        last = match.capturedEnd();
    }
    return filled + text.mid(last);
}

} // namespace MailTemplate

#pragma once
// The subjects and bodies of the e-mails, as texts with fields in braces ({函证编号}) filled
// from the letter, and the texts they start with.

#include "ledger/LedgerTypes.h"

#include <QHash>
#include <QString>

namespace MailTemplate {
extern const QString LetterSubject;
extern const QString LetterBody;
extern const QString ReminderSubject;
extern const QString ReminderBody;

// The fields of a letter: 函证编号, 被询证单位, 截止日期, 金额, 发函日期, 审计项目, 原函编号,
// 天数 (since it left), 邮箱 and the template's further fields by their names.
QHash<QString, QString> fieldsOf(const LedgerLetter &letter, const QString &engagement,
                                 const QDate &sentOn, std::optional<int> age);
// 'text' with each {name} of 'fields' put in; a name not among them stays as written, so
// that a mistyped field shows in the message instead of vanishing.
QString fill(const QString &text, const QHash<QString, QString> &fields);
} // namespace MailTemplate

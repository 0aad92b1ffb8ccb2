#include "RegisterLetters.h"

#include "report/RecordFetch.h"

#include <QHash>

RegisterLetters RegisterLetters::ofRun(const ReportDocument &letters, const QString &templateName)
{
    auto field = [&letters](const QString &name) -> Value {
        const int index = letters.report.fieldIndex(name);
        return [&letters, index](int letter) {
            return index >= 0 ? letters.records[letter].value(index) : QVariant();
        };
    };
    RegisterLetters result;
    result.count = letters.pageCount();
    result.number = field(RecordFetch::LetterNumber);
    result.customer = field(RecordFetch::Customer);
    result.cutOff = field(RecordFetch::CutOffDate);
    result.amount = field(RecordFetch::Amount);
    result.sendDate = [&letters](int) { return QVariant(letters.printDate); };
    result.templateName = [templateName](int) { return QVariant(templateName); };
    for (const FieldDeclaration &declared : letters.report.fields)
        if (!RecordFetch::Fields.contains(declared.name))
            result.further.append({declared.name,
                                   declared.type == FieldType::Date     ? Kind::Date
                                   : declared.type == FieldType::Number ? Kind::Amount
                                                                        : Kind::Text,
                                   field(declared.name)});
    return result;
}

RegisterLetters RegisterLetters::ofLedger(const QList<LedgerLetter> &letters,
                                          const Evaluation::Result *evaluation)
{
    RegisterLetters result;
    result.count = int(letters.size());
    result.number = [&letters](int i) { return QVariant(letters[i].identity.number); };
    result.customer = [&letters](int i) { return QVariant(letters[i].identity.customer); };
    result.cutOff = [&letters](int i) {
        const QDate date = letters[i].identity.cutOff;
        return date.isValid() ? QVariant(date) : QVariant();
    };
    result.amount = [&letters](int i) {
        const auto cents = letters[i].identity.cents;
        return cents ? QVariant(double(*cents) / 100) : QVariant();
    };
    result.kept = [&letters](LetterField field, int i) -> QVariant {
        const QString text = letters[i].value(field);
        if (text.isEmpty())
            return {};
        switch (field) {
        case LetterField::SendDate:
        case LetterField::ReplyDate:
            if (const QDate date = QDate::fromString(text, Qt::ISODate); date.isValid())
                return date;
            break;
        case LetterField::ReplyAmount: {
            bool ok = false;
            if (const double amount = text.toDouble(&ok); ok)
                return amount;
            break;
        }
        default:
            break;
        }
        return text;
    };
    result.sendDate = [kept = result.kept](int i) { return kept(LetterField::SendDate, i); };
    result.templateName = [&letters](int i) { return QVariant(letters[i].identity.templateName); };
    // The further fields are the templates' own: letters of several templates bring
    // several, each a column once, in the order they first come.
    QHash<QString, int> places;
    for (const LedgerLetter &letter : letters)
        for (const auto &[name, text] : letter.identity.fields)
            if (!places.contains(name)) {
                places.insert(name, int(result.further.size()));
                result.further.append({name, Kind::Text, [&letters, name](int i) -> QVariant {
                                           for (const auto &[own, value] :
                                                letters[i].identity.fields)
                                               if (own == name)
                                                   return value.isEmpty() ? QVariant() : value;
                                           return {};
                                       }});
            }
    if (evaluation) {
        QHash<QString, const Evaluation::Judged *> byNumber;
        for (const Evaluation::Judged &judged : evaluation->judged)
            if (judged.item.sent)
                byNumber.insert(judged.item.number, &judged);
        result.judged = [&letters, byNumber](int i) {
            return letters[i].follows.isEmpty() ? byNumber.value(letters[i].identity.number)
                                                : nullptr;
        };
    }
    return result;
}

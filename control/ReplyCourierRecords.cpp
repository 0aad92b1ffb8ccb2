#include "ReplyCourierRecords.h"

#include "ledger/LedgerStore.h"
#include "platform/Exception.h"

#include <QHash>
#include <QRegularExpression>

namespace ReplyCourierRecords {

namespace {
// "2027-01-05 10:23", "2027/1/5 10:23:40" or a day alone, as couriers' exports give them.
QPair<QString, QString> dayAndTime(const QString &text)
{
    static const QRegularExpression split(QStringLiteral("[ T]+"));
    const QStringList parts = text.trimmed().split(split, Qt::SkipEmptyParts);
    return {LedgerStore::normalized(LetterField::ReplyDate, parts.value(0)),
            LedgerStore::normalized(LetterField::ReplyTime, parts.value(1))};
}
} // namespace

QList<Change> changes(const LedgerStore &ledger, const QList<WaybillImport::Line> &lines)
{
    QHash<QString, const LedgerLetter *> byNumber, byWaybill;
    const QList<LedgerLetter> letters = ledger.letters();
    for (const LedgerLetter &letter : letters) {
        if (letter.voided.isValid())
            continue;
        byNumber.insert(letter.identity.number, &letter);
        if (const QString waybill = letter.value(LetterField::ReplyWaybill); !waybill.isEmpty())
            byWaybill.insert(waybill, &letter);
    }
    QList<Change> found;
    for (const WaybillImport::Line &line : lines) {
        auto refuse = [&](const QString &reason) {
            return Exception(
                QStringLiteral("第 %1 行：%2；未导入任何回函快递记录").arg(line.row).arg(reason));
        };
        const LedgerLetter *byItsNumber = byNumber.value(line.number);
        const LedgerLetter *byItsWaybill = byWaybill.value(line.waybill);
        if (!line.number.isEmpty() && !byItsNumber)
            throw refuse(
                QStringLiteral("函证台账中没有函证编号为“%1”的有效询证函").arg(line.number));
        if (line.number.isEmpty() && !byItsWaybill)
            throw refuse(
                QStringLiteral("运单号“%1”不是台账中任何询证函的回函快递单号").arg(line.waybill));
        const LedgerLetter &letter = byItsNumber ? *byItsNumber : *byItsWaybill;
        if (byItsWaybill && byItsWaybill != &letter)
            throw refuse(
                QStringLiteral("运单号“%1”是函证编号 %2 的回函快递单号，不是 %3 的")
                    .arg(line.waybill, byItsWaybill->identity.number, letter.identity.number));
        const QString keptWaybill = letter.value(LetterField::ReplyWaybill);
        if (!line.waybill.isEmpty() && !keptWaybill.isEmpty() && keptWaybill != line.waybill)
            throw refuse(QStringLiteral("函证编号 %1 的回函快递单号已是“%2”，这里是“%3”")
                             .arg(letter.identity.number, keptWaybill, line.waybill));
        Change change{letter.identity.number, letter.identity.customer, {}};
        auto set = [&](LetterField field, const QString &text, bool onlyWhenEmpty) {
            QString value;
            try {
                value = LedgerStore::normalized(field, text);
            } catch (const Exception &error) {
                throw refuse(error.message());
            }
            if (!value.isEmpty() && value != letter.value(field) &&
                (!onlyWhenEmpty || letter.value(field).isEmpty()))
                change.values.append({field, value});
        };
        set(LetterField::ReplyWaybill, line.waybill, false);
        set(LetterField::ReplyAddress, line.senderAddress, false);
        set(LetterField::ReplyPhone, line.senderPhone, false);
        if (!line.sentAt.isEmpty()) {
            QPair<QString, QString> posted;
            try {
                posted = dayAndTime(line.sentAt);
            } catch (const Exception &) {
                throw refuse(QStringLiteral("寄件时间“%1”不是日期和时刻").arg(line.sentAt));
            }
            // The day posted is the reply's day only where nothing better is known.
            if (letter.value(LetterField::ReplyDate).isEmpty()) {
                set(LetterField::ReplyDate, posted.first, true);
                set(LetterField::ReplyTime, posted.second, true);
            }
        }
        if (!change.values.isEmpty())
            found.append(change);
    }
    return found;
}

QString summary(const QList<Change> &changes)
{
    if (changes.isEmpty())
        return QStringLiteral("文件中的回函快递记录与台账相同，没有需要导入的内容。");
    QStringList lines;
    constexpr int shown = 20;
    for (const Change &change : changes.mid(0, shown)) {
        QStringList values;
        for (const auto &[field, text] : change.values)
            values.append(QStringLiteral("%1：%2").arg(LedgerStore::fieldName(field), text));
        lines.append(QStringLiteral("%1 %2 — %3")
                         .arg(change.number, change.customer, values.join(QStringLiteral("，"))));
    }
    if (changes.size() > shown)
        lines.append(QStringLiteral("…… 共 %1 封询证函").arg(changes.size()));
    return QStringLiteral("将为 %1 封询证函登记回函快递记录：\n%2")
        .arg(changes.size())
        .arg(lines.join(QLatin1Char('\n')));
}

void save(LedgerStore &ledger, const QList<Change> &changes)
{
    QList<QPair<QString, QList<QPair<LetterField, QString>>>> letters;
    QStringList gone;
    for (const Change &change : changes) {
        letters.append({change.number, change.values});
        if (!ledger.letter(change.number))
            gone.append(change.number);
    }
    if (!gone.isEmpty())
        throw Exception(
            QStringLiteral("函证编号 %1 已不在台账中（或已作废），未导入任何回函快递记录")
                .arg(gone.join(QStringLiteral("、"))));
    const QStringList unknown = ledger.setValuesOf(letters, QStringLiteral("导入"));
    if (!unknown.isEmpty())
        // Voided by another writer a moment ago: the others are kept, and that is said.
        throw Exception(QStringLiteral("函证编号 %1 刚被作废，其回函快递记录未导入；其余已导入")
                            .arg(unknown.join(QStringLiteral("、"))));
}

} // namespace ReplyCourierRecords

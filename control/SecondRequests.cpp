#include "SecondRequests.h"

#include "FollowUp.h"
#include "ledger/LedgerStore.h"
#include "platform/Exception.h"
#include "platform/ValueText.h"
#include "table/StringGridModel.h"

namespace SecondRequests {

QString numberFor(const LedgerStore &ledger, const QString &first)
{
    // Voided further requests keep their numbers: a new one takes the next.
    for (int n = 2;; ++n) {
        const QString number = QStringLiteral("%1-%2").arg(first.trimmed()).arg(n);
        if (ledger.lettersNumbered(number).isEmpty())
            return number;
    }
}

void fill(StringGridModel &table, const LedgerStore &ledger, const QList<LedgerLetter> &letters,
          const RegionalSettings &settings)
{
    QHash<qint64, QDateTime> runTimes;
    for (const LedgerRun &run : ledger.runs())
        runTimes.insert(run.id, run.at);
    QStringList further; // the first letters' further fields, in the order first met
    for (const LedgerLetter &letter : letters) {
        if (!FollowUp::awaitingReply(letter))
            throw Exception(
                QStringLiteral("函证编号 %1 的询证函%2，不需要第二次询证函")
                    .arg(letter.identity.number, letter.voided.isValid()
                                                     ? QStringLiteral("已作废")
                                                     : QStringLiteral("已有回函或函证结果")));
        for (const auto &[name, value] : letter.identity.fields)
            if (!further.contains(name) && name != FirstNumber && name != FirstDate)
                further.append(name);
    }
    const QStringList titles = QStringList{QStringLiteral("客户单位"),
                                           QStringLiteral("截止日期"),
                                           QStringLiteral("应收金额"),
                                           QStringLiteral("函编号"),
                                           FirstNumber,
                                           FirstDate} +
                               further;
    table.setColCount(int(titles.size()));
    table.setRowCount(int(letters.size()) + 1);
    for (int column = 0; column < titles.size(); ++column)
        table.setCells(column, 0, titles[column]);
    int row = 1;
    for (const LedgerLetter &letter : letters) {
        const LetterIdentity &first = letter.identity;
        table.setCells(0, row, first.customer);
        table.setCells(1, row,
                       ValueText::fromDate(ValueText::automationDate(first.cutOff), settings));
        if (first.cents)
            table.setCells(2, row, ValueText::fromNumber(double(*first.cents) / 100, settings));
        table.setCells(3, row, numberFor(ledger, first.number));
        table.setCells(4, row, first.number);
        if (const QDate left = FollowUp::sentOn(letter, runTimes); left.isValid())
            table.setCells(5, row, ValueText::fromDate(ValueText::automationDate(left), settings));
        for (const auto &[name, value] : first.fields)
            if (const qsizetype at = further.indexOf(name); at >= 0)
                table.setCells(int(6 + at), row, value);
        ++row;
    }
}

QString followsOf(const LetterIdentity &identity)
{
    for (const auto &[name, value] : identity.fields)
        if (name == FirstNumber)
            return value.trimmed();
    return QString();
}

} // namespace SecondRequests

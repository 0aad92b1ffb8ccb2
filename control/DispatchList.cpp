#include "DispatchList.h"

#include "ledger/LedgerStore.h"
#include "platform/Clock.h"
#include "platform/ValueText.h"
#include "table/StringGridModel.h"

namespace DispatchList {

QString addressOf(const LetterIdentity &letter)
{
    for (const QString &name : AddressFields)
        for (const auto &[field, text] : letter.fields)
            if (field == name && !text.trimmed().isEmpty())
                return text.trimmed();
    return QString();
}

void fill(StringGridModel &table, const LedgerStore &ledger, const QList<LedgerLetter> &letters,
          const RegionalSettings &settings)
{
    const QStringList titles = QStringList{QStringLiteral("客户单位"), QStringLiteral("截止日期"),
                                           QStringLiteral("应收金额"), QStringLiteral("函编号")} +
                               Columns;
    table.setColCount(int(titles.size()));
    table.setRowCount(int(letters.size()) + 1);
    for (int column = 0; column < titles.size(); ++column)
        table.setCells(column, 0, titles[column]);
    const QString engagement = ledger.engagement();
    int row = 1;
    for (const LedgerLetter &letter : letters) {
        const LetterIdentity &sent = letter.identity;
        // The list shows neither date nor amount, but the record fetch reads both: a letter
        // recorded without them still gets its row.
        const QDate cutOff = sent.cutOff.isValid() ? sent.cutOff : Clock::today();
        table.setCells(0, row, sent.customer);
        table.setCells(1, row, ValueText::fromDate(ValueText::automationDate(cutOff), settings));
        table.setCells(2, row,
                       ValueText::fromNumber(sent.cents ? double(*sent.cents) / 100 : 0, settings));
        table.setCells(3, row, sent.number);
        const QStringList values{QString::number(row),
                                 sent.number,
                                 sent.customer,
                                 addressOf(sent),
                                 letter.value(LetterField::SendMethod),
                                 letter.value(LetterField::Waybill),
                                 engagement};
        for (int i = 0; i < values.size(); ++i)
            table.setCells(4 + i, row, values[i]);
        ++row;
    }
}

} // namespace DispatchList

#pragma once
// A courier's records of the replies it carried, matched to the ledger's letters (by 函证编号
// or by the reply's waybill already kept) and turned into the fields they fill: 回函寄件地址,
// 回函寄件电话, 回函快递单号, and the day and time posted as 回函日期 and 回函时间 where the
// letter has none. Shown before anything is kept, then kept all at once.

#include "WaybillImport.h"
#include "ledger/LedgerTypes.h"

class LedgerStore;

namespace ReplyCourierRecords {
struct Change
{
    QString number, customer;
    QList<QPair<LetterField, QString>> values; // only those that change the letter
};

// The changes the lines make. Raises Exception, naming the row, when a line names no live
// letter, names two different letters by its number and its waybill, gives a letter a
// second reply waybill, or holds a value the ledger refuses.
QList<Change> changes(const LedgerStore &ledger, const QList<WaybillImport::Line> &lines);
// What the changes are, for the auditor to confirm.
QString summary(const QList<Change> &changes);
// Keeps the changes in one transaction, logged as 导入.
void save(LedgerStore &ledger, const QList<Change> &changes);
} // namespace ReplyCourierRecords

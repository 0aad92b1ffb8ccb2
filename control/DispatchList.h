#pragma once
// 发函清单: the letters handed to the courier, as the table the letter run reads to print the
// shipped template of that name: one row per letter, numbered in the order given.

#include "ledger/LedgerTypes.h"
#include "platform/RegionalSettings.h"

#include <QStringList>

class LedgerStore;
class StringGridModel;

namespace DispatchList {
inline const QString TemplateName = QStringLiteral("发函清单");

// The further fields a letter's address is taken from, the first one it carries with text:
// the import's 地址 first, then the titles workbooks use for a postal address.
inline const QStringList AddressFields{QStringLiteral("地址"),     QStringLiteral("通讯地址"),
                                       QStringLiteral("联系地址"), QStringLiteral("收件地址"),
                                       QStringLiteral("邮寄地址"), QStringLiteral("详细地址")};

// The list's columns after the four the record fetch reads by position.
inline const QStringList Columns{QStringLiteral("序号"),       QStringLiteral("函证编号"),
                                 QStringLiteral("被询证单位"), QStringLiteral("地址"),
                                 QStringLiteral("发函方式"),   QStringLiteral("快递单号"),
                                 QStringLiteral("审计项目")};

// A letter's address by AddressFields; empty when it carries none.
QString addressOf(const LetterIdentity &letter);

// Fills 'table' with 'letters' in their order: customer, cut-off date, amount and number by
// position, as every template of the letter run reads them, then Columns by title.
void fill(StringGridModel &table, const LedgerStore &ledger, const QList<LedgerLetter> &letters,
          const RegionalSettings &settings);
} // namespace DispatchList

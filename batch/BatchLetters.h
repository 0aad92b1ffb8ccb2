#pragma once
// The letters of a command's workbook, as the desktop program's print run makes them.

#include "BatchCommand.h"
#include "ledger/LedgerTypes.h"

#include <QList>
#include <QVariant>
#include <functional>
#include <optional>

class ReportEngine;
class StringGridModel;
struct ReportDocument;
using RecordValues = QList<QVariant>;

// Where the letters came from, for a command that names them.
struct BatchLetterSource
{
    QString templateName;           // the template file's name without ".grf"
    QStringList places;             // each letter's row, as the sheet names it (第5行)
    QList<LetterContacts> contacts; // each letter's 邮箱, 地址, 电话, of the columns the table has
};

// The letters of the workbook named in the arguments, with the template of --template,
// as the desktop program's print run makes them. 'committed' sees each record.
// 'rowsOf', when given, names the table's rows that make letters (a selection's picks).
ReportDocument
batchLetters(BatchArguments &arguments, ReportEngine &engine,
             const std::function<void(const RecordValues &)> &committed = {},
             BatchLetterSource *source = nullptr,
             const std::function<std::optional<QList<int>>(const StringGridModel &)> &rowsOf = {});

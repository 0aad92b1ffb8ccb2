#pragma once
// The letters of a command's workbook, as the desktop program's print run makes them.

#include "BatchCommand.h"

#include <QList>
#include <QVariant>
#include <functional>

class ReportEngine;
struct ReportDocument;
using RecordValues = QList<QVariant>;

// The letters of the workbook named in the arguments, with the template of --template,
// as the desktop program's print run makes them. 'committed' sees each record.
ReportDocument batchLetters(BatchArguments &arguments, ReportEngine &engine,
                            const std::function<void(const RecordValues &)> &committed = {});

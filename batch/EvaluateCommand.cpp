#include "EvaluateCommand.h"

#include "control/CsvTable.h"
#include "control/Evaluation.h"
#include "ledger/LedgerStore.h"

int runEvaluateCommand(BatchArguments arguments)
{
    const QString path = arguments.takeOption(QStringLiteral("--ledger"));
    const QString csv = arguments.takeOption(QStringLiteral("--csv"));
    arguments.requireNoneLeft();
    if (path.isEmpty())
        throw UsageError(QStringLiteral("evaluate 须用 --ledger 给出函证台账"));
    const auto ledger = LedgerStore::open(path);
    const Evaluation::Result result = Evaluation::evaluate(Evaluation::inputOf(*ledger));
    if (!csv.isEmpty())
        CsvTable::write(csv, Evaluation::table(result));
    for (const auto &[label, value] : Evaluation::lines(result))
        BatchOutput::writeCells({label, value});
    return result.exceedsTolerable ? kExceedsTolerableStatus : 0;
}

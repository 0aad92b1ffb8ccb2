#include "CheckCommand.h"

#include "WorkbookTable.h"
#include "platform/ErrorText.h"
#include "report/LetterRun.h"

int runCheckCommand(BatchArguments arguments)
{
    const WorkbookTable imported(arguments.positional(1).constFirst());
    const QList<LetterRun::RowProblem> problems =
        LetterRun(imported.table(), RegionalSettings::user()).check();
    for (const LetterRun::RowProblem &problem : problems)
        BatchOutput::write(QStringLiteral("第%1行: %2\n")
                               .arg(imported.firstSheetRow() + problem.row)
                               .arg(errorBoxText(problem.message)));
    if (!problems.isEmpty())
        return 1;
    BatchOutput::write(
        QStringLiteral("共 %1 行数据，全部可以打印\n").arg(imported.table().RowCount() - 1));
    return 0;
}

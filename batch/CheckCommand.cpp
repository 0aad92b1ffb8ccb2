#include "CheckCommand.h"

#include "LetterRun.h"
#include "platform/Clock.h"
#include "platform/ErrorText.h"
#include "platform/TextToValue.h"

int runCheckCommand(BatchArguments arguments)
{
    LetterRun run(arguments);
    run.importWorkbook();
    const StringGridModel &table = run.table();
    const RegionalSettings &settings = RegionalSettings::user();
    const QDate today = Clock::today();
    int failing = 0;
    for (int row = 1; row < table.RowCount(); ++row) {
        try {
            // The date before the amount, as the record fetch reads them.
            TextToValue::date(table.Cells(1, row), settings, today);
            TextToValue::number(table.Cells(2, row), settings);
        } catch (const Exception &error) {
            ++failing;
            BatchOutput::write(QStringLiteral("第%1行: %2\n")
                                   .arg(run.firstSheetRow() + row)
                                   .arg(errorBoxText(error.message())));
        }
    }
    if (failing > 0)
        return 1;
    BatchOutput::write(QStringLiteral("共 %1 行数据，全部可以打印\n").arg(table.RowCount() - 1));
    return 0;
}

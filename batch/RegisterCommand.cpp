#include "RegisterCommand.h"

#include "LedgerTransferCommands.h"
#include "WorkbookTable.h"
#include "control/RegisterWriter.h"
#include "engine/ReportEngine.h"
#include "report/LetterRows.h"
#include "report/LetterRun.h"

#include <QFileInfo>

int runRegisterCommand(BatchArguments arguments)
{
    const QString out = arguments.takeOption(QStringLiteral("--out"));
    if (out.isEmpty())
        throw UsageError(QStringLiteral("缺少 --out FILE.xlsx"));
    if (const QString ledger = arguments.takeOption(QStringLiteral("--ledger"));
        !ledger.isEmpty()) {
        if (arguments.hasOption(QStringLiteral("--template")))
            throw UsageError(
                QStringLiteral("--ledger 不能与 --template 同用：台账记着每封函的模板"));
        arguments.requireNoneLeft();
        return LedgerTransferCommands::exportRegister(ledger, out);
    }
    const QString templateFile = LetterRun::templateFile(
        arguments.takeOption(QStringLiteral("--template"), LetterRun::DefaultTemplateName));
    const WorkbookTable imported(arguments.positional(1).constFirst());
    // The register tells letters apart by their numbers, whatever the template shows.
    LetterRows(imported.table()).requireNumbers();
    ReportEngine engine;
    const ReportDocument letters =
        LetterRun(imported.table(), RegionalSettings::user()).generate(engine, templateFile);
    RegisterWriter::write(letters, QFileInfo(templateFile).completeBaseName(), out);
    BatchOutput::write(QStringLiteral("已将 %1 封询证函登记到“%2”\n")
                           .arg(letters.pageCount())
                           .arg(QFileInfo(out).absoluteFilePath()));
    return 0;
}

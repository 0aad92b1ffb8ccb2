#include "BatchLetters.h"

#include "WorkbookTable.h"
#include "engine/ReportEngine.h"
#include "report/LetterRun.h"

ReportDocument batchLetters(BatchArguments &arguments, ReportEngine &engine,
                            const std::function<void(const RecordValues &)> &committed)
{
    const QString templateFile = LetterRun::templateFile(
        arguments.takeOption(QStringLiteral("--template"), LetterRun::DefaultTemplateName));
    const WorkbookTable imported(arguments.positional(1).constFirst());
    return LetterRun(imported.table(), RegionalSettings::user())
        .generate(engine, templateFile, committed);
}

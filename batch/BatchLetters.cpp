#include "BatchLetters.h"

#include "WorkbookTable.h"
#include "control/LetterRecording.h"
#include "engine/ReportEngine.h"
#include "report/LetterRows.h"
#include "report/LetterRun.h"

#include <QFileInfo>

ReportDocument
batchLetters(BatchArguments &arguments, ReportEngine &engine,
             const std::function<void(const RecordValues &)> &committed, BatchLetterSource *source,
             const std::function<std::optional<QList<int>>(const StringGridModel &)> &rowsOf)
{
    const QString templateFile = LetterRun::templateFile(
        arguments.takeOption(QStringLiteral("--template"), LetterRun::DefaultTemplateName));
    const WorkbookTable imported(arguments.positional(1).constFirst());
    LetterRun run(imported.table(), RegionalSettings::user());
    if (rowsOf)
        run.setRows(rowsOf(imported.table()));
    if (source) {
        source->templateName = QFileInfo(templateFile).completeBaseName();
        source->places.clear();
        for (int row : run.letterRows())
            source->places.append(LetterRows::place(imported.table(), row));
        source->contacts = LetterRecording::contacts(imported.table(), run.letterRows());
    }
    return run.generate(engine, templateFile, committed);
}

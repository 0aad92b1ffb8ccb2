#include "BatchLetters.h"

#include "WorkbookTable.h"
#include "engine/ReportEngine.h"
#include "report/LetterRows.h"
#include "report/LetterRun.h"

#include <QFileInfo>

ReportDocument batchLetters(BatchArguments &arguments, ReportEngine &engine,
                            const std::function<void(const RecordValues &)> &committed,
                            BatchLetterSource *source)
{
    const QString templateFile = LetterRun::templateFile(
        arguments.takeOption(QStringLiteral("--template"), LetterRun::DefaultTemplateName));
    const WorkbookTable imported(arguments.positional(1).constFirst());
    if (source) {
        source->templateName = QFileInfo(templateFile).completeBaseName();
        source->places.clear();
        const LetterRows letters(imported.table());
        for (int row : letters.rows())
            source->places.append(LetterRows::place(imported.table(), row));
    }
    return LetterRun(imported.table(), RegionalSettings::user())
        .generate(engine, templateFile, committed);
}

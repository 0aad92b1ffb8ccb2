#include "CheckCommand.h"

#include "WorkbookTable.h"
#include "engine/ReportEngine.h"
#include "platform/ErrorText.h"
#include "report/LetterRun.h"

int runCheckCommand(BatchArguments arguments)
{
    const QString templateFile = LetterRun::templateFile(
        arguments.takeOption(QStringLiteral("--template"), LetterRun::DefaultTemplateName));
    const WorkbookTable imported(arguments.positional(1).constFirst());
    ReportEngine engine;
    engine.LoadTemplateFile(templateFile);
    const QList<FieldDeclaration> &fields = engine.reportTemplate().fields;
    const LetterRun run(imported.table(), RegionalSettings::user());
    // Warnings first: they explain what an error below may come from.
    for (const QString &warning : run.warnings(fields))
        BatchOutput::write(QStringLiteral("警告：%1\n").arg(errorBoxText(warning)));
    const QList<LetterRun::RowProblem> problems = run.check(fields);
    for (const LetterRun::RowProblem &problem : problems)
        BatchOutput::write(problem.row == 0 ? errorBoxText(problem.message) + QLatin1Char('\n')
                                            : QStringLiteral("第%1行: %2\n")
                                                  .arg(imported.firstSheetRow() + problem.row)
                                                  .arg(errorBoxText(problem.message)));
    if (!problems.isEmpty())
        return 1;
    // Texts that do not fit even shrunk: the letters print, so these are warnings.
    ReportEngine letters;
    for (const LetterRun::Overflow &overflow :
         LetterRun::overflows(run.generate(letters, templateFile)))
        BatchOutput::write(QStringLiteral("警告：第%1行：“%2”的文字放不下.\n")
                               .arg(imported.firstSheetRow() + overflow.row)
                               .arg(overflow.element));
    BatchOutput::write(
        QStringLiteral("共 %1 行数据，全部可以打印\n").arg(imported.table().RowCount() - 1));
    return 0;
}

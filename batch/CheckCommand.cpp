#include "CheckCommand.h"

#include "WorkbookTable.h"
#include "engine/PageBounds.h"
#include "engine/ReportEngine.h"
#include "platform/ErrorText.h"
#include "report/LetterRows.h"
#include "report/LetterRun.h"

namespace {
void writeProblem(const LetterRun::Problem &problem, const QString &lead = QString())
{
    BatchOutput::write(
        lead + (problem.place.isEmpty() ? QString() : problem.place + QStringLiteral(": ")) +
        errorBoxText(problem.message) + QLatin1Char('\n'));
}
} // namespace

int runCheckCommand(BatchArguments arguments)
{
    const QString templateFile = LetterRun::templateFile(
        arguments.takeOption(QStringLiteral("--template"), LetterRun::DefaultTemplateName));
    const WorkbookTable imported(arguments.positional(1).constFirst());
    ReportEngine engine;
    engine.LoadTemplateFile(templateFile);
    const ReportTemplate &report = engine.reportTemplate();
    const LetterRun run(imported.table(), RegionalSettings::user());
    const LetterRows rows(imported.table());
    if (!rows.emptyRows().isEmpty())
        BatchOutput::write(QStringLiteral("跳过 %1 个空行：%2\n")
                               .arg(rows.emptyRows().size())
                               .arg(LetterRows::places(imported.table(), rows.emptyRows())));
    // Warnings first: they explain what an error below may come from.
    QStringList warnings = run.warnings(report.fields);
    if (const QString outside = PageBounds::warning(report); !outside.isEmpty())
        warnings.append(outside);
    for (const QString &warning : std::as_const(warnings))
        BatchOutput::write(QStringLiteral("警告：%1\n").arg(errorBoxText(warning)));
    const QList<LetterRun::Problem> problems = run.check(report);
    for (const LetterRun::Problem &problem : problems)
        writeProblem(problem);
    if (!problems.isEmpty())
        return 1;
    // Texts that do not fit even shrunk: the letters print, so these are warnings.
    ReportEngine letters;
    const QList<LetterRun::Problem> overflows = run.overflows(run.generate(letters, templateFile));
    QStringList warnedRows;
    for (const LetterRun::Problem &overflow : overflows) {
        writeProblem(overflow, QStringLiteral("警告："));
        if (!warnedRows.contains(overflow.place))
            warnedRows.append(overflow.place);
    }
    QString summary = QStringLiteral("共 %1 行数据，全部可以打印").arg(rows.rows().size());
    if (!warnedRows.isEmpty())
        summary += QStringLiteral("，%1 行有警告").arg(warnedRows.size());
    if (!warnings.isEmpty())
        summary += QStringLiteral("，另有 %1 条警告").arg(warnings.size());
    BatchOutput::write(summary + QLatin1Char('\n'));
    return 0;
}

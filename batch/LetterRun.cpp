#include "LetterRun.h"

#include "import/WorkbookImport.h"
#include "platform/Clock.h"
#include "platform/ProgramDirectory.h"
#include "platform/RegionalSettings.h"
#include "report/RecordFetch.h"
#include "report/TemplatePath.h"
#include "spreadsheet/WorkbookFileServer.h"
#include "table/StartUpLayout.h"

LetterRun::LetterRun(BatchArguments &arguments)
{
    m_template = templateFile(
        arguments.takeOption(QStringLiteral("--template"), QStringLiteral("应收帐款确认函")));
    m_workbook = arguments.positional(1).constFirst();
    applyStartUpLayout(m_table);
}

QString LetterRun::templateFile(const QString &nameOrFile)
{
    if (nameOrFile.contains(QLatin1Char('/')) || nameOrFile.contains(QLatin1Char('\\')) ||
        nameOrFile.endsWith(QLatin1String(".grf")))
        return nameOrFile;
    return templatePath(programDirectory(), nameOrFile);
}

void LetterRun::importWorkbook()
{
    WorkbookImport import(m_table, RegionalSettings::user(), WorkbookFileServer::factory());
    import.LoadFromWorkbook(m_workbook);
    m_firstSheetRow = import.firstSheetRow();
}

void LetterRun::loadTemplate()
{
    m_engine.LoadTemplateFile(m_template);
    m_engine.setTitle(QStringLiteral("打印预览"));
}

ReportDocument LetterRun::generate(const std::function<void(const RecordValues &)> &committed)
{
    m_engine.setFetchRecordHandler(
        [this] { RecordFetch::run(m_table, m_engine, RegionalSettings::user(), Clock::today()); });
    m_engine.DetailRecords().setCommitObserver([&](qsizetype count) {
        if (committed)
            committed(m_engine.DetailRecords().committed(count - 1));
    });
    ReportDocument document = m_engine.generate(Clock::today());
    m_engine.DetailRecords().setCommitObserver({});
    return document;
}

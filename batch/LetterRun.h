#pragma once
// What the batch commands that make letters share: the table as the Import command
// fills it, the template named on the command line, and the record fetch.

#include "BatchCommand.h"
#include "engine/ReportEngine.h"
#include "table/StringGridModel.h"

#include <memory>

class LetterRun
{
public:
    // Takes --template from the arguments; the remaining one is the workbook.
    explicit LetterRun(BatchArguments &arguments);

    // Imports the workbook into a table in its start-up state.
    void importWorkbook();
    // Loads the template (its flag is not examined, as the print run does).
    void loadTemplate();
    // Runs the record fetch; 'committed' sees each record as it is committed.
    ReportDocument generate(const std::function<void(const RecordValues &)> &committed = {});

    StringGridModel &table() { return m_table; }
    ReportEngine &engine() { return m_engine; }
    int firstSheetRow() const { return m_firstSheetRow; }

    // NAME_OR_FILE: a path separator or a .grf ending means a file, else a template name
    // in the program directory.
    static QString templateFile(const QString &nameOrFile);

private:
    QString m_workbook;
    QString m_template;
    StringGridModel m_table;
    ReportEngine m_engine;
    int m_firstSheetRow = 1;
};

#pragma once
// Copies the used range of a workbook's sheet into the receivables table, through the
// spreadsheet server.

#include "platform/RegionalSettings.h"
#include "spreadsheet/SpreadsheetServer.h"

class StringGridModel;

class WorkbookImport
{
public:
    WorkbookImport(StringGridModel &grid, const RegionalSettings &settings,
                   SpreadsheetServerFactory serverFactory);

    // Imports the active sheet.
    void LoadFromWorkbook(const QString &fileName);
    // Imports the sheet of that exact name; the active sheet when the name is empty.
    void LoadFromWorkbookSheet(const QString &fileName, const QString &sheetName);

private:
    void copy(Workbook &workbook, const QString &sheetName);

    StringGridModel &m_grid;
    const RegionalSettings &m_settings;
    SpreadsheetServerFactory m_serverFactory;
};

#include "WorkbookTable.h"

#include "import/WorkbookImport.h"
#include "spreadsheet/WorkbookFileServer.h"
#include "table/StartUpLayout.h"

WorkbookTable::WorkbookTable(const QString &workbook, const std::optional<QString> &sheet)
{
    applyStartUpLayout(m_table);
    WorkbookImport import(m_table, RegionalSettings::user(), WorkbookFileServer::factory());
    if (sheet)
        import.LoadFromWorkbookSheet(workbook, *sheet);
    else
        import.LoadFromWorkbook(workbook);
}

#include "WorkbookTable.h"

#include "import/WorkbookImport.h"
#include "spreadsheet/WorkbookFileServer.h"
#include "table/GridErrors.h"
#include "table/StartUpLayout.h"

WorkbookTable::WorkbookTable(const QString &workbook, const std::optional<QString> &sheet)
{
    applyStartUpLayout(m_table);
    WorkbookImport import(m_table, RegionalSettings::user(), WorkbookFileServer::factory());
    if (sheet) {
        try {
            import.LoadFromWorkbookSheet(workbook, *sheet);
        } catch (const EWorksheetNotFound &e) {
            // The import's own English words come after the user's.
            throw Exception(
                QStringLiteral("工作簿中没有名为“%1”的工作表：%2").arg(e.sheetName(), e.message()));
        }
    } else {
        import.LoadFromWorkbook(workbook);
    }
}

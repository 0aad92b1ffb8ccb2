#include "TableCommand.h"

#include "import/WorkbookImport.h"
#include "spreadsheet/WorkbookFileServer.h"
#include "table/StartUpLayout.h"
#include "table/StringGridModel.h"

int runTableCommand(BatchArguments arguments)
{
    const bool bySheet = arguments.hasOption(QStringLiteral("--sheet"));
    const QString sheetName = arguments.takeOption(QStringLiteral("--sheet"));
    const QString workbook = arguments.positional(1).constFirst();

    StringGridModel grid;
    applyStartUpLayout(grid);

    WorkbookImport import(grid, RegionalSettings::user(), WorkbookFileServer::factory());
    if (bySheet)
        import.LoadFromWorkbookSheet(workbook, sheetName);
    else
        import.LoadFromWorkbook(workbook);

    QString out;
    for (int row = 0; row < grid.RowCount(); ++row) {
        for (int col = 0; col < grid.ColCount(); ++col) {
            if (col > 0)
                out += QLatin1Char('\t');
            out += BatchOutput::escaped(grid.Cells(col, row), BatchOutput::Escapes::Table);
        }
        out += QLatin1Char('\n');
        if (out.size() > (1 << 20)) {
            BatchOutput::write(out);
            out.clear();
        }
    }
    BatchOutput::write(out);
    return 0;
}

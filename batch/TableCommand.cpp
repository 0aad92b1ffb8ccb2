#include "TableCommand.h"

#include "import/WorkbookImport.h"
#include "spreadsheet/WorkbookFileServer.h"
#include "table/StringGridModel.h"

namespace {

QString escaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case '\t':
            out += QLatin1String("\\t");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        case '\\':
            out += QLatin1String("\\\\");
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

int runTableCommand(BatchArguments arguments)
{
    const bool bySheet = arguments.hasOption(QStringLiteral("--sheet"));
    const QString sheetName = arguments.takeOption(QStringLiteral("--sheet"));
    const QString workbook = arguments.positional(1).constFirst();

    // The table in its start-up state, as the main window leaves it.
    StringGridModel grid;
    const int widths[] = {250, 200, 150, 150};
    for (int col = 0; col < 4; ++col)
        grid.setColWidths(col, widths[col]);
    grid.setRowCount(1);

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
            out += escaped(grid.Cells(col, row));
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

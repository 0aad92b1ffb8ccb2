#include "TableCommand.h"

#include "WorkbookTable.h"

int runTableCommand(BatchArguments arguments)
{
    const bool bySheet = arguments.hasOption(QStringLiteral("--sheet"));
    const QString sheetName = arguments.takeOption(QStringLiteral("--sheet"));
    const QString workbook = arguments.positional(1).constFirst();
    const WorkbookTable imported(workbook, bySheet ? std::optional(sheetName) : std::nullopt);
    const StringGridModel &grid = imported.table();

    QString out;
    out.reserve((1 << 20) + 4096);
    for (int row = 0; row < grid.RowCount(); ++row) {
        for (int col = 0; col < grid.ColCount(); ++col) {
            if (col > 0)
                out += QLatin1Char('\t');
            BatchOutput::appendEscaped(out, grid.cellView(col, row), BatchOutput::Escapes::Table);
        }
        out += QLatin1Char('\n');
        if (out.size() > (1 << 20)) {
            BatchOutput::write(out);
            out.resize(0); // keeps the buffer for the next block
        }
    }
    BatchOutput::write(out);
    return 0;
}

#include "WorkbookImport.h"

#include "AddressBounds.h"
#include "CellText.h"
#include "platform/BusyCursor.h"
#include "platform/ErrorText.h"
#include "spreadsheet/SpreadsheetError.h"
#include "table/GridErrors.h"
#include "table/StringGridModel.h"

namespace {

const QString kIncorrectFile = QStringLiteral("Incorrect XLS file");

// A failing server call raises the server's own description, cleaned of its ending.
template <typename Call> auto serverCall(Call &&call)
{
    try {
        return call();
    } catch (const SpreadsheetError &error) {
        const QString message = cleanComponentMessage(error.message());
        throw Exception(message.isEmpty() ? QStringLiteral("OLE error 80004005") : message);
    }
}

} // namespace

WorkbookImport::WorkbookImport(StringGridModel &grid, const RegionalSettings &settings,
                               SpreadsheetServerFactory serverFactory)
    : m_grid(grid), m_settings(settings), m_serverFactory(std::move(serverFactory))
{
}

void WorkbookImport::LoadFromWorkbook(const QString &fileName)
{
    LoadFromWorkbookSheet(fileName, QString());
}

void WorkbookImport::LoadFromWorkbookSheet(const QString &fileName, const QString &sheetName)
{
    BusyCursor cursor;
    std::unique_ptr<SpreadsheetServer> server;
    try {
        server = m_serverFactory();
    } catch (...) {
        server.reset();
    }
    if (!server) {
        cursor.restore();
        throw EAdvGridError(QStringLiteral("Excel OLE server not found"));
    }

    // Whatever happens from here: end the server, restore the cursor, tell the table.
    auto cleanUp = [&] {
        server->quit();
        server.reset();
        cursor.restore();
        m_grid.notifyCellsChanged(0, 0, m_grid.ColCount(), m_grid.RowCount());
    };
    try {
        Workbook *workbook = serverCall([&] { return server->openWorkbook(fileName); });
        copy(*workbook, sheetName);
        serverCall([&] {
            workbook->close(false);
            return 0;
        });
    } catch (...) {
        cleanUp();
        throw;
    }
    cleanUp();
}

void WorkbookImport::copy(Workbook &workbook, const QString &sheetName)
{
    Worksheet *sheet = nullptr;
    if (sheetName.isEmpty()) {
        sheet = serverCall([&] { return workbook.activeSheet(); });
    } else {
        const int count = serverCall([&] { return workbook.sheetCount(); });
        for (int number = 1; number <= count; ++number) {
            Worksheet *candidate = serverCall([&] { return workbook.sheet(number); });
            if (serverCall([&] { return candidate->name(); }) == sheetName)
                sheet = candidate; // a later match replaces an earlier one
        }
        if (!sheet)
            throw EWorksheetNotFound(sheetName);
    }

    const AddressBounds bounds =
        AddressBounds::read(serverCall([&] { return sheet->usedRangeAddress(); }));
    m_grid.setSheetOrigin(QPoint(std::max(bounds.firstColumn, 1), std::max(bounds.firstRow, 1)));
    if (bounds.complete()) {
        m_grid.setColCount(bounds.lastColumn - bounds.firstColumn + 1);
        m_grid.setRowCount(bounds.lastRow - bounds.firstRow + 1);
    }

    if (!bounds.singleCell) {
        RangeValues values = serverCall([&] { return sheet->rangeValues(bounds.readAddress()); });
        try {
            // Every cell of the new extent is written: empty cells and error values (which
            // must not leave an earlier workbook's text behind) as the empty text.
            m_grid.clearCells(0, 0, m_grid.ColCount() - 1, m_grid.RowCount() - 1);
            if (const qsizetype rows = values.heldRows(); rows > 0)
                m_grid.reserveTexts(rows, int(values.heldCells() / rows));
            const int rows = m_grid.RowCount(), columns = m_grid.ColCount();
            CellTexts texts(m_settings);
            values.forEachOnce([&](const CellRef &cell) {
                const int row = values.rowOf(cell), column = values.columnOf(cell);
                if (row < 1 || row > rows || column < 1 || column > columns)
                    return;
                const QStringView text = texts(cell);
                if (!text.isEmpty())
                    m_grid.fillCell(column - 1, row - 1, text);
            });
        } catch (const std::exception &) {
            throw Exception(kIncorrectFile);
        }
        return;
    }

    CellValue value;
    try {
        value = sheet->cell(bounds.firstRow, bounds.firstColumn);
    } catch (const std::exception &) {
        throw Exception(kIncorrectFile);
    }
    if (value.kind == CellValue::Error)
        throw Exception(kIncorrectFile);
    m_grid.setCells(0, 0, cellText(value, m_settings));
}

#pragma once
// The table as the desktop program's Import command fills it, from a workbook named on
// the command line.

#include "table/StringGridModel.h"

#include <optional>

class WorkbookTable
{
public:
    // Imports the active sheet, or the sheet of that name, into a table in its start-up state.
    explicit WorkbookTable(const QString &workbook, const std::optional<QString> &sheet = {});

    const StringGridModel &table() const { return m_table; }
    // The sheet row that table row 0 came from.
    int firstSheetRow() const { return m_table.sheetOrigin().y(); }

private:
    StringGridModel m_table;
};

#include "StartUpLayout.h"

#include "StringGridModel.h"

void applyStartUpLayout(StringGridModel &table)
{
    const int widths[] = {250, 200, 150, 150};
    for (int col = 0; col < 4; ++col)
        table.setColWidths(col, widths[col]);
    table.setRowCount(1);
}

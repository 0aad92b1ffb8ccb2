#pragma once
// The receivables table as the main window leaves it at start-up: columns 0 to 3 at
// 250, 200, 150 and 150 pixels, then one row. The batch companion starts from it too.

class StringGridModel;

void applyStartUpLayout(StringGridModel &table);

#pragma once
// A sheet column as spreadsheets label it.

#include <QString>

// 1 -> "A", 27 -> "AA", 16384 -> "XFD"; empty for numbers below 1.
QString columnLetters(int column);

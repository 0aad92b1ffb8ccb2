#pragma once

#include <QString>

// The usage notes that the help window shows, line by line. Where the sample workbook is
// not in the program's folder (the program is installed), note 4 names it by its path.
QString helpText(const QString &sampleWorkbook = QString());

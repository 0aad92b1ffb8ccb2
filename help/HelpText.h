#pragma once

#include <QString>

// The usage notes that the help window shows, line by line.
QString helpText();

#pragma once

#include <QString>

// The directory of the running program's file, with its trailing separator.
QString programDirectory();

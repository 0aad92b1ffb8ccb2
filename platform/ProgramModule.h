#pragma once
// The program's modules: parts loaded on first use, because the libraries they need take
// longer to load than most of what the program is asked to do.

#include <QFunctionPointer>
#include <QString>

namespace ProgramModule {
// The entry 'symbol' of the module 'name' (no suffix), looked for beside the program, where
// the package installs it (<prefix>/lib/roviradavev), and in this build's program folder
// (tests and benchmarks run from elsewhere). Null when none has it, with the loader's
// reason in 'reason'.
QFunctionPointer resolve(const QString &name, const char *symbol, QString *reason);
} // namespace ProgramModule

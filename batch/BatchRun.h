#pragma once
// How a command runs, whether the program or its letters module runs it: errors become the
// exit status and one message on standard error.

#include <QStringList>
#include <functional>

namespace BatchRun {
extern const char *const kUsage;

// Qt's notes about the environment (no runtime directory, no fonts for some script) would
// only clutter the tool's output, which scripts read: only its errors are shown.
void quietenMessages();
// 0 or the command's status; 2 for a command line the tool does not understand, 1 for
// any other error, each with its message.
int guarded(const std::function<int()> &command);
// Splits off the command: throws the usage error when there is none.
QString commandOf(const QStringList &arguments);
} // namespace BatchRun

// The letters module's entry: runs a command that prints, checks or controls letters, with
// the application object it needs.
using BatchLettersEntry = int (*)(int *argc, char **argv);

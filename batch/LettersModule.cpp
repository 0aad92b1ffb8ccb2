// The commands that print, check and control letters. They need the windowing and PDF
// libraries, so they live in a module that the program loads for them alone: the table
// command starts in a third of the time without those libraries.

#include "BatchRun.h"
#include "CheckCommand.h"
#include "EvaluateCommand.h"
#include "FlagsCommand.h"
#include "FollowUpCommands.h"
#include "LedgerCommand.h"
#include "LedgerTransferCommands.h"
#include "PrintCommand.h"
#include "RecordsCommand.h"
#include "RegisterCommand.h"
#include "RepliesCommand.h"
#include "SelectCommand.h"
#include "SendCommand.h"
#include "platform/FontSetup.h"

#include <QGuiApplication>

#include <memory>

namespace {

int run(const QStringList &arguments)
{
    const QString command = BatchRun::commandOf(arguments);
    const BatchArguments rest(arguments.mid(1));
    if (command == QLatin1String("records"))
        return runRecordsCommand(rest);
    if (command == QLatin1String("print"))
        return runPrintCommand(rest);
    if (command == QLatin1String("check"))
        return runCheckCommand(rest);
    if (command == QLatin1String("register"))
        return runRegisterCommand(rest);
    if (command == QLatin1String("select"))
        return runSelectCommand(rest);
    if (command == QLatin1String("dispatch-list"))
        return runDispatchListCommand(rest);
    if (command == QLatin1String("second-requests"))
        return runSecondRequestsCommand(rest);
    if (command == QLatin1String("send"))
        return runSendCommand(rest);
    if (command == QLatin1String("flags"))
        return runFlagsCommand(rest);
    if (command == QLatin1String("evaluate"))
        return runEvaluateCommand(rest);
    if (command == QLatin1String("replies"))
        return runRepliesCommand(rest);
    if (command == QLatin1String("ledger") && LedgerTransferCommands::handles(arguments.value(1)))
        return LedgerTransferCommands::run(rest);
    if (command == QLatin1String("ledger"))
        return runLedgerCommand(arguments.value(1), BatchArguments(arguments.mid(2)));
    throw UsageError(QStringLiteral("未知命令 %1").arg(command));
}

} // namespace

extern "C" Q_DECL_EXPORT int roviradavevBatchLetters(int *argc, char **argv)
{
    // Only printing, the check (which looks for texts that do not fit) and the reply scan
    // (which draws each letter as it was sent, text and all, to compare a reply with) lay
    // out text; the other commands need neither fonts nor a platform plugin.
    const QString command = *argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const bool prints = command == QLatin1String("print") || command == QLatin1String("check") ||
                        command == QLatin1String("dispatch-list") ||
                        command == QLatin1String("second-requests") ||
                        command == QLatin1String("replies");
    std::unique_ptr<QCoreApplication> app(prints ? new QGuiApplication(*argc, argv)
                                                 : new QCoreApplication(*argc, argv));
    if (prints)
        FontSetup::install();
    return BatchRun::guarded([] { return run(QCoreApplication::arguments().mid(1)); });
}

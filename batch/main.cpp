// roviradavev-batch: the desktop program's import, record fetch and engine, from the
// command line and without a display.

#include "BatchCommand.h"
#include "CheckCommand.h"
#include "PrintCommand.h"
#include "RecordsCommand.h"
#include "RegisterCommand.h"
#include "RepliesCommand.h"
#include "TableCommand.h"
#include "platform/ErrorText.h"
#include "platform/FontSetup.h"

#include <QGuiApplication>

#include <cstring>
#include <memory>

namespace {

const char *const kUsage =
    "用法：\n"
    "  roviradavev-batch table WORKBOOK [--sheet NAME]\n"
    "  roviradavev-batch records WORKBOOK [--template NAME_OR_FILE]\n"
    "  roviradavev-batch print WORKBOOK [--template NAME_OR_FILE] (--pdf FILE | --split DIR)\n"
    "  roviradavev-batch check WORKBOOK [--template NAME_OR_FILE]\n"
    "  roviradavev-batch register WORKBOOK [--template NAME_OR_FILE] --out FILE.xlsx\n"
    "  roviradavev-batch replies (--register FILE.xlsx | --workbook WORKBOOK) SCAN... "
    "[--out FILE.xlsx]\n";

int run(const QStringList &arguments)
{
    if (arguments.isEmpty())
        throw UsageError(QStringLiteral("缺少命令"));
    const QString command = arguments.constFirst();
    const BatchArguments rest(arguments.mid(1));
    if (command == QLatin1String("table"))
        return runTableCommand(rest);
    if (command == QLatin1String("records"))
        return runRecordsCommand(rest);
    if (command == QLatin1String("print"))
        return runPrintCommand(rest);
    if (command == QLatin1String("check"))
        return runCheckCommand(rest);
    if (command == QLatin1String("register"))
        return runRegisterCommand(rest);
    if (command == QLatin1String("replies"))
        return runRepliesCommand(rest);
    throw UsageError(QStringLiteral("未知命令 %1").arg(command));
}

// Qt's notes about the environment (no runtime directory, no fonts for some script)
// would only clutter the tool's output, which scripts read.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        BatchOutput::writeError(message + QLatin1Char('\n'));
}

} // namespace

int main(int argc, char *argv[])
{
    // The tool never shows a window: without a chosen platform it needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("ROVIRADAVEV_DEBUG"))
        qInstallMessageHandler(quietMessages);
    // Only printing and the check (which looks for texts that do not fit) lay out text; the
    // other commands need neither fonts nor a platform plugin, and start several times
    // faster without them.
    const bool prints =
        argc > 1 && (std::strcmp(argv[1], "print") == 0 || std::strcmp(argv[1], "check") == 0);
    std::unique_ptr<QCoreApplication> app(prints ? new QGuiApplication(argc, argv)
                                                 : new QCoreApplication(argc, argv));
    if (prints)
        FontSetup::install();
    try {
        const int status = run(QCoreApplication::arguments().mid(1));
        std::fflush(stdout);
        return status;
    } catch (const UsageError &e) {
        BatchOutput::writeError(e.message() + QLatin1Char('\n') + QString::fromUtf8(kUsage));
        return 2;
    } catch (const Exception &e) {
        std::fflush(stdout);
        BatchOutput::writeError(errorBoxText(e.message()) + QLatin1Char('\n'));
        return 1;
    } catch (const std::bad_alloc &) {
        BatchOutput::writeError(errorBoxText(QStringLiteral("内存不足，操作未能完成")) +
                                QLatin1Char('\n'));
        return 1;
    } catch (const std::exception &e) {
        std::fflush(stdout);
        BatchOutput::writeError(errorBoxText(foreignErrorText(e)) + QLatin1Char('\n'));
        return 1;
    }
}

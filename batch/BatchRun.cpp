#include "BatchRun.h"

#include "BatchCommand.h"
#include "platform/ErrorText.h"

#include <cstdio>
#include <new>

namespace BatchRun {

const char *const kUsage =
    "用法：\n"
    "  roviradavev-batch table WORKBOOK [--sheet NAME]\n"
    "  roviradavev-batch records WORKBOOK [--template NAME_OR_FILE]\n"
    "  roviradavev-batch print WORKBOOK [--template NAME_OR_FILE] (--pdf FILE | --split DIR "
    "[--overwrite])\n"
    "  roviradavev-batch check WORKBOOK [--template NAME_OR_FILE]\n"
    "  roviradavev-batch register (WORKBOOK [--template NAME_OR_FILE] | --ledger LEDGER) "
    "--out FILE.xlsx\n"
    "  roviradavev-batch replies (--register FILE.xlsx | --workbook WORKBOOK | --ledger LEDGER "
    "[--channel 方式] [--received yyyy-mm-dd]) SCAN... [--out FILE.xlsx]\n"
    "  roviradavev-batch ledger export LEDGER FILE.xlsx\n"
    "  roviradavev-batch ledger import-register LEDGER FILE(.xlsx|.xls|.csv)\n"
    "  roviradavev-batch --help | --version\n";

namespace {
void errorsOnly(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        BatchOutput::writeError(message + QLatin1Char('\n'));
}
} // namespace

void quietenMessages()
{
    if (qEnvironmentVariableIsEmpty("ROVIRADAVEV_DEBUG"))
        qInstallMessageHandler(errorsOnly);
}

QString commandOf(const QStringList &arguments)
{
    if (arguments.isEmpty())
        throw UsageError(QStringLiteral("缺少命令"));
    return arguments.constFirst();
}

int guarded(const std::function<int()> &command)
{
    try {
        const int status = command();
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

} // namespace BatchRun

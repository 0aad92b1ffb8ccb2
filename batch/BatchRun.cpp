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
    "[--overwrite]) [--ledger FILE.rvledger [--selection]]\n"
    "  roviradavev-batch check WORKBOOK [--template NAME_OR_FILE]\n"
    "  roviradavev-batch register (WORKBOOK [--template NAME_OR_FILE] | --ledger FILE.rvledger) "
    "--out FILE.xlsx\n"
    "  roviradavev-batch replies (--register FILE.xlsx | --workbook WORKBOOK | --ledger "
    "FILE.rvledger "
    "[--channel 方式] [--received yyyy-mm-dd]) SCAN... [--out FILE.xlsx]\n"
    "  roviradavev-batch select WORKBOOK --ledger FILE.rvledger [--method mus|mus-cell|random|"
    "manual] [--size N | --tolerable AMOUNT [--expected AMOUNT] [--confidence 90|95|99]] "
    "[--key-threshold AMOUNT] [--seed DIGITS] [--manual NUMBER,...] [--extend N] [--preview]\n"
    "  roviradavev-batch ledger new FILE.rvledger [--engagement NAME]\n"
    "  roviradavev-batch ledger (info | verify) FILE.rvledger\n"
    "  roviradavev-batch ledger letters FILE.rvledger [--state STATE]\n"
    "  roviradavev-batch ledger log FILE.rvledger [--letter NUMBER]\n"
    "  roviradavev-batch ledger parties FILE.rvledger [--client NAME] [--add NAME]... "
    "[--remove NAME]...\n"
    "  roviradavev-batch ledger tolerance FILE.rvledger [AMOUNT]\n"
    "  roviradavev-batch ledger init-server postgresql://ADMIN@HOST[:PORT]/DATABASE\n"
    "  roviradavev-batch ledger export FILE.rvledger FILE.xlsx\n"
    "  roviradavev-batch ledger import-register FILE.rvledger FILE(.xlsx|.xls|.csv)\n"
    "  roviradavev-batch ledger copy (FILE.rvledger | "
    "postgresql://USER@HOST:PORT/DB?engagement=NAME) "
    "(NEW.rvledger | postgresql://USER@HOST:PORT/DB?engagement=NEW_NAME)\n"
    "  roviradavev-batch dispatch-list --ledger FILE.rvledger --out FILE.pdf [--letters N,...] "
    "[--template NAME_OR_FILE]\n"
    "  roviradavev-batch second-requests --ledger FILE.rvledger --letters N,... --out FILE.pdf "
    "[--template NAME_OR_FILE]\n"
    "  roviradavev-batch send --ledger FILE.rvledger (--letters | --reminders) --smtp URL "
    "[--user U] [--from ADDR] [--days N] [--cacert FILE] [--pin sha256//…]\n"
    "  roviradavev-batch flags --ledger FILE.rvledger [--csv FILE.csv] [--minutes N]\n"
    "  roviradavev-batch evaluate --ledger FILE.rvledger [--csv FILE.csv]\n"
    "  roviradavev-batch --help | --version\n"
    "凡写 FILE.rvledger 处，也可写函证中心的项目地址："
    "postgresql://USER@HOST[:PORT]/DB?engagement=NAME（密码取自 ~/.pgpass、PGPASSFILE 或 "
    "PGPASSWORD，不写在地址中）\n";

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

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
#include "platform/MemoryPolicy.h"

#include <QGuiApplication>

#include <cstring>
#include <memory>

namespace {

const char *const kUsage =
    "用法：\n"
    "  roviradavev-batch table WORKBOOK [--sheet NAME]\n"
    "  roviradavev-batch records WORKBOOK [--template NAME_OR_FILE]\n"
    "  roviradavev-batch print WORKBOOK [--template NAME_OR_FILE] (--pdf FILE | --split DIR "
    "[--overwrite])\n"
    "  roviradavev-batch check WORKBOOK [--template NAME_OR_FILE]\n"
    "  roviradavev-batch register WORKBOOK [--template NAME_OR_FILE] --out FILE.xlsx\n"
    "  roviradavev-batch replies (--register FILE.xlsx | --workbook WORKBOOK) SCAN... "
    "[--out FILE.xlsx]\n"
    "  roviradavev-batch --help | --version\n";

const char *const kHelp =
    "roviradavev-batch：不打开窗口，完成与 roviradavev 相同的导入、询证函打印和函证控制。\n"
    "\n"
    "命令：\n"
    "  table     按导入的样子输出工作簿的活动工作表（或 --sheet 指定的工作表），以制表符分隔\n"
    "  records   每封询证函的字段，每行一个 JSON 对象\n"
    "  print     把询证函导出为一个 PDF 文件（--pdf），或每封一个 PDF 文件（--split，\n"
    "            同名文件已存在时不导出，除非加 --overwrite）\n"
    "  check     检查每一行能否打印、文字是否放得下\n"
    "  register  导出函证控制表（.xlsx）\n"
    "  replies   识别扫描的回函（PDF、PNG、JPEG、TIFF 或文件夹），与函证控制表或工作簿对照\n"
    "\n"
    "模板：--template 给出模板名称（程序模板文件夹中的 .grf）或模板文件的路径；\n"
    "      不给时用“应收帐款确认函”。\n"
    "\n"
    "退出状态：0 成功；1 出错（check 发现不能打印的行时也是 1）；2 命令行有误；\n"
    "          replies 有未匹配或无法读取的页面时为 3。\n"
    "\n";

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
    useReturnableLargeBlocks();
    // Help and version need nothing set up, and go to standard output.
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kHelp, stdout);
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("roviradavev-batch " ROVIRADAVEV_VERSION);
        return 0;
    }
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

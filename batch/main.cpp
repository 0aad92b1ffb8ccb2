// roviradavev-batch: the desktop program's import, record fetch and engine, from the
// command line and without a display.

#include "BatchRun.h"
#include "TableCommand.h"
#include "platform/MemoryPolicy.h"
#include "platform/ProgramModule.h"

#include <QCoreApplication>

#include <cstring>

namespace {

const char *const kHelp =
    "roviradavev-batch：不打开窗口，完成与 roviradavev 相同的导入、询证函打印和函证控制。\n"
    "\n"
    "命令：\n"
    "  table     按导入的样子输出工作簿的活动工作表（或 --sheet 指定的工作表），以制表符分隔\n"
    "  records   每封询证函的字段，每行一个 JSON 对象\n"
    "  print     把询证函导出为一个 PDF 文件（--pdf），或每封一个 PDF 文件（--split，\n"
    "            同名文件已存在时不导出，除非加 --overwrite）\n"
    "  check     检查每一行能否打印、文字是否放得下\n"
    "  register  导出函证控制表（.xlsx）；--ledger 时从函证台账导出\n"
    "  replies   识别扫描的回函（PDF、PNG、JPEG、TIFF 或文件夹），与函证控制表或工作簿对照；\n"
    "            --ledger 时与台账中的询证函对照并逐个文件记入台账（已记入的文件不再识别）\n"
    "  select    选样：重要项目（--key-threshold 及以上）全选，其余按 --method 抽取（mus 货币单位\n"
    "            系统选样，mus-cell 每区间随机一点，random 简单随机，manual 只选 --manual "
    "的行）；\n"
    "            样本量用 --size 给出，或由 --tolerable、--expected、--confidence 计算；\n"
    "            --seed 给出随机种子（不给时新取一个）；--extend N 在原选样上再抽 N 个；\n"
    "            --preview 只显示不记录；选样记入 --ledger 给出的函证台账\n"
    "  ledger    函证台账（.rvledger）：new 新建，info 概况，letters 列出询证函（--state\n"
    "            只列该状态的），verify 核对操作记录是否完好，log 操作记录（--letter 只列\n"
    "            该编号的）；输出以制表符分隔\n"
    "  ledger parties  被审计单位和关联方名单：--client 设被审计单位，--add 加、--remove 删\n"
    "                  关联方（可多次给出）；不给这些时只列出名单\n"
    "  ledger tolerance  调节容差：调节后差异的绝对值不超过它时为“调节后相符”；给出金额时设定\n"
    "                    并重新判断有调节项的询证函，不给时只显示\n"
    "  ledger init-server  由数据库管理员运行一次，把 PostgreSQL 数据库设为函证中心：建立项目\n"
    "                      列表和角色 "
    "rv_clerk（函证中心）、rv_team（项目组）、rv_reviewer（复核），\n"
    "                      授予各项目的权限，升级旧结构的项目；再次运行不作改动；逐行列出所做的事\n"
    "  ledger export           从函证台账导出函证控制表（含操作记录）\n"
    "  ledger import-register  把函证控制表或发函清单（.xlsx、.xls、.csv）的登记内容导入台账\n"
    "  ledger copy   把一个项目的函证台账整个复制到尚不存在的新台账：台账文件与函证中心\n"
    "                （postgresql://用户@服务器:端口/数据库?engagement=项目）之间，两个方向都可；\n"
    "                每张表的每一行连同编号、操作记录原样复制，复制前后都核对；\n"
    "                未通过核对或出错时不留下任何副本\n"
    "  dispatch-list   把台账中的询证函（--letters 给出编号，不给时为全部未作废的）列成发函清单，\n"
    "                  导出为 PDF（--out），交快递员签收；不记入台账\n"
    "  second-requests 为 --letters 给出的未回函询证函导出第二次询证函（--out），每封记入台账，\n"
    "                  编号为原函编号加 -2（已发过的依次加 -3…），回函时视为原函已回函\n"
    "  send      用电子邮件发送台账中的询证函（--letters，附各自的 PDF）或催收邮件（--reminders，\n"
    "            发函 --days 天（默认 10）后仍未回函的），经 --smtp 给出的邮件服务器：\n"
    "            smtps://主机:465，smtp://主机:587（须 STARTTLS），或本机的 smtp://localhost；\n"
    "            密码取自环境变量 ROVIRADAVEV_SMTP_PASSWORD 或密钥环；--cacert 信任该证书，\n"
    "            --pin sha256//… 信任该公钥；每封邮件记入台账，失败的下次再发\n"
    "  flags     风险提示：按回函寄件地址和电话、回函时间、回函快递单号、发函记录和关联方名单\n"
    "            检查台账中的回函，列出规则、说明和函证编号；--csv 另存为 CSV 文件，\n"
    "            --minutes 为传真或电子邮件回函的集中时限（默认取设置，未设时 10 分钟）\n"
    "  evaluate  函证结论：按回函、调节项和替代程序判断每个函证项目，列出覆盖的数量和金额、\n"
    "            已知错报、货币单位抽样的推断错报和错报上限，并与选样时的可容忍错报比较；\n"
    "            --csv 把每个项目的判断另存为 CSV 文件\n"
    "\n"
    "print 加 --selection 时只打印台账中以此表格为总体的选样选中的行（须同时给出 --ledger）。\n"
    "\n"
    "print 加 --ledger FILE 时，先核对台账能否接收这些询证函（编号已按其他内容发出过的，\n"
    "一封也不导出），导出后把每封询证函记入台账。\n"
    "\n"
    "模板：--template 给出模板名称（程序模板文件夹中的 .grf）或模板文件的路径；\n"
    "      不给时用“应收帐款确认函”。\n"
    "\n"
    "退出状态：0 成功；1 出错（check 发现不能打印的行时也是 1）；2 命令行有误；\n"
    "          replies 有未匹配或无法读取的页面时为 3；ledger verify 发现台账被改动时为 4；\n"
    "          send 有邮件未能发出时为 3；flags 发现风险提示时为 3；\n"
    "          evaluate 的错报超过可容忍错报时为 3。\n"
    "\n";

int runLettersCommand(int argc, char *argv[])
{
    static const QString kModule = QStringLiteral("roviradavev-batch-letters");
    QString reason;
    const auto entry = reinterpret_cast<BatchLettersEntry>(
        ProgramModule::resolve(kModule, "roviradavevBatchLetters", &reason));
    if (!entry) {
        QCoreApplication app(argc, argv);
        return BatchRun::guarded([&]() -> int {
            throw Exception(QStringLiteral("缺少程序组件“%1”（%2）").arg(kModule, reason));
        });
    }
    return entry(&argc, argv);
}

} // namespace

int main(int argc, char *argv[])
{
    useReturnableLargeBlocks();
    // Help and version need nothing set up, and go to standard output.
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kHelp, stdout);
        std::fputs(BatchRun::kUsage, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("roviradavev-batch " ROVIRADAVEV_VERSION);
        return 0;
    }
    // The tool never shows a window: without a chosen platform it needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    BatchRun::quietenMessages();
    // The module knows the other commands, and says when one is unknown.
    if (argc > 1 && std::strcmp(argv[1], "table") != 0)
        return runLettersCommand(argc, argv);
    QCoreApplication app(argc, argv);
    return BatchRun::guarded([] {
        const QStringList arguments = QCoreApplication::arguments().mid(1);
        BatchRun::commandOf(arguments); // none: the usage error
        return runTableCommand(BatchArguments(arguments.mid(1)));
    });
}

#include "DesktopCommandLine.h"

#include "LedgerFiles.h"

#include <QFileInfo>
#include <QUrl>

DesktopCommandLine DesktopCommandLine::parse(const QStringList &arguments)
{
    DesktopCommandLine line;
    auto fail = [&](const QString &error) {
        line.action = Action::Error;
        line.error = error;
        return line;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            return {Action::Help, {}, {}, {}, {}};
        }
        if (argument == QLatin1String("--version")) {
            return {Action::Version, {}, {}, {}, {}};
        }
        if (argument == QLatin1String("--design")) {
            if (i + 1 >= arguments.size())
                return fail(QStringLiteral("选项 --design 缺少模板文件"));
            if (!line.templateFile.isEmpty())
                return fail(QStringLiteral("选项 --design 只能给出一次"));
            line.templateFile = QFileInfo(arguments[++i]).absoluteFilePath();
        } else if (argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            return fail(QStringLiteral("未知选项 %1").arg(argument));
        } else {
            // A desktop hands a file as a file:// address when the entry asks for one.
            const QString path = argument.startsWith(QLatin1String("file://"))
                                     ? QUrl(argument).toLocalFile()
                                     : QFileInfo(argument).absoluteFilePath();
            // What the file manager opens with the program: a ledger, a template or a
            // workbook, told apart as the desktop entry's file types are.
            if (LedgerFiles::isLedger(path)) {
                if (!line.ledger.isEmpty())
                    return fail(QStringLiteral("只能打开一个函证台账"));
                line.ledger = path;
            } else if (path.endsWith(QLatin1String(".grf"), Qt::CaseInsensitive)) {
                if (!line.templateFile.isEmpty())
                    return fail(QStringLiteral("只能设计一个模板"));
                line.templateFile = path;
            } else {
                if (!line.workbook.isEmpty())
                    return fail(QStringLiteral("只能导入一个工作簿"));
                line.workbook = path;
            }
        }
    }
    return line;
}

QString DesktopCommandLine::help()
{
    return QStringLiteral(
        "用法：roviradavev [工作簿] [台账.rvledger] [--design 模板.grf]\n"
        "\n"
        "应收帐款询证函的导入与批量打印。\n"
        "\n"
        "  工作簿                 启动后导入该 Excel 工作簿（.xls 或 .xlsx），如同“导入应收帐款”\n"
        "  台账.rvledger          启动后打开该函证台账（代替上次打开的台账）\n"
        "  --design 模板.grf      打开设计器编辑该模板文件，保存时写回该文件；\n"
        "                         直接给出 .grf 文件也一样\n"
        "  -h, --help             显示本说明\n"
        "  --version              显示版本号\n"
        "\n"
        "不打开窗口的批处理，见 roviradavev-batch --help。\n");
}

QString DesktopCommandLine::version()
{
    return QStringLiteral("roviradavev " ROVIRADAVEV_VERSION "\n");
}

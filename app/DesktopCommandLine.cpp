#include "DesktopCommandLine.h"

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
            return {Action::Help, {}, {}, {}};
        }
        if (argument == QLatin1String("--version")) {
            return {Action::Version, {}, {}, {}};
        }
        if (argument == QLatin1String("--design")) {
            if (i + 1 >= arguments.size())
                return fail(QStringLiteral("选项 --design 缺少模板文件"));
            if (!line.templateFile.isEmpty())
                return fail(QStringLiteral("选项 --design 只能给出一次"));
            line.templateFile = QFileInfo(arguments[++i]).absoluteFilePath();
        } else if (argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            return fail(QStringLiteral("未知选项 %1").arg(argument));
        } else if (!line.workbook.isEmpty()) {
            return fail(QStringLiteral("只能导入一个工作簿"));
        } else {
            // A desktop hands a file as a file:// address when the entry asks for one.
            line.workbook = argument.startsWith(QLatin1String("file://"))
                                ? QUrl(argument).toLocalFile()
                                : QFileInfo(argument).absoluteFilePath();
        }
    }
    return line;
}

QString DesktopCommandLine::help()
{
    return QStringLiteral(
        "用法：roviradavev [工作簿] [--design 模板.grf]\n"
        "\n"
        "应收帐款询证函的导入与批量打印。\n"
        "\n"
        "  工作簿                 启动后导入该 Excel 工作簿（.xls 或 .xlsx），如同“导入应收帐款”\n"
        "  --design 模板.grf      打开设计器编辑该模板文件，保存时写回该文件\n"
        "  -h, --help             显示本说明\n"
        "  --version              显示版本号\n"
        "\n"
        "不打开窗口的批处理，见 roviradavev-batch --help。\n");
}

QString DesktopCommandLine::version()
{
    return QStringLiteral("roviradavev " ROVIRADAVEV_VERSION "\n");
}

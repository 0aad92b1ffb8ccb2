#include "HelpText.h"

#include <QStringList>

QString helpText(const QString &sampleWorkbook)
{
    static const char *const lines[] = {
        "软件说明:",
        "本软件应收数据从电子表格导入,电子表格格式要求如下:",
        "1.应收数据请填写在exce文件的第一个表页中。",
        "2.应收数据列有四列,分别对应系统要求的数据:",
        "A列----->客户名称",
        "B列----->截止日期",
        "C列----->应收金额",
        "D列----->函编号",
        "",
        "3.导入数据时,请确保要导入的表格不被其他程序打开(如:excel2000),否则无法正确读取数据。",
        "4.本软件完成目录下的“导入模板.xls”为系统预置导入模板，供用户参考",
        "如需购买正式版或批量授权，请联系 roviradavev 销售部（工作日 9:00-17:30）。",
    };
    QStringList text;
    for (const char *line : lines)
        text.append(QString::fromUtf8(line));
    if (!sampleWorkbook.isEmpty())
        text[11] = QStringLiteral("4.“%1”为系统预置导入模板，供用户参考").arg(sampleWorkbook);
    return text.join(QLatin1Char('\n'));
}

#include "TemplateFolder.h"

#include "TemplateLocations.h"

namespace TemplateFolder {

QString path()
{
    return TemplateLocations::current().saveFolder();
}

QString fileFor(const QString &name)
{
    return TemplateLocations::current().fileFor(name);
}

QString saveFileFor(const QString &name)
{
    return TemplateLocations::current().saveFileFor(name);
}

QStringList names()
{
    return TemplateLocations::current().names();
}

bool canRestore(const QString &name)
{
    return TemplateLocations::current().canRestore(name);
}

void restore(const QString &name)
{
    TemplateLocations::current().restore(name);
}

QString sampleWorkbook()
{
    return TemplateLocations::current().shippedFolder() + QStringLiteral("导入模板.xls");
}

QString problemWithName(const QString &name)
{
    if (name.trimmed().isEmpty())
        return QStringLiteral("模板名称不能为空");
    for (const QChar c : name)
        if (c.category() == QChar::Other_Control || QStringLiteral("/\\:*?\"<>|").contains(c))
            return QStringLiteral("模板名称“%1”不能含有 / \\ : * ? \" < > | 或控制字符").arg(name);
    if (name.startsWith(QLatin1Char('.')))
        return QStringLiteral("模板名称不能以“.”开头");
    return QString();
}

} // namespace TemplateFolder

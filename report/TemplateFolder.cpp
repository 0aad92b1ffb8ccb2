#include "TemplateFolder.h"

#include "TemplatePath.h"
#include "platform/ProgramDirectory.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>

namespace TemplateFolder {

QString path()
{
    return programDirectory();
}

QString fileFor(const QString &name)
{
    return templatePath(path(), name);
}

QStringList names()
{
    QStringList names;
    const QFileInfoList files =
        QDir(path()).entryInfoList({QStringLiteral("*.grf")}, QDir::Files | QDir::Readable);
    for (const QFileInfo &file : files)
        if (!file.completeBaseName().isEmpty())
            names.append(file.completeBaseName());
    QCollator collator(QLocale(QLocale::Chinese, QLocale::China));
    std::sort(names.begin(), names.end(), collator);
    return names;
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

#include "RecentFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace RecentFolders {

namespace {
QString key(const QString &kind)
{
    return QStringLiteral("folders/") + kind;
}
} // namespace

QString folder(const QString &kind)
{
    const QString remembered = QSettings().value(key(kind)).toString();
    return !remembered.isEmpty() && QFileInfo(remembered).isDir() ? remembered : QDir::homePath();
}

void remember(const QString &kind, const QString &folder)
{
    if (!folder.isEmpty())
        QSettings().setValue(key(kind), folder);
}

} // namespace RecentFolders

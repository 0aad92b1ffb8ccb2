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

QString folder(const QString &kind, const QString &first)
{
    const QString remembered = QSettings().value(key(kind)).toString();
    if (!remembered.isEmpty() && QFileInfo(remembered).isDir())
        return remembered;
    return !first.isEmpty() && QFileInfo(first).isDir() ? first : QDir::homePath();
}

void remember(const QString &kind, const QString &folder)
{
    if (!folder.isEmpty())
        QSettings().setValue(key(kind), folder);
}

} // namespace RecentFolders

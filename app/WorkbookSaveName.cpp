#include "WorkbookSaveName.h"

#include "platform/Clock.h"
#include "platform/Prompts.h"
#include "platform/RecentFolders.h"

#include <QDir>
#include <QFileInfo>

QString askWorkbookSaveName(QWidget *owner, const QString &caption, const QString &stem,
                            const QString &kind)
{
    const QString suggested =
        QDir(RecentFolders::folder(kind))
            .filePath(QStringLiteral("%1-%2.xlsx").arg(stem, Clock::today().toString(Qt::ISODate)));
    QString path = Prompts::current().saveFileName(owner, caption, suggested,
                                                   QStringLiteral("Excel 工作簿 (*.xlsx)"));
    if (path.isEmpty())
        return path;
    if (!path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive))
        path += QStringLiteral(".xlsx");
    RecentFolders::remember(kind, QFileInfo(path).absolutePath());
    return path;
}

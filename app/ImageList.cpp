#include "ImageList.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace {

QIcon iconFromSvg(const QString &resource, std::initializer_list<int> sizes)
{
    QSvgRenderer renderer(resource);
    QIcon icon;
    for (int size : sizes) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

ImageList::ImageList(QObject *parent) : QObject(parent)
{
    const char *files[] = {"0-table-spark",  "1-import-sheet",    "2-page-magnifier",
                           "3-folder-arrow", "4-database-arrows", "5-setsquare-pencil",
                           "6-reply-code"};
    for (const char *file : files)
        m_icons.append(
            iconFromSvg(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(file)), {32, 64}));
}

QIcon ImageList::windowIcon()
{
    return iconFromSvg(QStringLiteral(":/icons/window-calendar.svg"), {16, 32, 48});
}

#include "PictureFile.h"

#include "platform/ErrorText.h"
#include "platform/Exception.h"
#include "platform/Prompts.h"
#include "platform/RecentFolders.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>

namespace {
const QString kFolderKind = QStringLiteral("picture");
constexpr qint64 kMaxBytes = 32 * 1024 * 1024;
} // namespace

std::optional<PictureFile> PictureFile::choose(QWidget *owner)
{
    const QString path =
        Prompts::current().openFileName(owner, {QStringLiteral("图片 (*.png *.jpg *.jpeg *.svg)"),
                                                QString(), RecentFolders::folder(kFolderKind)});
    if (path.isEmpty())
        return std::nullopt;
    RecentFolders::remember(kFolderKind, QFileInfo(path).absolutePath());
    return read(path);
}

PictureFile PictureFile::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("无法读取图片“%1”：%2")
                            .arg(QFileInfo(path).fileName(), fileErrorText(file.errorString())));
    PictureFile picture;
    picture.data = file.read(kMaxBytes);
    if (picture.data.trimmed().startsWith("<"))
        return picture;
    QImage image;
    if (!image.loadFromData(picture.data))
        throw Exception(
            QStringLiteral("“%1”不是可用的 PNG、JPEG 或 SVG 图片").arg(QFileInfo(path).fileName()));
    picture.pixels = image.size();
    return picture;
}

ReportElement PictureFile::appliedTo(ReportElement element) const
{
    if (element.kind != ElementKind::Picture)
        return element;
    element.imageData = data;
    // A new picture keeps its own proportions in the box's width.
    if (element.keepAspect && !pixels.isEmpty())
        element.rectMm.setHeight(element.rectMm.width() * pixels.height() / pixels.width());
    return element;
}

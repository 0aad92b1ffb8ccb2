#include "ScannedFile.h"

#include "TiffPages.h"
#include "engine/pdf/PdfPictures.h"
#include "platform/ErrorText.h"
#include "platform/Exception.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace {

const QStringList kSuffixes{QStringLiteral("pdf"),  QStringLiteral("png"), QStringLiteral("jpg"),
                            QStringLiteral("jpeg"), QStringLiteral("tif"), QStringLiteral("tiff")};

// A page is rendered no larger than this: a poster-sized page is read at a lower
// resolution rather than exhausting memory.
constexpr double kMaxPixels = 60e6;
// A picture is decoded whole before it is scaled down (only JPEG decodes scaled): one
// larger than this is refused as too large, whatever its header claims.
constexpr double kMaxDecodedPixels = 150e6;

QString imageReason(QImageReader::ImageReaderError error)
{
    switch (error) {
    case QImageReader::FileNotFoundError:
        return QStringLiteral("文件不存在");
    case QImageReader::DeviceError:
        return QStringLiteral("无法读取文件");
    case QImageReader::UnsupportedFormatError:
        return QStringLiteral("不是可识别的扫描文件（PDF、PNG、JPEG、TIFF）");
    case QImageReader::InvalidDataError:
        return QStringLiteral("图片数据已损坏");
    default:
        return QStringLiteral("图片无法读取");
    }
}

// The next picture of 'reader', scaled down to the size pages are capped at.
QImage readScaled(QImageReader &reader)
{
    // Qt refuses to decode pictures over its allocation limit (128 MB, counted at 4 bytes a
    // pixel: a 600 dpi A4 scan passes it) and calls them damaged; the cap is ours.
    static const bool limitSet = [] {
        const int megabytes = int(kMaxDecodedPixels * 4 / (1024 * 1024)) + 1;
        if (QImageReader::allocationLimit() != 0 && QImageReader::allocationLimit() < megabytes)
            QImageReader::setAllocationLimit(megabytes);
        return true;
    }();
    Q_UNUSED(limitSet)
    reader.setAutoTransform(true); // a phone's photo is stored on its side
    const QSize size = reader.size();
    const double pixels = double(size.width()) * size.height();
    if (size.isValid() && pixels > kMaxDecodedPixels)
        throw Exception(QStringLiteral("图片太大（%1 × %2 像素），无法读取：请以较低的分辨率扫描")
                            .arg(size.width())
                            .arg(size.height()));
    if (size.isValid() && pixels > kMaxPixels) {
        const double scale = std::sqrt(kMaxPixels / pixels);
        reader.setScaledSize(
            QSize(std::max(1, int(size.width() * scale)), std::max(1, int(size.height() * scale))));
    } else {
        reader.setScaledSize(QSize());
    }
    QImage picture = reader.read();
    if (picture.isNull())
        throw Exception(imageReason(reader.error()));
    return picture;
}

} // namespace

struct ScannedFile::Source
{
    virtual ~Source() = default;
    virtual int pageCount() const = 0;
    virtual QImage page(int index) const = 0;
};

namespace {

class PdfSource : public ScannedFile::Source
{
public:
    PdfSource(const QString &path, double dotsPerInch)
        : m_dotsPerInch(dotsPerInch), m_pictures(PdfPictures::open(path))
    {
    }
    int pageCount() const override { return m_pictures->pageCount(); }
    QImage page(int index) const override
    {
        try {
            return m_pictures->page(index, m_dotsPerInch, kMaxPixels);
        } catch (const std::runtime_error &error) {
            throw Exception(QString::fromUtf8(error.what()));
        }
    }

private:
    double m_dotsPerInch;
    std::unique_ptr<PdfPictures> m_pictures;
};

class PictureSource : public ScannedFile::Source
{
public:
    explicit PictureSource(const QString &path) : m_path(path)
    {
        QImageReader reader(path);
        reader.setDecideFormatFromContent(true);
        if (!reader.canRead())
            throw Exception(imageReason(reader.error()));
        m_count = std::max(1, reader.imageCount());
    }
    int pageCount() const override { return m_count; }
    QImage page(int index) const override
    {
        QImageReader reader(m_path);
        reader.setDecideFormatFromContent(true);
        if (index > 0 && !reader.jumpToImage(index))
            throw Exception(imageReason(reader.error()));
        return readScaled(reader);
    }

private:
    QString m_path;
    int m_count = 1;
};

// A TIFF's pages from their places, found once (see TiffPages).
class TiffSource : public ScannedFile::Source
{
public:
    TiffSource(std::unique_ptr<QFile> file, QByteArrayView bytes, QList<quint64> pages)
        : m_file(std::move(file)), m_bytes(bytes), m_pages(std::move(pages))
    {
    }
    int pageCount() const override { return int(m_pages.size()); }
    QImage page(int index) const override
    {
        const std::unique_ptr<QIODevice> device = TiffPages::page(m_bytes, m_pages[index]);
        QImageReader reader(device.get(), "tiff");
        return readScaled(reader);
    }

private:
    std::unique_ptr<QFile> m_file; // mapped
    QByteArrayView m_bytes;
    QList<quint64> m_pages;
};

// The TIFF source of the file, or none when it is no TIFF whose pages can be found.
std::unique_ptr<ScannedFile::Source> tiffSource(const QString &path)
{
    auto file = std::make_unique<QFile>(path);
    // Its byte order first (TiffPages checks the rest).
    if (!file->open(QIODevice::ReadOnly) || !(file->peek(2) == "II" || file->peek(2) == "MM") ||
        file->size() > std::numeric_limits<qsizetype>::max())
        return nullptr;
    const uchar *mapped = file->map(0, file->size());
    if (!mapped)
        return nullptr;
    const QByteArrayView bytes(mapped, qsizetype(file->size()));
    QList<quint64> pages = TiffPages::directories(bytes);
    if (pages.isEmpty())
        return nullptr;
    return std::make_unique<TiffSource>(std::move(file), bytes, std::move(pages));
}

// Names in the order people number them, whatever the locale: 第2页 before 第10页.
bool numberedBefore(const QString &a, const QString &b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (!a[i].isDigit() || !b[j].isDigit()) {
            if (a[i] != b[j])
                return a[i] < b[j];
            ++i, ++j;
            continue;
        }
        // Runs of digits compare as numbers: without leading zeros, the longer is larger.
        while (i + 1 < a.size() && a[i] == u'0' && a[i + 1].isDigit())
            ++i;
        while (j + 1 < b.size() && b[j] == u'0' && b[j + 1].isDigit())
            ++j;
        qsizetype ei = i, ej = j;
        while (ei < a.size() && a[ei].isDigit())
            ++ei;
        while (ej < b.size() && b[ej].isDigit())
            ++ej;
        if (ei - i != ej - j)
            return ei - i < ej - j;
        const int order = QStringView(a).mid(i, ei - i).compare(QStringView(b).mid(j, ej - j));
        if (order != 0)
            return order < 0;
        i = ei, j = ej;
    }
    return a.size() - i < b.size() - j;
}

bool startsLikePdf(QFile &file)
{
    // Some writers put a few bytes before the header; readers look in the first kilobyte.
    return file.peek(1024).contains("%PDF-");
}

} // namespace

ScannedFile::ScannedFile(const QString &path, double dotsPerInch)
{
    QFile file(path);
    if (!QFileInfo(path).isFile())
        throw Exception(QFileInfo::exists(path) ? QStringLiteral("不是文件")
                                                : QStringLiteral("文件不存在"));
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("无法打开：%1").arg(fileErrorText(file.errorString())));
    if (file.size() == 0)
        throw Exception(QStringLiteral("文件是空的（0 字节）"));
    if (startsLikePdf(file))
        m_source = std::make_unique<PdfSource>(path, dotsPerInch);
    else if (!(m_source = tiffSource(path)))
        m_source = std::make_unique<PictureSource>(path);
}

ScannedFile::~ScannedFile() = default;

int ScannedFile::pageCount() const
{
    return m_source->pageCount();
}

QImage ScannedFile::page(int index) const
{
    return m_source->page(index);
}

QStringList ScannedFile::expand(const QStringList &filesAndFolders)
{
    QStringList files;
    for (const QString &name : filesAndFolders) {
        const QFileInfo info(name);
        if (!info.isDir()) {
            files.append(info.absoluteFilePath());
            continue;
        }
        QStringList found;
        QDirIterator it(info.absoluteFilePath(), QDir::Files | QDir::Readable,
                        QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
        while (it.hasNext()) {
            const QString file = it.next();
            if (kSuffixes.contains(QFileInfo(file).suffix().toLower()))
                found.append(file);
        }
        std::sort(found.begin(), found.end(), numberedBefore);
        files += found;
    }
    return files;
}

QString ScannedFile::dialogFilter()
{
    return QStringLiteral("扫描件 (*.pdf *.png *.jpg *.jpeg *.tif *.tiff "
                          "*.PDF *.PNG *.JPG *.JPEG *.TIF *.TIFF)");
}

#include "ZipPackage.h"

#include "GsfSupport.h"
#include "ReadFailure.h"

#include <QFile>
#include <QStringList>

#include <libdeflate.h>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr qint64 kMinimumLimit = qint64(64) << 20;
// A sheet near the row limit, with its shared strings, inflates to about 700 MB; the large
// parts are read a piece at a time, so this bounds time, not memory.
constexpr qint64 kMaximumLimit = qint64(4) << 30;
constexpr qint64 kRatio = 50; // real sheets inflate 5 to 30 times

// A child by name; package part names ignore letter case, so "SharedStrings.xml" is found
// for "sharedStrings.xml". A new reference, or null.
GsfInput *childNamed(GsfInfile *folder, const QString &name)
{
    if (GsfInput *child = gsf_infile_child_by_name(folder, name.toUtf8().constData()))
        return child;
    const int count = gsf_infile_num_children(folder);
    for (int i = 0; i < count; ++i) {
        const char *candidate = gsf_infile_name_by_index(folder, i);
        if (candidate && QString::fromUtf8(candidate).compare(name, Qt::CaseInsensitive) == 0)
            return gsf_infile_child_by_index(folder, i);
    }
    return nullptr;
}
bool isFolder(GsfInput *input)
{
    return GSF_IS_INFILE(input) && gsf_infile_num_children(GSF_INFILE(input)) >= 0;
}

// The entry at the end of a path of folder names, and its name as the zip file stores it;
// a new reference, or null.
GsfInput *walk(GsfInfile *root, const QStringList &segments, QByteArray &stored)
{
    GsfInfile *folder = root;
    g_object_ref(folder);
    GsfInput *child = nullptr;
    stored.clear();
    for (qsizetype i = 0; i < segments.size(); ++i) {
        child = childNamed(folder, segments[i]);
        g_object_unref(folder);
        if (!child)
            return nullptr;
        if (i > 0)
            stored += '/';
        stored += gsf_input_name(child);
        if (i + 1 < segments.size()) {
            if (!isFolder(child)) {
                g_object_unref(child);
                return nullptr;
            }
            folder = GSF_INFILE(child);
        }
    }
    return child;
}
} // namespace

struct ZipPackage::Handles
{
    int fd = -1; // owned by 'input', which closes it
    GsfInput *input = nullptr;
    GsfInfile *zip = nullptr;
    ~Handles()
    {
        if (zip)
            g_object_unref(zip);
        if (input)
            g_object_unref(input);
        else if (fd >= 0)
            ::close(fd);
    }
};

ZipPackage::ZipPackage(const QString &path)
    : ZipPackage(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC), nullptr)
{
}

// Read where needed, not whole: a package's sheets are read only when asked for, and memory
// matters more than read calls for a file that is mostly compressed sheets.
ZipPackage::ZipPackage(int fd, std::shared_ptr<const ZipDirectory> directory)
    : m_handles(std::make_unique<Handles>()), m_directory(std::move(directory))
{
    GsfSupport::ensureReady();
    m_handles->fd = fd;
    if (!m_directory && fd >= 0)
        m_directory = std::make_shared<const ZipDirectory>(ZipDirectory::read(fd));
    FILE *file = fd >= 0 ? ::fdopen(fd, "rb") : nullptr;
    if (!file)
        damaged(QStringLiteral("无法打开文件"));
    m_handles->input = gsf_input_stdio_new_FILE("", file, false);
    if (!m_handles->input) {
        std::fclose(file);
        m_handles->fd = -1;
        damaged(QStringLiteral("无法打开文件"));
    }
    openZip();
}

void ZipPackage::openZip()
{
    GError *error = nullptr;
    m_handles->zip = gsf_infile_zip_new(m_handles->input, &error);
    if (!m_handles->zip) {
        g_clear_error(&error);
        damaged(QStringLiteral("ZIP 压缩包结构损坏"));
    }
    const qint64 fileSize = gsf_input_size(m_handles->input);
    m_fileSize = fileSize;
    m_remaining = std::clamp(fileSize * kRatio, kMinimumLimit, kMaximumLimit);
}

std::unique_ptr<ZipPackage> ZipPackage::reopen() const
{
    // The descriptor's own entry opens the same file afresh, with an offset of its own, even
    // when the path now names another file.
    const QByteArray own = "/proc/self/fd/" + QByteArray::number(m_handles->fd);
    const int fd = ::open(own.constData(), O_RDONLY | O_CLOEXEC);
    struct stat first = {}, second = {};
    if (fd < 0 || ::fstat(m_handles->fd, &first) != 0 || ::fstat(fd, &second) != 0 ||
        first.st_dev != second.st_dev || first.st_ino != second.st_ino) {
        if (fd >= 0)
            ::close(fd);
        damaged(QStringLiteral("读取过程中文件被替换"));
    }
    return std::unique_ptr<ZipPackage>(new ZipPackage(fd, m_directory)); // the same file's
}

ZipPackage::~ZipPackage() = default;

GsfInput *ZipPackage::find(const QString &name, QByteArray &stored) const
{
    const QStringList segments = name.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (segments.isEmpty())
        return nullptr;
    GsfInput *child = walk(m_handles->zip, segments, stored);
    // Some writers store "xl\\workbook.xml" as one name at the top.
    if (!child && segments.size() > 1) {
        child = childNamed(m_handles->zip, segments.join(QLatin1Char('\\')));
        if (child)
            stored = gsf_input_name(child);
    }
    if (!child || isFolder(child)) {
        if (child)
            g_object_unref(child);
        return nullptr;
    }
    return child;
}

bool ZipPackage::hasPart(const QString &name) const
{
    QByteArray stored;
    GsfInput *child = find(name, stored);
    if (child)
        g_object_unref(child);
    return child != nullptr;
}

GsfInput *ZipPackage::spend(const QString &name, std::optional<quint32> &crc) const
{
    QByteArray stored;
    GsfInput *child = find(name, stored);
    if (!child)
        return nullptr;
    crc = m_directory->crcOf(stored);
    const gsf_off_t declared = gsf_input_size(child);
    // One budget for all parts read, however many times a part is named.
    if (declared < 0 || declared > m_remaining) {
        g_object_unref(child);
        damaged(QStringLiteral("压缩包中的“%1”解压后过大（%2 字节）").arg(name).arg(declared));
    }
    m_remaining -= declared;
    return child;
}

std::optional<QByteArray> ZipPackage::part(const QString &name) const
{
    std::optional<quint32> crc;
    GsfInput *child = spend(name, crc);
    if (!child)
        return std::nullopt;
    const gsf_off_t size = gsf_input_size(child);
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    const bool ok =
        size == 0 || gsf_input_read(child, size_t(size), reinterpret_cast<guint8 *>(bytes.data()));
    g_object_unref(child);
    if (!ok)
        damaged(QStringLiteral("压缩包中的“%1”无法解压").arg(name));
    checkCrc(name, crc, libdeflate_crc32(0, bytes.constData(), size_t(bytes.size())));
    return bytes;
}

std::unique_ptr<ZipPart> ZipPackage::openPart(const QString &name) const
{
    std::optional<quint32> crc;
    GsfInput *here = spend(name, crc);
    if (!here)
        return nullptr;
    g_object_unref(here);
    std::unique_ptr<ZipPackage> second = reopen();
    GsfInput *input = second->spend(name, crc);
    if (!input)
        damaged(QStringLiteral("读取过程中文件被替换"));
    return std::unique_ptr<ZipPart>(new ZipPart(std::move(second), input, name, crc));
}

void ZipPackage::checkCrc(const QString &name, std::optional<quint32> expected, quint32 actual)
{
    // A part the directory does not name alike is left unchecked rather than refused.
    if (expected && *expected != actual)
        damaged(QStringLiteral("压缩包中的“%1”校验不符（CRC-32），内容已损坏").arg(name));
}

ZipPart::ZipPart(std::unique_ptr<ZipPackage> package, GsfInput *input, const QString &name,
                 std::optional<quint32> crc)
    : m_package(std::move(package)), m_input(input), m_name(name), m_size(gsf_input_size(input)),
      m_expectedCrc(crc)
{
}

ZipPart::~ZipPart()
{
    g_object_unref(m_input);
}

qsizetype ZipPart::read(char *into, qsizetype room)
{
    const qsizetype count = qsizetype(std::min<gsf_off_t>(room, gsf_input_remaining(m_input)));
    if (count <= 0)
        return 0;
    if (!gsf_input_read(m_input, size_t(count), reinterpret_cast<guint8 *>(into)))
        damaged(QStringLiteral("压缩包中的“%1”无法解压").arg(m_name));
    // Checked as it is inflated, while the bytes are still in the cache.
    m_crc = quint32(libdeflate_crc32(m_crc, into, size_t(count)));
    if (gsf_input_remaining(m_input) == 0)
        ZipPackage::checkCrc(m_name, m_expectedCrc, m_crc);
    return count;
}

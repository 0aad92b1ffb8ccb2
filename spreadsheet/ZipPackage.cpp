#include "ZipPackage.h"

#include "GsfSupport.h"
#include "ReadFailure.h"

#include <QFile>
#include <QStringList>

namespace {
constexpr qint64 kMinimumLimit = qint64(64) << 20;
constexpr qint64 kMaximumLimit = qint64(512) << 20;
constexpr qint64 kRatio = 100; // real sheets inflate 5 to 30 times

[[noreturn]] void damaged(const QString &detail)
{
    throw ReadFailure{ReadFailure::Damaged, detail};
}
} // namespace

struct ZipPackage::Handles
{
    GsfInput *input = nullptr;
    GsfInfile *zip = nullptr;
    ~Handles()
    {
        if (zip)
            g_object_unref(zip);
        if (input)
            g_object_unref(input);
    }
};

ZipPackage::ZipPackage(const QString &path) : m_handles(std::make_unique<Handles>())
{
    GsfSupport::ensureReady();
    GError *error = nullptr;
    m_handles->input = gsf_input_stdio_new(QFile::encodeName(path).constData(), &error);
    if (!m_handles->input) {
        g_clear_error(&error);
        damaged(QStringLiteral("无法打开文件"));
    }
    m_handles->zip = gsf_infile_zip_new(m_handles->input, &error);
    if (!m_handles->zip) {
        g_clear_error(&error);
        damaged(QStringLiteral("ZIP 压缩包结构损坏"));
    }
    const qint64 fileSize = gsf_input_size(m_handles->input);
    m_limit = std::clamp(fileSize * kRatio, kMinimumLimit, kMaximumLimit);
}

ZipPackage::~ZipPackage() = default;

std::optional<QByteArray> ZipPackage::part(const QString &name) const
{
    const QStringList segments = name.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (segments.isEmpty())
        return std::nullopt;
    GsfInfile *folder = m_handles->zip;
    g_object_ref(folder);
    GsfInput *child = nullptr;
    for (qsizetype i = 0; i < segments.size(); ++i) {
        child = gsf_infile_child_by_name(folder, segments[i].toUtf8().constData());
        g_object_unref(folder);
        if (!child)
            return std::nullopt;
        if (i + 1 < segments.size()) {
            if (!GSF_IS_INFILE(child) || gsf_infile_num_children(GSF_INFILE(child)) < 0) {
                g_object_unref(child);
                return std::nullopt;
            }
            folder = GSF_INFILE(child);
        }
    }
    const gsf_off_t declared = gsf_input_size(child);
    if (declared < 0 || declared > m_limit) {
        g_object_unref(child);
        damaged(QStringLiteral("压缩包中的“%1”解压后过大（%2 字节）").arg(name).arg(declared));
    }
    QByteArray bytes(qsizetype(declared), Qt::Uninitialized);
    const bool ok = declared == 0 || gsf_input_read(child, size_t(declared),
                                                    reinterpret_cast<guint8 *>(bytes.data()));
    g_object_unref(child);
    if (!ok)
        damaged(QStringLiteral("压缩包中的“%1”无法解压").arg(name));
    return bytes;
}

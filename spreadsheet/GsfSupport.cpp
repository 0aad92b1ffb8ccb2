#include "GsfSupport.h"
#include "platform/ErrorText.h"

#include <QFile>

#include <cstring>

namespace GsfSupport {

namespace {
void ignore(const gchar *, GLogLevelFlags, const gchar *, gpointer) {}

// libgsf hands GLib the day-0 dates of some zip entries, and GLib complains of them
// ("g_date_time_unref: assertion 'datetime != NULL' failed") on the terminal; the entry is
// read all the same. Only that complaint is dropped: the rest of GLib, for the whole
// process, still speaks.
void dropZipDateComplaint(const gchar *domain, GLogLevelFlags level, const gchar *message,
                          gpointer data)
{
    if (message && std::strstr(message, "g_date_time_"))
        return;
    g_log_default_handler(domain, level, message, data);
}
} // namespace

void ensureReady()
{
    static const bool ready = [] {
        gsf_init();
        // libgsf's own warnings are about the damage of the file being read, which the
        // reader reports in its own words.
        for (const char *domain : {"libgsf", "libgsf:msole", "libgsf:zip"})
            g_log_set_handler(domain, GLogLevelFlags(G_LOG_LEVEL_MASK), ignore, nullptr);
        g_log_set_handler("GLib", GLogLevelFlags(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING),
                          dropZipDateComplaint, nullptr);
        return true;
    }();
    (void)ready;
}

GsfInput *readWholeFile(const QString &path, LargeBlock &bytes, QString &reason)
{
    QFile file(path);
    // The system's words for why follow ours.
    if (!file.open(QIODevice::ReadOnly)) {
        reason = QStringLiteral("无法打开文件：%1").arg(fileErrorText(file.errorString()));
        return nullptr;
    }
    // Into memory mapped in large pages: a workbook of megabytes costs a few page faults
    // rather than thousands.
    const qint64 size = file.size();
    bytes = LargeBlock(size_t(std::max<qint64>(size, 0)));
    qint64 done = 0;
    while (done < size) {
        const qint64 read = file.read(bytes.data() + done, size - done);
        if (read <= 0)
            break;
        done += read;
    }
    if (file.error() != QFileDevice::NoError || done != size) {
        reason = QStringLiteral("无法读取文件：%1").arg(fileErrorText(file.errorString()));
        return nullptr;
    }
    return gsf_input_memory_new(reinterpret_cast<const guint8 *>(bytes.data()), gsf_off_t(size),
                                FALSE);
}

} // namespace GsfSupport

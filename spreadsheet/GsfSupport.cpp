#include "GsfSupport.h"

#include <QFile>

namespace GsfSupport {

namespace {
void ignore(const gchar *, GLogLevelFlags, const gchar *, gpointer) {}
} // namespace

void ensureReady()
{
    static const bool ready = [] {
        gsf_init();
        for (const char *domain : {"libgsf", "libgsf:msole", "libgsf:zip", "GLib-GObject"})
            g_log_set_handler(domain, GLogLevelFlags(G_LOG_LEVEL_MASK), ignore, nullptr);
        // libgsf hands GLib the day-0 dates of some zip entries, and GLib complains of
        // them ("g_date_time_unref") on the terminal; the entry is read all the same.
        g_log_set_handler("GLib", GLogLevelFlags(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING),
                          ignore, nullptr);
        return true;
    }();
    (void)ready;
}

GsfInput *readWholeFile(const QString &path, QByteArray &bytes, QString &reason)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        reason = file.errorString();
        return nullptr;
    }
    bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        reason = file.errorString();
        return nullptr;
    }
    return gsf_input_memory_new(reinterpret_cast<const guint8 *>(bytes.constData()), bytes.size(),
                                FALSE);
}

} // namespace GsfSupport

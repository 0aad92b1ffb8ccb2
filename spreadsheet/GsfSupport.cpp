#include "GsfSupport.h"

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
        return true;
    }();
    (void)ready;
}

} // namespace GsfSupport

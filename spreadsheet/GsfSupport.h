#pragma once
// What the readers need around libgsf: library set-up and owning handles.

// glib uses the word "signals" as a name; Qt makes it a keyword.
#undef signals
#include <gsf/gsf.h>

#include <memory>

namespace GsfSupport {
// Initialises libgsf once and keeps its complaints about damaged files off the
// terminal: the reader reports them itself.
void ensureReady();

struct Unref
{
    void operator()(void *object) const
    {
        if (object)
            g_object_unref(object);
    }
};
template <typename T> using Ptr = std::unique_ptr<T, Unref>;
} // namespace GsfSupport

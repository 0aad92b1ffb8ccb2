#pragma once
// What the readers need around libgsf: library set-up and owning handles.

// glib uses the word "signals" as a name; Qt makes it a keyword.
#undef signals
#include <gsf/gsf.h>

#include "platform/LargeBlock.h"

#include <QByteArray>
#include <QString>

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

// The whole file read at once into 'bytes', which must outlive the input, as libgsf's
// input over them; null with the reason when the file cannot be read. libgsf's own file
// input reads a few kilobytes at a call, thousands of calls for a large workbook.
GsfInput *readWholeFile(const QString &path, LargeBlock &bytes, QString &reason);
} // namespace GsfSupport

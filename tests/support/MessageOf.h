#pragma once
// The message of the error a piece of work raises; empty when it raises none.

#include "platform/Exception.h"

#include <QString>
#include <functional>

inline QString messageOf(const std::function<void()> &work)
{
    try {
        work();
    } catch (const Exception &error) {
        return error.message();
    }
    return QString();
}

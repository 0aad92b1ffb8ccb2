#pragma once
// The boundary where Qt enters our code. Every slot and event handler that can raise an
// error runs through a guard, which catches it and shows it in the error box, so no
// exception ever unwinds through Qt's own frames.

#include <QString>
#include <utility>

namespace Guard {

// Reports the exception being handled: a silent abort shows nothing, any other error
// shows its message in the error box. Call only from inside a catch block.
void reportCurrentException() noexcept;

// Runs 'work'; an error it raises is reported and false returned.
template <typename Work> bool run(Work &&work) noexcept
{
    try {
        std::forward<Work>(work)();
        return true;
    } catch (...) {
        reportCurrentException();
        return false;
    }
}

// A slot for connect(): the handler runs through the guard. Signal arguments are dropped.
template <typename Object> auto slot(Object *object, void (Object::*handler)())
{
    return [object, handler] { run([&] { (object->*handler)(); }); };
}
template <typename Work> auto slot(Work work)
{
    return [work = std::move(work)] { run(work); };
}

// The caption of the error box: the application's title, set once at start.
void setErrorCaption(const QString &caption);

} // namespace Guard

#pragma once
// Runs a command that opens the modal print preview, as a click would, and tells what the
// preview showed before closing it again.

#include "engine/PreviewWindow.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <functional>

// Runs 'command' from the event loop, as a click would, and gives the preview it opened
// (closed again), or nothing.
struct PreviewSeen
{
    bool shown = false;
    QString caption;
    QString documentName; // what print queues and the PDF's title call it
    int pages = -1;
    QString firstCustomer;
};

inline PreviewSeen runAndCatchPreview(const std::function<void()> &command,
                                      const std::function<void(PreviewWindow &)> &inPreview = {})
{
    PreviewSeen seen;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto *preview = qobject_cast<PreviewWindow *>(QApplication::activeModalWidget())) {
            seen.shown = true;
            seen.caption = preview->windowTitle();
            seen.pages = preview->document().pageCount();
            seen.documentName = preview->document().documentName();
            if (seen.pages > 0)
                seen.firstCustomer = preview->document().records[0][0].toString();
            poll.stop();
            if (inPreview)
                inPreview(*preview);
            preview->reject();
        }
    });
    poll.start(20);
    bool done = false;
    // The command returns once the modal preview it opened has been closed again.
    QTimer::singleShot(0, [&] {
        const QScopeGuard finished([&] { done = true; }); // an error leaves through the event loop
        command();
    });
    QDeadlineTimer deadline(30000);
    while (!done && !deadline.hasExpired())
        QTest::qWait(20);
    return seen;
}

#pragma once
// Windows that show what the table holds follow it: one call after a burst of changes
// (an import sets thousands of cells), once the event loop is back.

#include <QObject>
#include <functional>

class StringGridModel;

// Calls 'then' once after any run of changes to 'table', as long as 'receiver' lives.
void followTableChanges(const StringGridModel &table, QObject *receiver,
                        std::function<void()> then);

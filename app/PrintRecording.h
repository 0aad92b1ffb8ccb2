#pragma once
// The desktop print run into the confirmation ledger: the preview shows only letters the
// ledger can take, and every print or export from it is recorded as a run.

#include "engine/PreviewWindow.h"

#include <functional>

class LedgerStore;
class StringGridModel;

namespace PrintRecording {
// Raises Exception, so that the preview does not show, when the letters cannot be sent
// into 'ledger'; otherwise has the preview record each output. 'rows' are the table rows
// the letters were made from, in order, to name them; the ledger must outlive the (modal)
// preview. 'recorded' follows every attempt to
// record, so what shows the ledger can show what it now holds.
void attach(PreviewWindow &preview, LedgerStore &ledger, const QString &templateName,
            const StringGridModel &table, const QList<int> &rows,
            const std::function<void()> &recorded = {});
} // namespace PrintRecording

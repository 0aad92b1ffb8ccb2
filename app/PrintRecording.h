#pragma once
// The desktop print run into the confirmation ledger: the preview shows only letters the
// ledger can take, and every print or export from it is recorded as a run.

#include "engine/PreviewWindow.h"

class LedgerStore;
class StringGridModel;

namespace PrintRecording {
// Raises Exception, so that the preview does not show, when the letters cannot be sent
// into 'ledger'; otherwise has the preview record each output. 'table' names the letters'
// rows; the ledger must outlive the (modal) preview.
void attach(PreviewWindow &preview, LedgerStore &ledger, const QString &templateName,
            const StringGridModel &table);
} // namespace PrintRecording

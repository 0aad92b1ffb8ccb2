#include "PrintRecording.h"

#include "control/LetterRecording.h"
#include "ledger/LedgerStore.h"
#include "platform/Exception.h"
#include "report/LetterRows.h"

namespace PrintRecording {

void attach(PreviewWindow &preview, LedgerStore &ledger, const QString &templateName,
            const StringGridModel &table)
{
    // The preview's letters are the table's rows that make letters, in order.
    const QList<int> rows = LetterRows(table).rows();
    LetterRecording::requireSendable(ledger, preview.document(), templateName, [&](qsizetype i) {
        return i < rows.size() ? LetterRows::place(table, rows[i]) : QString();
    });
    preview.setOutputListener([&preview, &ledger,
                               templateName](const PreviewWindow::Output &output) {
        const bool printed = output.kind == PreviewWindow::Output::Printer;
        const QString kind = printed                                     ? LetterRecording::Printed
                             : output.kind == PreviewWindow::Output::Pdf ? LetterRecording::Pdf
                                                                         : LetterRecording::EachPdf;
        try {
            LetterRecording::record(ledger, preview.document(), templateName, kind, output.where,
                                    output.pages, output.fileSha256);
        } catch (const Exception &error) {
            throw Exception((printed ? QStringLiteral("询证函已打印，但未能记入函证台账：")
                                     : QStringLiteral("询证函已导出，但未能记入函证台账：")) +
                            error.message());
        }
    });
}

} // namespace PrintRecording

#include "PrintRecording.h"

#include "control/LetterRecording.h"
#include "engine/ProgressWindow.h"
#include "ledger/LedgerStore.h"
#include "platform/Exception.h"
#include "report/LetterRows.h"

#include <optional>

namespace PrintRecording {

void attach(PreviewWindow &preview, LedgerStore &ledger, const QString &templateName,
            const StringGridModel &table, const QList<int> &rows,
            const std::function<void()> &recorded)
{
    const QList<LetterContacts> contacts = LetterRecording::contacts(table, rows);
    LetterRecording::requireSendable(
        ledger, preview.document(), templateName,
        [&](qsizetype i) {
            return i < rows.size() ? LetterRows::place(table, rows[i]) : QString();
        },
        contacts);
    preview.setOutputListener([&preview, &ledger, templateName, recorded,
                               contacts](const PreviewWindow::Output &output) {
        const bool printed = output.kind == PreviewWindow::Output::Printer;
        const QString kind = printed                                     ? LetterRecording::Printed
                             : output.kind == PreviewWindow::Output::Pdf ? LetterRecording::Pdf
                                                                         : LetterRecording::EachPdf;
        try {
            // The letters are out: the page PDFs their hashes need are made to the end.
            std::optional<ProgressWindow> progress;
            if (output.fileSha256.isEmpty())
                progress.emplace(&preview, QStringLiteral("正在记入函证台账…"),
                                 preview.document().pageCount());
            LetterRecording::record(
                ledger, preview.document(), templateName, kind, output.where, output.pages,
                output.fileSha256,
                [&](int done, int) {
                    if (progress)
                        progress->step(done);
                },
                contacts, output.files);
        } catch (const Exception &error) {
            if (recorded)
                recorded();
            throw Exception((printed ? QStringLiteral("询证函已打印，但未能记入函证台账：")
                                     : QStringLiteral("询证函已导出，但未能记入函证台账：")) +
                            error.message());
        }
        if (recorded)
            recorded();
    });
}

} // namespace PrintRecording

#include "PrintCommand.h"

#include "BatchLetters.h"
#include "control/LetterRecording.h"
#include "control/TableSelection.h"
#include "engine/PageFileNames.h"
#include "engine/PdfExport.h"
#include "engine/ReportEngine.h"
#include "ledger/LedgerStore.h"
#include "report/LetterRun.h"

#include <QDir>
#include <QFileInfo>

#include <numeric>

int runPrintCommand(BatchArguments arguments)
{
    const QString pdf = arguments.takeOption(QStringLiteral("--pdf"));
    const QString split = arguments.takeOption(QStringLiteral("--split"));
    const bool overwrite = arguments.takeFlag(QStringLiteral("--overwrite"));
    const QString ledgerFile = arguments.takeOption(QStringLiteral("--ledger"));
    const bool selected = arguments.takeFlag(QStringLiteral("--selection"));
    if (pdf.isEmpty() == split.isEmpty())
        throw UsageError(QStringLiteral("请给出 --pdf FILE 或 --split DIR 中的一个"));
    if (selected && ledgerFile.isEmpty())
        throw UsageError(
            QStringLiteral("--selection 需要 --ledger FILE.rvledger：选样记录在函证台账中"));
    const std::unique_ptr<LedgerStore> ledger =
        ledgerFile.isEmpty() ? nullptr : LedgerStore::open(ledgerFile);
    ReportEngine engine;
    BatchLetterSource source;
    ReportDocument document = batchLetters(
        arguments, engine, {}, &source,
        selected ? [&](const StringGridModel &table) -> std::optional<QList<int>> {
            return TableSelection::selectedRows(*ledger, table, RegionalSettings::user());
        } : std::function<std::optional<QList<int>>(const StringGridModel &)>());
    // Nothing is written of letters the ledger could not take; those it takes carry their
    // keyed codes.
    if (ledger)
        LetterRecording::stampCodes(*ledger, document, source.templateName);
    if (ledger)
        LetterRecording::requireSendable(
            *ledger, document, source.templateName,
            [&](qsizetype i) { return source.places.value(i); }, source.contacts);

    const bool showProgress = BatchOutput::errorIsTerminal();
    const PdfExport::Progress progress = [&](int done, int total) {
        if (showProgress)
            BatchOutput::writeError(QStringLiteral("\r正在生成 PDF：%1/%2").arg(done).arg(total));
        return true;
    };
    QString done, kind, output;
    QStringList names;
    QList<QByteArray> hashes;
    if (!pdf.isEmpty()) {
        PdfExport::writeAll(document, pdf, progress);
        kind = LetterRecording::Pdf;
        output = QFileInfo(pdf).absoluteFilePath();
        done = QStringLiteral("已导出 %1 封询证函到“%2”\n").arg(document.pageCount()).arg(output);
    } else {
        const QString folder = QFileInfo(split).absoluteFilePath();
        const DocumentWording wording = LetterRun::wording();
        QList<int> shortened;
        names = PageFileNames::make(
            PdfExport::fieldTexts(document, wording.fileNameField),
            [&](qsizetype n) { return wording.ordinal(n); }, QStringLiteral(".pdf"), &shortened);
        // As the desktop asks before it writes over letters of an earlier run, the tool
        // stops unless told to.
        if (const int existing = PageFileNames::existingIn(folder, names, QStringLiteral(".pdf"));
            existing > 0 && !overwrite)
            throw Exception(QStringLiteral("文件夹“%1”中已有 %2 个同名文件，未导出任何文件；"
                                           "要覆盖它们，请加 --overwrite")
                                .arg(folder)
                                .arg(existing));
        if (!QDir().mkpath(folder))
            throw Exception(QStringLiteral("无法创建文件夹“%1”").arg(folder));
        PdfExport::writeEach(document, folder, names, progress, ledger ? &hashes : nullptr);
        kind = LetterRecording::EachPdf;
        output = folder;
        done = QStringLiteral("已导出 %1 封询证函到文件夹“%2”，每封一个 PDF 文件\n")
                   .arg(document.pageCount())
                   .arg(folder);
        if (!shortened.isEmpty())
            done += QStringLiteral("注意：%1的文件名过长，已缩短到 %2 字节以内\n")
                        .arg(wording.ordinals(shortened))
                        .arg(PageFileNames::MaxNameBytes);
    }
    if (showProgress)
        BatchOutput::writeError(QStringLiteral("\n"));
    BatchOutput::write(done);
    if (ledger) {
        QList<int> pages(document.pageCount());
        std::iota(pages.begin(), pages.end(), 0);
        try {
            QStringList files;
            if (kind == LetterRecording::EachPdf)
                for (const QString &name : names)
                    files.append(QDir(output).filePath(name + QStringLiteral(".pdf")));
            const LedgerRun run =
                LetterRecording::record(*ledger, document, source.templateName, kind, output, pages,
                                        hashes, {}, source.contacts, files);
            BatchOutput::write(
                QStringLiteral("已记入函证台账“%1”：第 %2 批，新发 %3 封，重印 %4 封\n")
                    .arg(ledger->shownName())
                    .arg(run.id)
                    .arg(run.letters)
                    .arg(run.reprints));
        } catch (const Exception &error) {
            throw Exception(QStringLiteral("询证函已导出，但未能记入函证台账：") + error.message());
        }
    }
    return 0;
}

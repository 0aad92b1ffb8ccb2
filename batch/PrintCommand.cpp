#include "PrintCommand.h"

#include "engine/PageFileNames.h"
#include "engine/PdfExport.h"
#include "engine/ReportEngine.h"
#include "report/LetterRun.h"

#include <QDir>

int runPrintCommand(BatchArguments arguments)
{
    const QString pdf = arguments.takeOption(QStringLiteral("--pdf"));
    const QString split = arguments.takeOption(QStringLiteral("--split"));
    if (pdf.isEmpty() == split.isEmpty())
        throw UsageError(QStringLiteral("请给出 --pdf FILE 或 --split DIR 中的一个"));
    ReportEngine engine;
    const ReportDocument document = batchLetters(arguments, engine);

    const bool showProgress = BatchOutput::errorIsTerminal();
    const PdfExport::Progress progress = [&](int done, int total) {
        if (showProgress)
            BatchOutput::writeError(QStringLiteral("\r正在生成 PDF：%1/%2").arg(done).arg(total));
        return true;
    };
    if (!pdf.isEmpty()) {
        PdfExport::writeAll(document, pdf, progress);
    } else {
        if (!QDir().mkpath(split))
            throw Exception(QStringLiteral("无法创建文件夹“%1”").arg(split));
        const DocumentWording wording = LetterRun::wording();
        const QStringList names =
            PageFileNames::make(PdfExport::fieldTexts(document, wording.fileNameField),
                                [&](qsizetype n) { return wording.ordinal(n); });
        PdfExport::writeEach(document, split, names, progress);
    }
    if (showProgress)
        BatchOutput::writeError(QStringLiteral("\n"));
    return 0;
}

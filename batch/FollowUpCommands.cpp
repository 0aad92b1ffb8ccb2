#include "FollowUpCommands.h"

#include "control/DispatchList.h"
#include "control/FollowUpDocuments.h"
#include "control/LetterRecording.h"
#include "engine/PdfExport.h"
#include "ledger/LedgerStore.h"
#include "platform/Exception.h"
#include "platform/RegionalSettings.h"
#include "table/StringGridModel.h"

#include <QFileInfo>
#include <numeric>

namespace {

struct Common
{
    std::unique_ptr<LedgerStore> ledger;
    QString out;
    QStringList numbers;
    QString templateName;
};

Common common(BatchArguments &arguments, const QString &defaultTemplate)
{
    Common c;
    const QString ledgerFile = arguments.takeOption(QStringLiteral("--ledger"));
    c.out = arguments.takeOption(QStringLiteral("--out"));
    c.numbers = arguments.takeOption(QStringLiteral("--letters"))
                    .split(QLatin1Char(','), Qt::SkipEmptyParts);
    c.templateName = arguments.takeOption(QStringLiteral("--template"), defaultTemplate);
    arguments.requireNoneLeft();
    if (ledgerFile.isEmpty())
        throw UsageError(QStringLiteral("请用 --ledger FILE.rvledger 给出函证台账"));
    if (c.out.isEmpty())
        throw UsageError(QStringLiteral("请用 --out FILE.pdf 给出导出的 PDF 文件"));
    c.ledger = LedgerStore::open(ledgerFile);
    return c;
}

} // namespace

int runDispatchListCommand(BatchArguments arguments)
{
    Common c = common(arguments, DispatchList::TemplateName);
    // Without --letters: every letter not voided, as the ledger lists them.
    QList<LedgerLetter> letters;
    if (c.numbers.isEmpty()) {
        for (const LedgerLetter &letter : c.ledger->letters())
            if (!letter.voided.isValid())
                letters.append(letter);
    } else {
        letters = FollowUpDocuments::lettersNumbered(*c.ledger, c.numbers);
    }
    const ReportDocument list = FollowUpDocuments::dispatchList(
        *c.ledger, letters, RegionalSettings::user(), c.templateName);
    PdfExport::writeAll(list, c.out);
    BatchOutput::write(QStringLiteral("已导出 %1 封询证函的发函清单（%2 页）到“%3”\n")
                           .arg(letters.size())
                           .arg(list.pageCount())
                           .arg(QFileInfo(c.out).absoluteFilePath()));
    return 0;
}

int runSecondRequestsCommand(BatchArguments arguments)
{
    Common c = common(arguments, FollowUpDocuments::SecondRequestTemplate);
    if (c.numbers.isEmpty())
        throw UsageError(QStringLiteral("请用 --letters N,... 给出要发第二次询证函的原函编号"));
    const QList<LedgerLetter> letters = FollowUpDocuments::lettersNumbered(*c.ledger, c.numbers);
    StringGridModel table;
    ReportDocument requests = FollowUpDocuments::secondRequests(
        table, *c.ledger, letters, RegionalSettings::user(), c.templateName);
    const QString templateName = QFileInfo(c.templateName).completeBaseName();
    LetterRecording::stampCodes(*c.ledger, requests, templateName);
    // Nothing is written of letters the ledger could not take.
    LetterRecording::requireSendable(*c.ledger, requests, templateName, [&](qsizetype i) {
        return QStringLiteral("第%1封（原函 %2）").arg(i + 1).arg(letters.value(i).identity.number);
    });
    const QString output = QFileInfo(c.out).absoluteFilePath();
    PdfExport::writeAll(requests, c.out);
    BatchOutput::write(
        QStringLiteral("已导出 %1 封第二次询证函到“%2”\n").arg(requests.pageCount()).arg(output));
    QList<int> pages(requests.pageCount());
    std::iota(pages.begin(), pages.end(), 0);
    try {
        const LedgerRun run = LetterRecording::record(*c.ledger, requests, templateName,
                                                      LetterRecording::Pdf, output, pages, {});
        BatchOutput::write(QStringLiteral("已记入函证台账“%1”：第 %2 批，新发 %3 封\n")
                               .arg(c.ledger->shownName())
                               .arg(run.id)
                               .arg(run.letters));
    } catch (const Exception &error) {
        throw Exception(QStringLiteral("第二次询证函已导出，但未能记入函证台账：") +
                        error.message());
    }
    return 0;
}

#include "FollowUpPrinting.h"

#include "PrintRecording.h"
#include "control/DispatchList.h"
#include "control/FollowUpDocuments.h"
#include "control/LetterRecording.h"
#include "engine/PreviewWindow.h"
#include "ledger/LedgerStore.h"
#include "report/LetterRun.h"
#include "table/StringGridModel.h"

#include <numeric>

namespace FollowUpPrinting {

void printDispatchList(QWidget *owner, LedgerStore &ledger, const QList<LedgerLetter> &letters)
{
    DocumentWording wording;
    wording.unit = QStringLiteral("页");
    wording.noun = DispatchList::TemplateName;
    wording.runName = DispatchList::TemplateName;
    wording.emptyText = QStringLiteral("没有列入发函清单的询证函。");
    PreviewWindow preview(FollowUpDocuments::dispatchList(ledger, letters, RegionalSettings::user(),
                                                          DispatchList::TemplateName),
                          wording, owner);
    preview.exec();
}

void printSecondRequests(QWidget *owner, LedgerStore &ledger, const QList<LedgerLetter> &letters,
                         const std::function<void()> &recorded)
{
    StringGridModel table;
    ReportDocument requests = FollowUpDocuments::secondRequests(
        table, ledger, letters, RegionalSettings::user(), FollowUpDocuments::SecondRequestTemplate);
    LetterRecording::stampCodes(ledger, requests, FollowUpDocuments::SecondRequestTemplate);
    PreviewWindow preview(std::move(requests), LetterRun::wording(), owner);
    // The table's rows 1 on, one a letter, name the letters in what the recording says.
    QList<int> rows(letters.size());
    std::iota(rows.begin(), rows.end(), 1);
    PrintRecording::attach(preview, ledger, FollowUpDocuments::SecondRequestTemplate, table, rows,
                           recorded);
    preview.exec();
}

} // namespace FollowUpPrinting

#include "FollowUpPrinting.h"

#include "PrintRecording.h"
#include "control/DispatchList.h"
#include "control/SecondRequests.h"
#include "engine/PreviewWindow.h"
#include "engine/ReportEngine.h"
#include "engine/ReportError.h"
#include "ledger/LedgerStore.h"
#include "platform/Exception.h"
#include "platform/RegionalSettings.h"
#include "report/LetterRun.h"
#include "table/StringGridModel.h"

#include <numeric>

namespace FollowUpPrinting {

namespace {

DocumentWording listWording()
{
    DocumentWording wording;
    wording.unit = QStringLiteral("页");
    wording.noun = QStringLiteral("发函清单");
    wording.runName = QStringLiteral("发函清单");
    wording.emptyText = QStringLiteral("没有列入发函清单的询证函。");
    return wording;
}

// The letter run of a shipped template over 'table'; a template not found is named rather
// than printed empty.
ReportDocument generated(const StringGridModel &table, const QString &templateName)
{
    const LetterRun run(table, RegionalSettings::user());
    const QString file = LetterRun::templateFileForName(templateName);
    ReportEngine engine;
    if (!engine.LoadTemplateFile(file))
        throw ReportError(QStringLiteral("找不到打印模板文件“%1”").arg(file));
    return run.generate(engine, file);
}

} // namespace

void printDispatchList(QWidget *owner, LedgerStore &ledger, const QList<LedgerLetter> &letters)
{
    if (letters.isEmpty())
        throw Exception(QStringLiteral("没有可列入发函清单的询证函"));
    StringGridModel table;
    DispatchList::fill(table, ledger, letters, RegionalSettings::user());
    ReportDocument list = generated(table, DispatchList::TemplateName);
    // Named by its letters, not by its pages: 发函清单（12 封）.
    list.name =
        QStringLiteral("%1（%2 封）")
            .arg(list.report.title.isEmpty() ? DispatchList::TemplateName : list.report.title)
            .arg(letters.size());
    list.pageName.clear();
    PreviewWindow preview(std::move(list), listWording(), owner);
    preview.exec();
}

void printSecondRequests(QWidget *owner, LedgerStore &ledger, const QList<LedgerLetter> &letters,
                         const std::function<void()> &recorded)
{
    if (letters.isEmpty())
        throw Exception(QStringLiteral("没有选择需要第二次询证函的询证函"));
    StringGridModel table;
    SecondRequests::fill(table, ledger, letters, RegionalSettings::user());
    PreviewWindow preview(generated(table, SecondRequestTemplate), LetterRun::wording(), owner);
    QList<int> rows(letters.size());
    std::iota(rows.begin(), rows.end(), 1);
    PrintRecording::attach(preview, ledger, SecondRequestTemplate, table, rows, recorded);
    preview.exec();
}

} // namespace FollowUpPrinting

#include "FollowUpDocuments.h"

#include "DispatchList.h"
#include "SecondRequests.h"
#include "engine/ReportEngine.h"
#include "engine/ReportError.h"
#include "ledger/LedgerStore.h"
#include "platform/Exception.h"
#include "report/LetterRun.h"
#include "table/StringGridModel.h"

namespace FollowUpDocuments {

namespace {

// A template not found is named rather than printed empty.
ReportDocument generated(const StringGridModel &table, const RegionalSettings &settings,
                         const QString &templateNameOrFile)
{
    const LetterRun run(table, settings);
    const QString file = LetterRun::templateFile(templateNameOrFile);
    ReportEngine engine;
    if (!engine.LoadTemplateFile(file))
        throw ReportError(QStringLiteral("找不到打印模板文件“%1”").arg(file));
    return run.generate(engine, file);
}

} // namespace

ReportDocument dispatchList(const LedgerStore &ledger, const QList<LedgerLetter> &letters,
                            const RegionalSettings &settings, const QString &templateNameOrFile)
{
    if (letters.isEmpty())
        throw Exception(QStringLiteral("没有可列入发函清单的询证函"));
    StringGridModel table;
    DispatchList::fill(table, ledger, letters, settings);
    ReportDocument list = generated(table, settings, templateNameOrFile);
    // A page lists many letters: it is named by none of them.
    list.pageName.clear();
    return list;
}

ReportDocument secondRequests(StringGridModel &table, const LedgerStore &ledger,
                              const QList<LedgerLetter> &letters, const RegionalSettings &settings,
                              const QString &templateNameOrFile)
{
    if (letters.isEmpty())
        throw Exception(QStringLiteral("没有选择需要第二次询证函的询证函"));
    SecondRequests::fill(table, ledger, letters, settings);
    return generated(table, settings, templateNameOrFile);
}

QList<LedgerLetter> lettersNumbered(const LedgerStore &ledger, const QStringList &numbers)
{
    QList<LedgerLetter> letters;
    QStringList unknown, voided;
    for (const QString &number : numbers) {
        if (const std::optional<LedgerLetter> letter = ledger.letter(number.trimmed()))
            letters.append(*letter);
        else if (ledger.lettersNumbered(number.trimmed()).isEmpty())
            unknown.append(number.trimmed());
        else
            voided.append(number.trimmed());
    }
    if (!unknown.isEmpty())
        throw Exception(QStringLiteral("函证台账中没有函证编号为 %1 的询证函")
                            .arg(unknown.join(QStringLiteral("、"))));
    if (!voided.isEmpty())
        throw Exception(
            QStringLiteral("函证编号为 %1 的询证函已作废").arg(voided.join(QStringLiteral("、"))));
    return letters;
}

} // namespace FollowUpDocuments

#include "LedgerCopyCommand.h"

#include "ledger/LedgerCopy.h"

namespace {
// A table of many rows is counted on a terminal as it goes; a script reads only the lines.
constexpr qint64 kShownEvery = 20000;
} // namespace

int runLedgerCopyCommand(BatchArguments arguments)
{
    const QStringList places = arguments.positional(2);
    const bool live = BatchOutput::errorIsTerminal();
    qint64 shown = 0;
    const auto told = [live, &shown](const LedgerCopy::Table &table, qint64 copied) {
        if (copied == table.rows) {
            if (shown > 0)
                BatchOutput::writeError(QStringLiteral("\r\033[K"));
            shown = 0;
            BatchOutput::write(QStringLiteral("已复制%1：%2 行\n").arg(table.shown).arg(copied));
        } else if (live && copied - shown >= kShownEvery) {
            shown = copied;
            BatchOutput::writeError(QStringLiteral("\r正在复制%1：%2 / %3 行")
                                        .arg(table.shown)
                                        .arg(copied)
                                        .arg(table.rows));
        }
    };
    const LedgerCopy::Result result = LedgerCopy::copy(places[0], places[1], told);
    const QString voided =
        result.voided ? QStringLiteral("（另有 %1 封已作废）").arg(result.voided) : QString();
    BatchOutput::write(QStringLiteral("已把%1复制到%2：%3 封询证函%4，%5 条操作记录；"
                                      "副本已核对，操作记录环环相扣，内容与记录相符\n")
                           .arg(result.from, result.to)
                           .arg(result.letters)
                           .arg(voided)
                           .arg(result.logEntries));
    return 0;
}

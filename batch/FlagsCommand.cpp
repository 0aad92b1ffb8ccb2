#include "FlagsCommand.h"

#include "control/CsvTable.h"
#include "control/RiskFlags.h"
#include "ledger/LedgerStore.h"

#include <QDir>
#include <QFileInfo>

int runFlagsCommand(BatchArguments arguments)
{
    const QString path = arguments.takeOption(QStringLiteral("--ledger"));
    const QString csv = arguments.takeOption(QStringLiteral("--csv"));
    const QString minutesText = arguments.takeOption(QStringLiteral("--minutes"));
    arguments.requireNoneLeft();
    if (path.isEmpty())
        throw UsageError(QStringLiteral("flags 须用 --ledger 给出函证台账"));
    int minutes = RiskFlags::minutes();
    if (!minutesText.isEmpty()) {
        bool ok = false;
        minutes = minutesText.toInt(&ok);
        if (!ok || minutes < 1 || minutes > 1440)
            throw UsageError(QStringLiteral("--minutes 须是 1 至 1440 的整数"));
    }
    const auto ledger = LedgerStore::open(path);
    const QList<RiskFlag> flags = RiskFlags::find(RiskFlags::custodyOf(*ledger), minutes);
    QList<QStringList> rows{RiskFlags::titles()};
    for (const RiskFlag &flag : flags)
        rows.append({flag.rule, flag.explanation, RiskFlags::numbersText(flag)});
    if (!csv.isEmpty())
        CsvTable::write(csv, rows);
    for (const QStringList &row : rows)
        BatchOutput::writeCells(row);
    if (flags.isEmpty()) {
        BatchOutput::writeError(QStringLiteral("未发现风险提示\n"));
        return 0;
    }
    BatchOutput::writeError(QStringLiteral("共 %1 条风险提示\n").arg(flags.size()));
    return kFlagsFoundStatus;
}

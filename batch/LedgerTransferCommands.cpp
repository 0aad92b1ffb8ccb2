#include "LedgerTransferCommands.h"

#include "control/RegisterImport.h"
#include "control/RegisterWriter.h"
#include "ledger/LedgerStore.h"

#include <QDir>
#include <QFileInfo>

namespace LedgerTransferCommands {

namespace {

const QString kExport = QStringLiteral("export"), kImport = QStringLiteral("import-register");

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

} // namespace

bool handles(const QString &subcommand)
{
    return subcommand == kExport || subcommand == kImport;
}

int exportRegister(const QString &ledgerPath, const QString &out)
{
    const auto ledger = LedgerStore::open(ledgerPath);
    RegisterWriter::write(*ledger, out);
    BatchOutput::write(QStringLiteral("已将函证台账“%1”的 %2 封询证函登记到“%3”\n")
                           .arg(shown(ledgerPath))
                           .arg(ledger->letterCount())
                           .arg(shown(out)));
    return 0;
}

int run(BatchArguments arguments)
{
    const QStringList given = arguments.positionalList();
    if (given.size() != 3)
        throw UsageError(QStringLiteral("参数个数不对"));
    const QString &subcommand = given[0], &ledgerPath = given[1], &file = given[2];
    if (subcommand == kExport)
        return exportRegister(ledgerPath, file);
    const auto ledger = LedgerStore::open(ledgerPath);
    const RegisterImport::Summary summary = RegisterImport::run(*ledger, file);
    for (const SkippedRow &skipped : summary.skipped)
        BatchOutput::write(
            QStringLiteral("跳过第 %1 行：%2\n").arg(skipped.row).arg(skipped.reason));
    BatchOutput::write(summary.text() + QLatin1Char('\n'));
    return 0;
}

} // namespace LedgerTransferCommands

#include "LedgerTransfers.h"

#include "LedgerFiles.h"
#include "WorkbookSaveName.h"
#include "control/RegisterImport.h"
#include "control/RegisterWriter.h"
#include "ledger/LedgerStore.h"
#include "platform/BusyCursor.h"
#include "platform/Prompts.h"
#include "platform/RecentFolders.h"

#include <QDir>
#include <QFileInfo>

namespace LedgerTransfers {

void exportRegister(LedgerStore &ledger, QWidget *owner)
{
    const QString path =
        askWorkbookSaveName(owner, QStringLiteral("导出函证控制表"), QStringLiteral("函证控制表"),
                            QStringLiteral("register"));
    if (path.isEmpty())
        return;
    {
        const BusyCursor busy;
        RegisterWriter::write(ledger, path);
    }
    Prompts::current().inform(owner, QStringLiteral("提示"),
                              QStringLiteral("已将函证台账“%1”的 %2 封询证函登记到“%3”。")
                                  .arg(LedgerFiles::shortName(ledger))
                                  .arg(ledger.letterCount())
                                  .arg(QDir::toNativeSeparators(path)));
}

bool importFile(LedgerStore &ledger, QWidget *owner)
{
    OpenFileRequest request;
    request.filter = QStringLiteral("函证控制表或发函清单 (*.xlsx *.xls *.csv)");
    request.directory = RecentFolders::folder(QStringLiteral("register"));
    const QString path = Prompts::current().openFileName(owner, request);
    if (path.isEmpty())
        return false;
    RecentFolders::remember(QStringLiteral("register"), QFileInfo(path).absolutePath());
    RegisterImport::Summary summary;
    {
        const BusyCursor busy;
        summary = RegisterImport::run(ledger, path);
    }
    Prompts::current().inform(owner, QStringLiteral("提示"), summary.text());
    return true;
}

} // namespace LedgerTransfers

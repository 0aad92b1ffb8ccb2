#include "LedgerBackup.h"

#include "LedgerFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace LedgerBackup {
namespace {
// Copies are named <ledger>-<yyyyMMdd-HHmmsszzz>-<reason>.rvledger, so that names sort by time.
QString prefixOf(const QString &ledger)
{
    return QFileInfo(ledger).completeBaseName() + QLatin1Char('-');
}
} // namespace

QString folderOf(const QString &ledger)
{
    return QFileInfo(ledger).absoluteDir().filePath(FolderName);
}

QStringList copiesOf(const QString &ledger)
{
    const QDir folder(folderOf(ledger));
    QStringList copies;
    for (const QString &name :
         folder.entryList({prefixOf(ledger) + QLatin1Char('*') + LedgerFile::Extension},
                          QDir::Files, QDir::Name))
        // Only names of our form: another ledger's name may begin with this one's.
        if (name.mid(prefixOf(ledger).size(), 8).toInt() > 0 &&
            name.at(prefixOf(ledger).size() + 8) == QLatin1Char('-'))
            copies.append(folder.filePath(name));
    return copies;
}

bool madeOn(const QString &ledger, const QDate &day)
{
    const QString stamp = prefixOf(ledger) + day.toString(QStringLiteral("yyyyMMdd-"));
    const QStringList copies = copiesOf(ledger);
    return std::any_of(copies.begin(), copies.end(), [&](const QString &copy) {
        return QFileInfo(copy).fileName().startsWith(stamp);
    });
}

QString newCopyPath(const QString &ledger, const QString &reason)
{
    QDir().mkpath(folderOf(ledger));
    return QDir(folderOf(ledger))
        .filePath(prefixOf(ledger) +
                  QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmsszzz")) +
                  QLatin1Char('-') + reason + LedgerFile::Extension);
}

void prune(const QString &ledger)
{
    QStringList copies = copiesOf(ledger);
    while (copies.size() > Kept)
        QFile::remove(copies.takeFirst());
}

} // namespace LedgerBackup

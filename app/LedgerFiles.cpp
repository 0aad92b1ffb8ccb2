#include "LedgerFiles.h"

#include "ledger/LedgerStore.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace LedgerFiles {

namespace {
const QString Suffix = QStringLiteral(".rvledger");
const QString LastKey = QStringLiteral("ledger/last");
} // namespace

QString filter()
{
    return QStringLiteral("函证台账 (*.rvledger)");
}

QString withSuffix(const QString &path)
{
    return path.endsWith(Suffix, Qt::CaseInsensitive) ? path : path + Suffix;
}

bool isLedger(const QString &path)
{
    if (path.endsWith(Suffix, Qt::CaseInsensitive))
        return true;
    QFile file(path);
    return file.open(QIODevice::ReadOnly) &&
           file.read(16) == QByteArrayLiteral("SQLite format 3\0");
}

QString last()
{
    return QSettings().value(LastKey).toString();
}

QString shortName(const LedgerStore &ledger)
{
    return ledger.onServer() ? ledger.shownName() : QFileInfo(ledger.path()).fileName();
}

void remember(const QString &path)
{
    QSettings().setValue(
        LastKey, LedgerLocation::isServer(path) ? path : QFileInfo(path).absoluteFilePath());
}

void forget()
{
    QSettings().remove(LastKey);
}

} // namespace LedgerFiles

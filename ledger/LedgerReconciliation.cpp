// Reconciling items, alternative procedures and the tolerance they are judged by.
#include "LedgerStore.h"

#include "platform/Exception.h"

const QString LedgerStore::ReconcileAction = QStringLiteral("调节");
const QString LedgerStore::AlternativeAction = QStringLiteral("替代程序");

QList<ReconcilingItem> LedgerStore::reconcilingItems(const QString &) const
{
    return {};
}

QHash<QString, QList<ReconcilingItem>> LedgerStore::allReconcilingItems() const
{
    return {};
}

void LedgerStore::setReconcilingItems(const QString &, const QList<ReconcilingItem> &)
{
    throw Exception(QStringLiteral("调节项尚不能保存"));
}

std::optional<AlternativeProcedure> LedgerStore::alternativeProcedure(const QString &) const
{
    return std::nullopt;
}

QHash<QString, AlternativeProcedure> LedgerStore::alternativeProcedures() const
{
    return {};
}

void LedgerStore::setAlternativeProcedure(const QString &,
                                          const std::optional<AlternativeProcedure> &)
{
    throw Exception(QStringLiteral("替代程序尚不能保存"));
}

qint64 LedgerStore::toleranceCents() const
{
    return 0;
}

void LedgerStore::setToleranceCents(qint64)
{
    throw Exception(QStringLiteral("调节容差尚不能保存"));
}

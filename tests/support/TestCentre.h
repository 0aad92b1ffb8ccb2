#pragma once
// A test's own confirmation centre: its cluster started and made a centre as the firm's
// administrator makes one, with init-server.

#include "ledger/LedgerLocation.h"
#include "ledger/LedgerServer.h"
#include "support/PgCluster.h"

// Empty when the centre is ready, else why it is not (for QVERIFY2).
inline QString startCentre(PgCluster &cluster, const QStringList &settings = {})
{
    if (!cluster.start(QStringLiteral("rvcentre"), settings))
        return cluster.error();
    LedgerServer::initialize(LedgerLocation::parse(cluster.adminAddress()));
    return {};
}

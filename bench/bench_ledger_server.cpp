// Many writers on one engagement on a real PostgreSQL server: eight client programs recording
// reply pages at once, each page a write transaction as the reply scan makes it, against one
// writer recording the same pages on an SQLite ledger.
//
//   bench_ledger_server [PAGES]     (10,000 unless given; the target: p95 ≤ 20 ms a page)

#include "ledger/LedgerServer.h"
#include "ledger/LedgerStore.h"
#include "support/LedgerFixtures.h"
#include "support/PgCluster.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {
struct Figures
{
    double seconds = 0;
    QList<double> milliseconds; // each page's write, sorted
    double perSecond() const { return milliseconds.size() / seconds; }
    double quantile(double q) const
    {
        return milliseconds.value(
            std::min<qsizetype>(milliseconds.size() - 1, qsizetype(q * milliseconds.size())));
    }
};

// The ledger at 'address' with letters 1 to 'pages' sent.
void prepare(const QString &address, int pages)
{
    const auto ledger = LedgerStore::create(address, QStringLiteral("bench"));
    ledger->recordRun(ledgerRun(), ledgerPages(1, pages));
}

// 'clients' programs at once, each recording its share of the pages.
Figures record(const QString &address, int pages, int clients)
{
    std::vector<std::unique_ptr<QProcess>> processes;
    QElapsedTimer clock;
    clock.start();
    const int each = pages / clients;
    for (int c = 0; c < clients; ++c) {
        processes.push_back(std::make_unique<QProcess>());
        processes.back()->start(QStringLiteral(LEDGER_CLIENT),
                                {QStringLiteral("pages"), address, QString::number(1 + c * each),
                                 QString::number(each)});
    }
    Figures figures;
    for (auto &process : processes) {
        process->waitForFinished(-1);
        if (process->exitCode() != 0)
            qFatal("a client failed: %s", process->readAllStandardError().constData());
        for (const QByteArray &micro : process->readAllStandardOutput().trimmed().split(' '))
            figures.milliseconds.append(micro.toDouble() / 1000);
    }
    figures.seconds = clock.nsecsElapsed() / 1e9;
    std::sort(figures.milliseconds.begin(), figures.milliseconds.end());
    return figures;
}

void print(const char *what, const Figures &figures)
{
    std::printf("%s: %.0f pages/s, a page median %.2f ms, p95 %.2f ms, max %.1f ms\n", what,
                figures.perSecond(), figures.quantile(0.5), figures.quantile(0.95),
                figures.milliseconds.constLast());
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int pages = argc > 1 ? QByteArray(argv[1]).toInt() : 10000;
    if (const QString why = PgCluster::missing(); !why.isEmpty())
        qFatal("%s", qPrintable(why));
    LedgerStore::setUserName(QStringLiteral("bench"));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bench.rvledger"));
    prepare(file, pages);
    const Figures alone = record(file, pages, 1);

    PgCluster cluster;
    if (!cluster.start())
        qFatal("%s", qPrintable(cluster.error()));
    LedgerServer::initialize(LedgerLocation::parse(cluster.adminAddress()));
    const QString server = cluster.adminAddress(QStringLiteral("bench"));
    prepare(server, pages);
    const Figures together = record(server, pages, 8);

    // Where the time goes: a commit waits for the server's disk to flush, with the engagement's
    // lock held, so the clients' writes cannot share a flush. Measured without the wait, as
    // an administrator could set the server (risking the last moments' writes on a power cut).
    PgCluster unflushed;
    if (!unflushed.start(QStringLiteral("rvcentre"), {QStringLiteral("synchronous_commit = off")}))
        qFatal("%s", qPrintable(unflushed.error()));
    LedgerServer::initialize(LedgerLocation::parse(unflushed.adminAddress()));
    const QString quick = unflushed.adminAddress(QStringLiteral("bench"));
    prepare(quick, pages);
    const Figures unwaited = record(quick, pages, 8);

    std::printf("%d reply pages, each a write transaction\n", pages);
    print("one writer, SQLite file (baseline)", alone);
    print("8 clients at once, PostgreSQL", together);
    print("8 clients at once, PostgreSQL not waiting for its disk's flush", unwaited);
    std::printf("8 clients on PostgreSQL against one writer on SQLite: throughput ratio %.2f, "
                "median ratio %.2f, p95 ratio %.2f; p95 %.2f ms against the target of 20 ms: %s\n",
                together.perSecond() / alone.perSecond(),
                together.quantile(0.5) / alone.quantile(0.5),
                together.quantile(0.95) / alone.quantile(0.95), together.quantile(0.95),
                together.quantile(0.95) <= 20 ? "met" : "missed");
    return 0;
}

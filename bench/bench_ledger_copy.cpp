// Copying an engagement between a ledger file and a real PostgreSQL server against the check
// every copy makes of its source (the least a checked copy must read): a ledger of LETTERS
// letters, each with its PDF and a few changes logged, copied file to file, file to server
// and server back to a file.
//
//   bench_ledger_copy [LETTERS]     (20,000 unless given)

#include "Seconds.h"
#include "ledger/LedgerCopy.h"
#include "ledger/LedgerLocation.h"
#include "ledger/LedgerServer.h"
#include "ledger/LedgerStore.h"
#include "support/LedgerFixtures.h"
#include "support/PgCluster.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? QByteArray(argv[1]).toInt() : 20000;
    if (const QString why = PgCluster::missing(); !why.isEmpty()) {
        std::printf("skipped: %s\n", qPrintable(why));
        return 0;
    }
    PgCluster cluster;
    if (!cluster.start()) {
        std::printf("no cluster: %s\n", qPrintable(cluster.error()));
        return 1;
    }
    LedgerServer::initialize(LedgerLocation::parse(cluster.adminAddress()));
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("source.rvledger"));
    {
        const auto ledger = LedgerStore::create(source, QStringLiteral("bench"));
        QList<SentPage> pages = ledgerPages(1, count);
        for (SentPage &page : pages) {
            // A letter's page PDF is some kilobytes of mostly compressed bytes.
            page.pdf =
                QCryptographicHash::hash(page.identity.number.toUtf8(), QCryptographicHash::Sha512)
                    .repeated(48);
            page.pageSha256 =
                QCryptographicHash::hash(page.pdf, QCryptographicHash::Sha256).toHex();
        }
        ledger->recordRun(ledgerRun(), pages);
        QList<QPair<QString, QList<QPair<LetterField, QString>>>> values;
        for (const SentPage &page : std::as_const(pages))
            values.append({page.identity.number,
                           {{LetterField::SendMethod, QStringLiteral("快递")},
                            {LetterField::SendDate, QStringLiteral("2027-01-05")},
                            {LetterField::ReplyAmount, QStringLiteral("1000.00")}}});
        ledger->setValuesOf(values, QStringLiteral("导入"));
    }
    const auto opened = LedgerStore::open(source);
    const qint64 entries = opened->logSize();
    const double check = seconds([&] { opened->verify(); });
    const double toFile =
        seconds([&] { LedgerCopy::copy(source, dir.filePath(QStringLiteral("copy.rvledger"))); });
    const QString server = cluster.adminAddress(QStringLiteral("bench"));
    const double toServer = seconds([&] { LedgerCopy::copy(source, server); });
    const double back =
        seconds([&] { LedgerCopy::copy(server, dir.filePath(QStringLiteral("back.rvledger"))); });
    std::printf("%d letters, %lld log entries; the source's check %.2f s (baseline)\n", count,
                entries, check);
    std::printf("file to file     %.2f s, ratio %.2f\n", toFile, toFile / check);
    std::printf("file to server   %.2f s, ratio %.2f\n", toServer, toServer / check);
    std::printf("server to file   %.2f s, ratio %.2f\n", back, back / check);
    return 0;
}

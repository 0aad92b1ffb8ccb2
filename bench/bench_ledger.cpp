// The ledger beside the work it rides on: recording a run of letters against exporting them
// (one PDF per letter, where the pages' hashes come with the files; one PDF for all, where
// the page PDFs are made for the hashes alone), and the check of a million log entries
// against reading the same rows without hashing.
//
//   bench_ledger [LETTERS [LOG_ENTRIES]]     (10,000 and 1,000,000 unless given)

#include "BenchLetters.h"
#include "Seconds.h"
#include "control/LetterRecording.h"
#include "engine/PdfExport.h"
#include "ledger/LedgerStore.h"
#include "ledger/LogChain.h"
#include "platform/FontSetup.h"

#include <QGuiApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>
#include <cstdio>
#include <numeric>

namespace {

QList<int> allPages(const ReportDocument &letters)
{
    QList<int> pages(letters.pageCount());
    std::iota(pages.begin(), pages.end(), 0);
    return pages;
}

void recording(int count)
{
    const ReportDocument letters = benchLetters(count);
    const QList<int> pages = allPages(letters);
    QStringList names;
    for (int i = 0; i < count; ++i)
        names.append(QString::number(i));
    QTemporaryDir dir;
    QList<QByteArray> hashes;
    const double split = seconds(
        [&] { PdfExport::writeEach(letters, dir.filePath(QString()), names, {}, &hashes); });
    const auto given = LedgerStore::create(dir.filePath("given.rvledger"), "bench");
    const double recordGiven = seconds([&] {
        LetterRecording::record(*given, letters, "应收帐款确认函", LetterRecording::EachPdf,
                                dir.path(), pages, hashes);
    });
    std::printf("%d letters, one PDF each: export %.2f s, recording %.3f s, %.1f %% extra "
                "(ratio %.3f)\n",
                count, split, recordGiven, 100 * recordGiven / split, 1 + recordGiven / split);

    const double single = seconds([&] { PdfExport::writeAll(letters, dir.filePath("all.pdf")); });
    const auto made = LedgerStore::create(dir.filePath("made.rvledger"), "bench");
    const double recordMade = seconds([&] {
        LetterRecording::record(*made, letters, "应收帐款确认函", LetterRecording::Pdf,
                                dir.filePath("all.pdf"), pages);
    });
    std::printf("%d letters, one PDF: export %.2f s, recording with the page PDFs made %.2f s, "
                "%.0f %% extra (ratio %.2f)\n",
                count, single, recordMade, 100 * recordMade / single, 1 + recordMade / single);
}

// A ledger of 'letters' letters sent in one run, then values set on them until the log holds
// 'entries' entries: the changes written straight into the file, chained as the store chains
// them, in one transaction.
void buildLog(const QString &path, int letters, qint64 entries)
{
    {
        const auto ledger = LedgerStore::create(path, "bench");
        QList<SentPage> pages;
        for (int n = 0; n < letters; ++n) {
            LetterIdentity identity;
            identity.number = QStringLiteral("WL-%1").arg(n, 7, 10, QLatin1Char('0'));
            identity.customer = QStringLiteral("客户%1贸易有限公司").arg(n);
            identity.cutOff = QDate(2026, 12, 31);
            identity.cents = 100000 + n;
            identity.templateName = QStringLiteral("应收帐款确认函");
            pages.append({identity, QByteArray(64, 'a')});
        }
        LedgerRun run;
        run.kind = LetterRecording::Pdf;
        run.output = QStringLiteral("bench.pdf");
        run.templateName = QStringLiteral("应收帐款确认函");
        ledger->recordRun(run, pages);
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("build"));
    db.setDatabaseName(path);
    db.open();
    QSqlQuery query(db);
    query.exec(QStringLiteral("SELECT id, hash FROM log ORDER BY id DESC LIMIT 1"));
    query.next();
    LogEntry entry;
    entry.id = query.value(0).toLongLong();
    entry.hash = query.value(1).toByteArray();
    query.finish();
    if (!db.transaction())
        qFatal("%s", qPrintable(db.lastError().text()));
    query.prepare(QStringLiteral("INSERT INTO log (id, at, username, action, subject, field, "
                                 "old_value, new_value, previous_hash, hash) "
                                 "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    QStringList notes(letters, QStringLiteral(""));
    const QDateTime at = QDateTime::currentDateTimeUtc();
    const QString field = LedgerStore::fieldName(LetterField::Note);
    while (entry.id < entries) {
        const int letter = int(entry.id % letters);
        entry.previousHash = entry.hash;
        ++entry.id;
        entry.at = at.addMSecs(entry.id);
        entry.user = QStringLiteral("bench");
        entry.action = QStringLiteral("修改");
        entry.subject = QStringLiteral("WL-%1").arg(letter, 7, 10, QLatin1Char('0'));
        entry.field = field;
        entry.oldValue = notes[letter];
        entry.newValue = QStringLiteral("第%1次核对").arg(entry.id);
        entry.hash = LogChain::hashOf(entry);
        notes[letter] = entry.newValue;
        for (const QVariant &value :
             {QVariant(entry.id), QVariant(LogChain::timeText(entry.at)), QVariant(entry.user),
              QVariant(entry.action), QVariant(entry.subject), QVariant(entry.field),
              QVariant(entry.oldValue), QVariant(entry.newValue),
              QVariant(QString::fromLatin1(entry.previousHash)),
              QVariant(QString::fromLatin1(entry.hash))})
            query.addBindValue(value);
        if (!query.exec())
            qFatal("%s", qPrintable(query.lastError().text()));
    }
    query.prepare(QStringLiteral("UPDATE letters SET note = ? WHERE number = ?"));
    for (int n = 0; n < letters; ++n) {
        query.addBindValue(notes[n]);
        query.addBindValue(QStringLiteral("WL-%1").arg(n, 7, 10, QLatin1Char('0')));
        query.exec();
    }
    query.prepare(QStringLiteral("UPDATE meta SET value = ? WHERE key = 'log_head'"));
    query.addBindValue(QStringLiteral("%1:%2").arg(entry.id).arg(QString::fromLatin1(entry.hash)));
    query.exec();
    db.commit();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("build"));
}

void verifying(qint64 entries)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("big.rvledger");
    const double built = seconds([&] { buildLog(path, 10000, entries); });
    const auto ledger = LedgerStore::open(path);
    LedgerStore::Verification result;
    const double verified = seconds([&] { result = ledger->verify(); });
    // The baseline: the same rows read, each value taken out as verify takes it.
    qint64 rows = 0;
    const double read = seconds([&] {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("read"));
        db.setDatabaseName(path);
        db.open();
        {
            QSqlQuery query(db);
            query.setForwardOnly(true);
            query.exec(QStringLiteral("SELECT id, at, username, action, subject, field, "
                                      "old_value, new_value, previous_hash, hash FROM log "
                                      "ORDER BY id"));
            LogEntry entry;
            while (query.next()) {
                entry.id = query.value(0).toLongLong();
                const QString at = query.value(1).toString();
                entry.user = query.value(2).toString();
                entry.action = query.value(3).toString();
                entry.subject = query.value(4).toString();
                entry.field = query.value(5).toString();
                entry.oldValue = query.value(6).toString();
                entry.newValue = query.value(7).toString();
                entry.previousHash = query.value(8).toByteArray();
                entry.hash = query.value(9).toByteArray();
                rows += !at.isEmpty();
            }
        }
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("read"));
    });
    std::printf("verify of %lld log entries (%s): %.2f s; reading the same %lld rows without "
                "hashing: %.2f s; ratio %.2f (ledger built in %.1f s)\n",
                static_cast<long long>(result.entries), result.ok ? "intact" : "BROKEN", verified,
                static_cast<long long>(rows), read, verified / read, built);
    if (!result.ok)
        std::printf("  %s\n", qPrintable(result.problem));
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    FontSetup::install();
    const int letters = argc > 1 ? std::atoi(argv[1]) : 10000;
    const qint64 entries = argc > 2 ? std::atoll(argv[2]) : 1000000;
    recording(letters);
    verifying(entries);
    return 0;
}

#pragma once
// One engagement copied whole into a new ledger: from a file to the confirmation centre's
// server, back, or file to file and server to server. Every table's rows keep their ids and
// the log is copied as it is, so its chain holds on the copy; source and copy are both
// checked, and nothing of the copy is left when anything fails.

#include <QList>
#include <QString>
#include <functional>

class LedgerStore;

class LedgerCopy
{
public:
    struct Table
    {
        QString name;  // the table's own
        QString shown; // as the user is told of it
        qint64 rows = 0;
    };
    struct Result
    {
        QString from, to;   // as messages name them
        qint64 letters = 0; // live ones
        qint64 voided = 0;
        qint64 logEntries = 0;
        QList<Table> tables; // in the order copied
    };
    // Told while a table is copied, and once more with all its rows when it is done.
    using Progress = std::function<void(const Table &table, qint64 copied)>;

    // Copies the ledger at 'from' (a file, or a server's address naming the engagement) to a
    // new one at 'to': a file that does not exist yet, or a server's address naming an
    // engagement not there yet. A source of an older version is brought up to date first, as
    // opening it does. Raises Exception, with nothing made, when the source is missing, is no
    // ledger or fails its check, when the target exists, or when the copy fails its check.
    static Result copy(const QString &from, const QString &to, const Progress &progress = {});

private:
    static void copyRows(const LedgerStore &from, LedgerStore &to, Result &result,
                         const Progress &progress);
};

#include "LedgerSchema.h"

#include "SqlDialect.h"

namespace LedgerSchema {

namespace {
QStringList selectionTables(const QString &id)
{
    return {
        QStringLiteral(
            "CREATE TABLE selections (id %1, row_count BIGINT NOT NULL, total_cents BIGINT "
            "NOT NULL, population_sha256 TEXT NOT NULL, method TEXT NOT NULL, "
            "seed TEXT NOT NULL)")
            .arg(id),
        QStringLiteral("CREATE TABLE selection_rounds (selection BIGINT NOT NULL REFERENCES "
                       "selections(id), round INTEGER NOT NULL, at TEXT NOT NULL, username TEXT "
                       "NOT NULL, parameters TEXT NOT NULL, draws_after BIGINT NOT NULL, "
                       "PRIMARY KEY (selection, round))"),
        // The population as it was, so that a table imported later can be told what differs.
        QStringLiteral("CREATE TABLE selection_rows (selection BIGINT NOT NULL REFERENCES "
                       "selections(id), position BIGINT NOT NULL, customer TEXT NOT NULL, "
                       "cut_off TEXT NOT NULL, amount TEXT NOT NULL, number TEXT NOT NULL, "
                       "cents BIGINT NOT NULL, PRIMARY KEY (selection, position))"),
        QStringLiteral("CREATE TABLE selection_picks (selection BIGINT NOT NULL REFERENCES "
                       "selections(id), position BIGINT NOT NULL, round INTEGER NOT NULL, "
                       "reason TEXT NOT NULL, point BIGINT NOT NULL, sequence BIGINT NOT NULL, "
                       "PRIMARY KEY (selection, position))"),
    };
}
QStringList dispatchTables(const SqlDialect &dialect)
{
    const QString id = dialect.idColumn();
    return {
        QStringLiteral("CREATE TABLE messages (id %1, letter BIGINT NOT NULL REFERENCES "
                       "letters(id), kind TEXT NOT NULL, recipient TEXT NOT NULL, subject TEXT "
                       "NOT NULL, message_id TEXT NOT NULL, at TEXT NOT NULL, state TEXT NOT "
                       "NULL, server_reply TEXT NOT NULL)")
            .arg(id),
        QStringLiteral("CREATE INDEX messages_letter ON messages(letter)"),
        // A second request names the letter it follows up.
        QStringLiteral("ALTER TABLE letters ADD COLUMN follows BIGINT REFERENCES letters(id)"),
        QStringLiteral("CREATE TABLE address_checks (id %1, letter BIGINT NOT NULL REFERENCES "
                       "letters(id), checked_by TEXT NOT NULL, how TEXT NOT NULL, checked_on "
                       "TEXT NOT NULL, note TEXT NOT NULL, recorded TEXT NOT NULL)")
            .arg(id),
        // Where a letter is e-mailed, and the very PDF the ledger hashed, kept to attach.
        QStringLiteral("ALTER TABLE letters ADD COLUMN email TEXT NOT NULL DEFAULT ''"),
        QStringLiteral("CREATE TABLE letter_pdfs (letter BIGINT PRIMARY KEY REFERENCES "
                       "letters(id), page_sha256 TEXT NOT NULL, pdf %1 NOT NULL)")
            .arg(dialect.blobType()),
    };
}
// The checks of replies: whether a letter's code carries a keyed checksum, where each run's
// letters leave the respondent room to write, and what the check of each reply page found.
QStringList replyCheckColumns()
{
    QStringList statements{
        QStringLiteral("ALTER TABLE letters ADD COLUMN code_keyed INTEGER NOT NULL DEFAULT 0"),
        QStringLiteral("ALTER TABLE runs ADD COLUMN reply_areas TEXT NOT NULL DEFAULT ''"),
    };
    for (const char *column : {"code_check", "alteration", "regions", "marks", "suggestion"})
        statements.append(QStringLiteral("ALTER TABLE replies ADD COLUMN %1 TEXT NOT NULL "
                                         "DEFAULT ''")
                              .arg(QLatin1String(column)));
    return statements;
}

// --- Version 5: the reply's custody and the parties a reply must not come from.
QStringList custodyTables(const SqlDialect &dialect)
{
    QStringList statements;
    for (const char *column : {"address", "phone", "respondent", "reply_address", "reply_phone",
                               "reply_waybill", "reply_time"})
        statements.append(
            QStringLiteral("ALTER TABLE letters ADD COLUMN %1 TEXT NOT NULL DEFAULT ''")
                .arg(QLatin1String(column)));
    // The client (role 被审计单位, one at most) and its related parties (关联方).
    statements.append(QStringLiteral("CREATE TABLE parties (id %1, role TEXT NOT NULL, name "
                                     "TEXT NOT NULL)")
                          .arg(dialect.idColumn()));
    return statements;
}
// --- End of version 5.

// --- Version 6: reconciling items and alternative procedures, each row its letter's (a
// voided letter keeps its own). The tolerance they are judged by sits in meta.
QStringList reconciliationTables()
{
    return {
        QStringLiteral("CREATE TABLE reconciling_items (letter BIGINT NOT NULL REFERENCES "
                       "letters(id), seq INTEGER NOT NULL, kind TEXT NOT NULL, cents BIGINT NOT "
                       "NULL, item_date TEXT NOT NULL, reference TEXT NOT NULL, note TEXT NOT "
                       "NULL, PRIMARY KEY (letter, seq))"),
        QStringLiteral("CREATE TABLE alternative_procedures (letter BIGINT PRIMARY KEY "
                       "REFERENCES letters(id), covered_cents BIGINT NOT NULL, conclusion TEXT "
                       "NOT NULL, note TEXT NOT NULL)"),
        QStringLiteral("CREATE TABLE alternative_evidence (letter BIGINT NOT NULL REFERENCES "
                       "alternative_procedures(letter), seq INTEGER NOT NULL, kind TEXT NOT NULL, "
                       "cents BIGINT NOT NULL, evidence_date TEXT NOT NULL, reference TEXT NOT "
                       "NULL, PRIMARY KEY (letter, seq))"),
    };
}
// --- End of version 6.

// --- Version 7: a letter's version, counted up by every change of it, so that a change made
// on what another writer has since changed is told apart from one made on what is there.
QStringList letterVersions()
{
    return {QStringLiteral("ALTER TABLE letters ADD COLUMN version BIGINT NOT NULL DEFAULT 1")};
}
// --- End of version 7.
} // namespace

QStringList create(const SqlDialect &dialect)
{
    const QString id = dialect.idColumn();
    return QStringList{
               QStringLiteral("CREATE TABLE meta (key TEXT PRIMARY KEY, value TEXT NOT NULL)"),
               QStringLiteral(
                   "CREATE TABLE runs (id %1, at TEXT NOT NULL, kind TEXT NOT NULL, "
                   "output TEXT NOT NULL, template TEXT NOT NULL, username TEXT NOT NULL, "
                   "letters INTEGER NOT NULL, reprints INTEGER NOT NULL)")
                   .arg(id),
               QStringLiteral(
                   "CREATE TABLE letters (id %1, number TEXT NOT NULL, customer TEXT NOT NULL, "
                   "cut_off TEXT NOT NULL, cents BIGINT, template TEXT NOT NULL, fields TEXT NOT "
                   "NULL, "
                   "first_run BIGINT NOT NULL REFERENCES runs(id), page_sha256 TEXT NOT NULL, "
                   "reprints INTEGER NOT NULL, voided TEXT, void_reason TEXT NOT NULL, "
                   "answered INTEGER NOT NULL, send_method TEXT NOT NULL, waybill TEXT NOT NULL, "
                   "send_date TEXT NOT NULL, reply_date TEXT NOT NULL, reply_channel TEXT NOT "
                   "NULL, "
                   "reply_amount TEXT NOT NULL, result TEXT NOT NULL, difference_reason TEXT NOT "
                   "NULL, "
                   "alternative TEXT NOT NULL, note TEXT NOT NULL)")
                   .arg(id),
               // A number names one letter at a time: another may take it only once it is voided.
               QStringLiteral("CREATE UNIQUE INDEX letters_live_number ON letters(number) "
                              "WHERE voided IS NULL"),
               QStringLiteral("CREATE TABLE sendings (id %1, letter BIGINT NOT NULL REFERENCES "
                              "letters(id), run BIGINT NOT NULL REFERENCES runs(id), "
                              "page_sha256 TEXT NOT NULL, reprint INTEGER NOT NULL)")
                   .arg(id),
               QStringLiteral("CREATE INDEX sendings_letter ON sendings(letter)"),
               QStringLiteral(
                   "CREATE TABLE replies (id %1, file_sha256 TEXT NOT NULL, page INTEGER NOT "
                   "NULL, file TEXT NOT NULL, number TEXT NOT NULL, letter BIGINT "
                   "REFERENCES letters(id), state TEXT NOT NULL, received TEXT NOT NULL, "
                   "channel TEXT NOT NULL, note TEXT NOT NULL, recorded TEXT NOT NULL, "
                   "UNIQUE (file_sha256, page))")
                   .arg(id),
               // The log's ids are its order, given by the program without gaps, so that an entry
               // taken out shows.
               QStringLiteral(
                   "CREATE TABLE log (id BIGINT PRIMARY KEY, at TEXT NOT NULL, "
                   "username TEXT NOT NULL, action TEXT NOT NULL, subject TEXT NOT NULL, "
                   "field TEXT NOT NULL, old_value TEXT NOT NULL, new_value TEXT NOT NULL, "
                   "previous_hash TEXT NOT NULL, hash TEXT NOT NULL)"),
               QStringLiteral("CREATE INDEX log_subject ON log(subject)"),
           } +
           selectionTables(id) + dispatchTables(dialect) + replyCheckColumns() +
           custodyTables(dialect) + reconciliationTables() + letterVersions();
}

QList<Table> tables()
{
    const auto own = [](const char *name) {
        return Table{QLatin1String(name), QStringLiteral("id"), true};
    };
    const auto keyed = [](const char *name, const char *order) {
        return Table{QLatin1String(name), QLatin1String(order), false};
    };
    // A letter follows up only a letter sent before it, so its id order suits its own
    // reference too.
    return {keyed("meta", "key"),
            own("runs"),
            own("letters"),
            own("sendings"),
            own("replies"),
            keyed("log", "id"),
            own("selections"),
            keyed("selection_rounds", "selection, round"),
            keyed("selection_rows", "selection, position"),
            keyed("selection_picks", "selection, position"),
            own("messages"),
            own("address_checks"),
            keyed("letter_pdfs", "letter"),
            own("parties"),
            keyed("reconciling_items", "letter, seq"),
            keyed("alternative_procedures", "letter"),
            keyed("alternative_evidence", "letter, seq")};
}

QStringList upgrade(int from, const SqlDialect &dialect)
{
    switch (from) {
    case 1:
        // The first ledgers knew no reply channel, no difference reason and no
        // alternative procedure.
        return {
            QStringLiteral("ALTER TABLE letters ADD COLUMN reply_channel TEXT NOT NULL DEFAULT ''"),
            QStringLiteral(
                "ALTER TABLE letters ADD COLUMN difference_reason TEXT NOT NULL DEFAULT ''"),
            QStringLiteral("ALTER TABLE letters ADD COLUMN alternative TEXT NOT NULL DEFAULT ''"),
            QStringLiteral("ALTER TABLE replies ADD COLUMN channel TEXT NOT NULL DEFAULT ''"),
        };
    case 2:
        // Selections came with the third version.
        return selectionTables(dialect.idColumn());
    case 3:
        // E-mailed letters and checked addresses came with the fourth.
        return dispatchTables(dialect);
    case 4:
        // Keyed codes, checked replies, the reply's custody and the parties list came with
        // the fifth.
        return replyCheckColumns() + custodyTables(dialect);
    case 5:
        // Reconciling items and alternative procedures came with the sixth.
        return reconciliationTables();
    case 6:
        // Letters' versions came with the seventh.
        return letterVersions();
    default:
        return {};
    }
}

} // namespace LedgerSchema

#pragma once
// The confirmation ledger (函证台账) of one engagement: the one class that reads and writes
// it. Every change is one transaction and one or more entries of the hash-chained log; a
// sent letter never changes, only its dispatch, reply and result fields do.

#include "LedgerLocation.h"
#include "LedgerRoles.h"
#include "LedgerTypes.h"
#include "ReconciliationTypes.h"
#include "SelectionTypes.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>

class SqlDialect;
class QSqlError;
class QSqlQuery;

class LedgerStore
{
public:
    // Makes a new ledger at 'path' for the engagement so named; refuses a file that exists.
    // A postgresql:// address makes the engagement on that server instead.
    static std::unique_ptr<LedgerStore> create(const QString &path, const QString &engagement);
    // Opens a ledger: read-only when it cannot be written (and says why in readOnlyReason()),
    // brought up to date after a backup when older, refused when newer or damaged. Makes
    // the day's backup on the first open of a day. A postgresql:// address opens the
    // engagement it names on that server.
    static std::unique_ptr<LedgerStore> open(const QString &path);
    // The same on a server, with the password given (empty: libpq finds it in PGPASSWORD or
    // the password file).
    static std::unique_ptr<LedgerStore> createOnServer(const LedgerLocation &location,
                                                       const QString &engagement,
                                                       const QString &password = QString());
    static std::unique_ptr<LedgerStore> openOnServer(const LedgerLocation &location,
                                                     const QString &password = QString());
    // As the administrator: brings the engagement's tables on the server up to date, logged.
    // Returns the structure version it had.
    static int upgradeOnServer(const LedgerLocation &location, const QString &password = QString());
    ~LedgerStore();
    LedgerStore(const LedgerStore &) = delete;
    LedgerStore &operator=(const LedgerStore &) = delete;

    // The file, or the server's address (without a password).
    QString path() const { return m_path; }
    // How messages and titles name the ledger: the file, or the server and engagement.
    QString shownName() const;
    bool onServer() const;
    // Whether the connected user holds the role; always so for a ledger file.
    bool hasRole(LedgerRole role) const;
    // Raises Exception naming the role when the user holds none of 'roles'; nothing is
    // changed then.
    void requireRole(std::initializer_list<LedgerRole> roles) const;
    void requireRole(const QList<LedgerRole> &roles) const;
    // Calls 'changed' (in the thread that opened the ledger) when another program changes
    // the ledger on the server; 'context' ends it. Nothing for a ledger file.
    void watchChanges(class QObject *context, const std::function<void()> &changed) const;
    QString engagement() const;
    int schemaVersion() const;
    // The secret the letters' codes are keyed with; empty for a ledger not yet upgraded.
    QByteArray codeKey() const;
    bool readOnly() const { return !m_readOnlyReason.isEmpty(); }
    QString readOnlyReason() const { return m_readOnlyReason; }

    // The fields kept per letter, with their names as the window and register show them.
    static QList<LetterField> fields();
    static QString fieldName(LetterField field);
    // The results 函证结果 may hold.
    static QStringList results();
    // The value as stored: dates as yyyy-MM-dd, amounts with two decimals, results from the
    // list. Raises Exception naming the field when the text is none of these.
    static QString normalized(LetterField field, const QString &text);

    // --- Letters
    QList<LedgerLetter> letters() const;
    int letterCount() const;
    // The letter that number names now (not a voided one).
    std::optional<LedgerLetter> letter(const QString &number) const;
    // The ids of the letters, voided ones too, that 'filter' lets through, in the order
    // they were first sent: a list of 100,000 letters reads them without their contents.
    QList<qint64> letterIds(const LetterFilter &filter = {}) const;
    // The letters with these ids, in the order given; ids of no letter are left out.
    QList<LedgerLetter> lettersWithIds(const QList<qint64> &ids) const;
    // The names of the templates the letters were sent with, sorted.
    QStringList templateNames() const;
    // The letters voided and live that ever had that number, oldest first.
    QList<LedgerLetter> lettersNumbered(const QString &number) const;
    // The sends of 'letters' that would change a letter sent before: by index into 'letters'.
    QList<int> conflicts(const QList<LetterIdentity> &letters) const;
    // Records a run and its letters, all or none: new numbers become letters, numbers sent
    // before with the same content reprints. Raises Exception, recording nothing, when a
    // number was sent with other content or repeats within the run. Returns the run as kept.
    LedgerRun recordRun(LedgerRun run, const QList<SentPage> &pages);
    void voidLetter(const QString &number, const QString &reason);
    // Sets fields of one letter; 'action' names the source in the log (修改, 导入, 回函).
    // A new 回函金额 of a letter with reconciling items sets its 函证结果 again, as
    // setReconcilingItems does; taken off, it takes a 调节后相符 with it.
    // 'seen' is the letter as the caller showed it: when it changed since, a field another
    // writer set to other than was seen is refused (all or none) naming who and when, so
    // nothing is overwritten unseen; fields the other writer left alone go through.
    void setValues(const QString &number, const QList<QPair<LetterField, QString>> &values,
                   const QString &action = QStringLiteral("修改"),
                   const LedgerLetter *seen = nullptr);
    // The same for many letters in one transaction; numbers not in the ledger are returned.
    QStringList
    setValuesOf(const QList<QPair<QString, QList<QPair<LetterField, QString>>>> &letters,
                const QString &action);

    QList<LedgerRun> runs() const;
    // The PDF kept of the live letter of that number, as the ledger hashed it; empty when
    // none is kept (letters sent before every page was kept, without an address).
    QByteArray letterPdf(const QString &number) const;
    // The numbers of the live letters whose PDF is kept, in the order they were sent.
    QStringList numbersWithPdf() const;

    // --- Replies
    bool fileRecorded(const QByteArray &fileSha256) const;
    // Records pages read back, all or none; a page already recorded is left as it is. A
    // page of state 已匹配 marks its letter answered and fills its reply date and channel
    // when still empty. Returns how many pages were new.
    int recordReplies(const QList<ReplyPageRecord> &pages);
    QList<ReplyPageRecord> replies() const;

    // --- Dispatch
    // Records messages sent or failed, all or none; a message names a live letter. Each is
    // an entry of the log (邮件). Sets their times.
    void recordMessages(QList<MessageRecord> messages);
    // The messages of the letter of that number, or all of them, oldest first.
    QList<MessageRecord> messages(const QString &number = QString()) const;
    // Records that the addresses of the letters of those numbers were checked, all or none.
    void checkAddresses(const QList<AddressCheck> &checks);
    void checkAddress(const AddressCheck &check) { checkAddresses({check}); }
    // The checks of the letter of that number, or all of them, oldest first.
    QList<AddressCheck> addressChecks(const QString &number = QString()) const;
    // --- Parties
    // The audited client and its related parties, as the auditor listed them.
    LedgerParties parties() const;
    // Keeps the list given (names with their spaces simplified, empty ones and repeats
    // left out), logging each name added or taken off under PartiesAction.
    void setParties(const LedgerParties &parties);
    static const QString PartiesAction;

    // --- Reconciliation and alternative procedures
    // The reconciling items of the live letter of that number, in the order entered.
    QList<ReconcilingItem> reconcilingItems(const QString &number) const;
    // Every live letter's items, by number: one read for a whole register.
    QHash<QString, QList<ReconcilingItem>> allReconcilingItems() const;
    // Puts 'items' in place of the letter's, all or none, each added or taken off an entry
    // of the log (ReconcileAction); texts are kept without the spaces around them. Where
    // the letter has a 回函金额, sets 函证结果 to what Reconciliation::resultOf gives under
    // the ledger's tolerance (logged as a change of 函证结果 under ReconcileAction); an empty
    // list where there was none leaves the result alone. Raises Exception naming the letter
    // and the item for an item Reconciliation::check refuses, or a number of no live letter.
    // Items belong to the letter: a voided letter keeps its own.
    void setReconcilingItems(const QString &number, const QList<ReconcilingItem> &items);
    // The alternative procedure recorded for the live letter of that number.
    std::optional<AlternativeProcedure> alternativeProcedure(const QString &number) const;
    QHash<QString, AlternativeProcedure> alternativeProcedures() const;
    // Keeps the procedure (in place of any), or takes it off for none; all or none, logged
    // (AlternativeAction: its conclusion, and each piece of evidence added or taken off).
    // Refuses what Reconciliation::check refuses against the letter's book amount.
    void setAlternativeProcedure(const QString &number,
                                 const std::optional<AlternativeProcedure> &procedure);
    // Both of the above for one letter in one transaction: the dialog's save, kept whole or
    // not at all. With 'seen' (what the dialog opened with), a part left as seen is left as
    // it stands, and a part another writer changed since is refused, naming who and when.
    void setReconciliation(const QString &number, const QList<ReconcilingItem> &items,
                           const std::optional<AlternativeProcedure> &procedure,
                           const ReconciliationSeen *seen = nullptr);
    // Within this the difference after the items counts as 调节后相符; 0 until set.
    qint64 toleranceCents() const;
    // Keeps it (logged), and sets 函证结果 again for every letter with items and a reply
    // amount. Refuses a negative tolerance.
    void setToleranceCents(qint64 cents);
    static const QString ReconcileAction;   // 调节
    static const QString AlternativeAction; // 替代程序

    // --- Selections
    // Records a selection, its first round and picks with the population's rows ('rowAt'
    // gives row i of selection.rowCount), all or none; returns its id. Sets the round's
    // time and user.
    qint64 recordSelection(LedgerSelection selection,
                           const std::function<PopulationRow(int position)> &rowAt);
    // Adds a round of picks to selection 'id'; round.round is the one the caller drew as
    // (the number of rounds it knew). Raises Exception, recording nothing, when the
    // selection has more rounds by now, for a row picked before or a position outside the
    // population.
    void extendSelection(qint64 id, SelectionRound round, const QList<SelectionPick> &picks);
    // Every selection, oldest first, with its rounds and picks.
    QList<LedgerSelection> selections() const;
    std::optional<LedgerSelection> selection(qint64 id) const;
    // The rows of the population selection 'id' was made from, in order.
    QList<PopulationRow> population(qint64 id) const;
    // --- The log
    QList<LogEntry> log(const QString &subject = QString()) const;
    // The whole log, an entry at a time, without holding it all.
    void forEachLogEntry(const std::function<void(const LogEntry &)> &take) const;
    qint64 logSize() const;
    // 'count' entries of the whole log from the one numbered 'first' (from 1) on.
    QList<LogEntry> logRange(qint64 first, int count) const;
    struct Verification
    {
        bool ok = true;
        qint64 entries = 0;
        qint64 firstBroken = 0; // the first log entry that breaks the chain, or 0
        QString problem;        // empty when ok
    };
    // Checks the chain of the log and that the letters, runs, replies, reconciling items,
    // alternative procedures and the tolerance are what the log says they became: a change
    // made outside the program shows in one or the other.
    Verification verify() const;

    // Who the log names: the system user, unless a test or the batch tool sets another.
    static QString userName();
    static void setUserName(const QString &name);

private:
    // Copies a whole ledger in where a new one is made.
    friend class LedgerCopy;
    using Filling = std::function<void(LedgerStore &)>;
    LedgerStore(QString path, std::unique_ptr<SqlDialect> dialect);
    // A new ledger file at 'path', its tables made and 'fill' run within one transaction, and
    // moved in place only then: nothing of it is left when 'fill' raises.
    static void makeFile(const QString &path, const Filling &fill);
    // The same on a server: the engagement's row, schema, tables and grants, and 'fill'.
    static std::unique_ptr<LedgerStore> makeOnServer(const LedgerLocation &location,
                                                     const QString &engagement,
                                                     const QString &password, const Filling &fill);
    void connect(bool readOnly);
    void disconnect();
    // A connection the server dropped is made again before the next write.
    void reconnectIfLost();
    // Makes the server's connection again, listening again for the watchers; raises
    // Exception, saying the connection is lost, when the server cannot be reached.
    void reopen() const;
    // Whether a statement failed since the server dropped the connection.
    bool connectionDropped(const QSqlError &error) const;
    // Runs a query ('statement', or the one prepared); outside a write, a connection the
    // server dropped since (a restart) is made again and the query run once more.
    bool exec(QSqlQuery &query, const QString &statement = QString()) const;
    void subscribe() const;
    // The connection to read with: outside a write, made again first when the server
    // dropped it (a statement cannot even be prepared on a connection known dropped).
    const QSqlDatabase &database() const;
    // What the server's refusal says: the role the change needs.
    QString refusedText(const QString &what) const;
    // Reads the connected user's name and roles from the server.
    void readServerUser();
    // Connects to the engagement 'location' names and reads who the user is; refuses one
    // missing, not the user's or of a newer structure.
    static std::unique_ptr<LedgerStore> connectOnServer(const LedgerLocation &location,
                                                        const QString &password);
    // The roles that setting 'values' needs, checked before anything is written.
    void requireRolesFor(const QList<QPair<LetterField, QString>> &values) const;
    // A new ledger's meta and first log entry, within the transaction that makes it.
    void fillNew(const QString &engagement);
    bool beginWrite(QSqlQuery &control);
    void upgradeFrom(int version);
    void backup(const QString &reason);
    void requireWritable() const;
    void write(const std::function<void()> &work);
    void appendLog(const QString &action, const QString &subject, const QString &field,
                   const QString &oldValue, const QString &newValue);
    // Keeps a sent page's 邮箱, 地址 and 电话, each where the letter has none.
    void keepContacts(qint64 id, const QString &number, const SentPage &page);
    // Keeps a sent page's PDF, the one its hash was made of, where the letter has none.
    void keepPdf(qint64 id, const QString &number, const SentPage &page);
    // Raises Exception when a value of 'values' was changed by another writer since 'seen'.
    void refuseStale(const LedgerLetter &current, const LedgerLetter &seen,
                     const QList<QPair<LetterField, QString>> &values) const;
    // Which parts of a reconciliation save to write: a part left as seen is not; raises
    // Exception when a part to write was changed by another writer since 'seen'.
    QPair<bool, bool>
    reconciliationToWrite(const LedgerLetter &current, const ReconciliationSeen &seen,
                          const QList<ReconcilingItem> &items,
                          const std::optional<AlternativeProcedure> &procedure) const;
    // The log's latest entry of the letter numbered so on one of 'fields'.
    std::optional<LogEntry> lastChange(const QString &number, const QStringList &fields) const;
    // Counts the letter's version up: it changed (its items and procedure count as its own).
    void bumpVersion(qint64 letter);
    void setValuesWithin(const LedgerLetter &letter,
                         const QList<QPair<LetterField, QString>> &values, const QString &action);
    // The live letter a waybill is bound to, other than 'except'; none when it is free.
    std::optional<QString> waybillHolder(const QString &waybill, qint64 except) const;
    // What verify() finds of the messages and address checks against what the log says.
    QString dispatchDiffers(const QStringList &messages, const QStringList &checks) const;
    void insertPicks(qint64 selection, const QList<SelectionPick> &picks,
                     const QList<PopulationRow> &rows, int round);
    QList<LedgerSelection> selectSelections(const QString &where, const QVariantList &bound) const;
    // What verify() finds of the parties against the log's entries of them.
    QString partiesDiffer(const QList<LogEntry> &logged) const;
    // Each reconciling item of the letters 'where' lets through (on letters l, items i), in
    // order, with its letter's id and number.
    void forEachItem(const QString &where, const QVariantList &bound,
                     const std::function<void(qint64 letter, const QString &number,
                                              const ReconcilingItem &item)> &take) const;
    // The same for alternative procedures (on letters l, procedures p), with their evidence.
    void forEachProcedure(const QString &where, const QVariantList &bound,
                          const std::function<void(qint64 letter, const QString &number,
                                                   const AlternativeProcedure &)> &take) const;
    // Sets 函证结果 of 'letter' (its values as they stand) from its reply amount and items
    // under 'tolerance', logged under ReconcileAction; a letter without a reply amount or a
    // book amount keeps its result.
    // The live letter of that number; raises Exception naming it when there is none.
    LedgerLetter liveLetter(const QString &number) const;
    // The writes of setReconcilingItems and setAlternativeProcedure, within a transaction.
    void replaceItemsWithin(const LedgerLetter &letter, const QList<ReconcilingItem> &clean);
    void replaceProcedureWithin(const LedgerLetter &letter,
                                const std::optional<AlternativeProcedure> &clean);
    void judgeWithin(const LedgerLetter &letter, const QList<ReconcilingItem> &items,
                     qint64 tolerance);
    // The same for a letter whose reply amount just changed, when it has items.
    void judgeAgainWithin(const LedgerLetter &letter);
    // What verify() finds of the items, procedures and tolerance against the log's entries
    // of them: those of each letter by its id, and those of the tolerance.
    QString reconciliationDiffers(const QHash<qint64, QList<LogEntry>> &logged,
                                  const QList<LogEntry> &tolerance) const;
    // What verify() finds of the selections against what the log says they hold.
    QString selectionsDiffer(const QHash<QString, QStringList> &logged) const;
    // 'kept': the statement is one the writes repeat (see kept()).
    QList<LedgerLetter> selectLetters(const QString &where, const QVariantList &bound,
                                      bool kept = false) const;
    // The statement prepared once for the connection's life: on a server every prepare is a
    // round trip of its own and another to let it go, and a write repeats the same few
    // statements. Finish a query read before its end, so that SQLite's read ends with it.
    QSqlQuery &kept(const QString &statement) const;
    // Ends what the kept statements still hold, as a write ends.
    void finishKept() const;
    QList<LogEntry> selectLog(const QString &where, const QVariantList &bound) const;
    // The log's entries in order, each with its time as stored (what its hash covers);
    // their times are parsed only when 'parseTimes'.
    void forEachLogEntry(const QString &where, const QVariantList &bound, bool parseTimes,
                         const std::function<void(const LogEntry &, const QString &)> &take) const;
    [[noreturn]] void fail(const QString &what, const class QSqlError &error) const;

    QString m_path;
    std::unique_ptr<SqlDialect> m_dialect;
    QString m_connection;
    QSqlDatabase m_db;
    QString m_readOnlyReason;
    mutable std::map<QString, std::unique_ptr<QSqlQuery>> m_kept;
    // Who the log names: the server's user; empty for a file (userName()).
    QString m_logUser;
    QList<LedgerRole> m_roles;
    // The one who set the server up: may make engagements and upgrade them.
    bool m_administrator = false;
    // The roles the change being written needs, for the server's refusal.
    mutable QList<LedgerRole> m_required;
    mutable bool m_connectionLost = false;
    // Someone listens for other programs' changes (watchChanges).
    mutable bool m_watched = false;
    // Within write(): a dropped connection took the transaction with it.
    bool m_writing = false;
    // The log's last entry, read when a write begins.
    qint64 m_logId = 0;
    QByteArray m_logHash;
};

// The ledger's selections: a selection with its population, rounds and picks written in
// one transaction with its log entries, and read back whole.
#include "LedgerStore.h"

#include "LogChain.h"
#include "SelectionRecordText.h"
#include "Sha256Stream.h"
#include "SqlBinding_p.h"
#include "platform/Exception.h"

#include <QSet>

#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

namespace {
QString subjectOf(qint64 selection)
{
    return QStringLiteral("选样 %1").arg(selection);
}
} // namespace

qint64 LedgerStore::recordSelection(LedgerSelection selection,
                                    const std::function<PopulationRow(int)> &rowAt)
{
    requireRole({LedgerRole::Team});
    if (selection.rounds.size() != 1)
        throw Exception(QStringLiteral("选样记录有误：应有且只有第一轮"));
    SelectionRound &first = selection.rounds.first();
    first.round = 0;
    QSet<int> seen;
    for (const SelectionPick &pick : std::as_const(selection.picks)) {
        if (pick.position < 0 || pick.position >= selection.rowCount)
            throw Exception(QStringLiteral("总体只有 %1 行，没有第 %2 行；选样未记录")
                                .arg(selection.rowCount)
                                .arg(qint64(pick.position) + 1));
        if (seen.contains(pick.position))
            throw Exception(QStringLiteral("总体第 %1 行已选中过，不能重复选中；选样未记录")
                                .arg(pick.position + 1));
        seen.insert(pick.position);
    }
    write([&] {
        first.time = QDateTime::currentDateTimeUtc();
        first.user = userName();
        QSqlQuery insert(m_db);
        insert.prepare(QStringLiteral("INSERT INTO selections (row_count, total_cents, "
                                      "population_sha256, method, seed) VALUES (?, ?, ?, ?, ?) "
                                      "RETURNING id"));
        bindAll(insert, {selection.rowCount, selection.totalCents,
                         QString::fromLatin1(selection.populationSha256), selection.method,
                         selection.seed});
        if (!insert.exec() || !insert.next())
            fail(QStringLiteral("选样"), insert.lastError());
        selection.id = insert.value(0).toLongLong();
        insert.finish();

        // Rows go in many to a statement: a million of them one by one take seconds more.
        constexpr int rowsPerStatement = 256;
        const auto statementFor = [](int rows) {
            QString text = QStringLiteral("INSERT INTO selection_rows (selection, position, "
                                          "customer, cut_off, amount, number, cents) VALUES ");
            for (int i = 0; i < rows; ++i)
                text += i == 0 ? QStringLiteral("(?, ?, ?, ?, ?, ?, ?)")
                               : QStringLiteral(", (?, ?, ?, ?, ?, ?, ?)");
            return text;
        };
        QSqlQuery full(m_db), rest(m_db);
        full.prepare(statementFor(rowsPerStatement));
        QList<PopulationRow> picked(selection.picks.size());
        // The rows' texts have their hash; their amounts as read get one of their own.
        Sha256Stream centsHash;
        QHash<int, int> pickOf; // position -> index into the picks
        for (int i = 0; i < selection.picks.size(); ++i)
            pickOf.insert(selection.picks[i].position, i);
        for (int first = 0; first < selection.rowCount; first += rowsPerStatement) {
            const int count = std::min(rowsPerStatement, selection.rowCount - first);
            QSqlQuery &insert = count == rowsPerStatement ? full : rest;
            if (count != rowsPerStatement)
                insert.prepare(statementFor(count));
            for (int position = first; position < first + count; ++position) {
                const PopulationRow values = rowAt(position);
                centsHash.add(SelectionRecordText::centsLine(values.cents));
                bindAll(insert, {selection.id, position, values.customer, values.cutOff,
                                 values.amount, values.number, values.cents});
                if (const auto found = pickOf.constFind(position); found != pickOf.constEnd())
                    picked[*found] = values;
            }
            if (!insert.exec())
                fail(QStringLiteral("选样"), insert.lastError());
        }
        appendLog(QStringLiteral("选样"), subjectOf(selection.id), QString(), QString(),
                  SelectionRecordText::selectionText(selection, first, centsHash.hex()));
        QSqlQuery round(m_db);
        round.prepare(
            QStringLiteral("INSERT INTO selection_rounds (selection, round, at, "
                           "username, parameters, draws_after) VALUES (?, ?, ?, ?, ?, ?)"));
        bindAll(round, {selection.id, 0, LogChain::timeText(first.time), first.user,
                        first.parameters, first.drawsAfter});
        if (!round.exec())
            fail(QStringLiteral("选样"), round.lastError());
        insertPicks(selection.id, selection.picks, picked, 0);
    });
    return selection.id;
}

void LedgerStore::insertPicks(qint64 selection, const QList<SelectionPick> &picks,
                              const QList<PopulationRow> &rows, int round)
{
    QSqlQuery next(m_db);
    next.prepare(QStringLiteral("SELECT COALESCE(MAX(sequence), -1) + 1 FROM selection_picks "
                                "WHERE selection = ?"));
    next.addBindValue(selection);
    if (!next.exec() || !next.next())
        fail(QStringLiteral("选样"), next.lastError());
    qint64 sequence = next.value(0).toLongLong();
    QSqlQuery insert(m_db);
    insert.prepare(QStringLiteral("INSERT INTO selection_picks (selection, position, round, "
                                  "reason, point, sequence) VALUES (?, ?, ?, ?, ?, ?)"));
    for (int i = 0; i < picks.size(); ++i) {
        SelectionPick pick = picks[i];
        pick.round = round;
        bindAll(insert, {selection, pick.position, round, pick.reason, pick.point, sequence++});
        // Rows picked twice were refused before the transaction began.
        if (!insert.exec())
            fail(QStringLiteral("选样"), insert.lastError());
        appendLog(QStringLiteral("选中"), subjectOf(selection), QString(), QString(),
                  SelectionRecordText::pickText(pick, rows[i]));
    }
}

void LedgerStore::extendSelection(qint64 id, SelectionRound round,
                                  const QList<SelectionPick> &picks)
{
    requireRole({LedgerRole::Team});
    write([&] {
        const auto selection = this->selection(id);
        if (!selection)
            throw Exception(QStringLiteral("函证台账中没有第 %1 次选样").arg(id));
        // Drawn from the rounds as they were: another extension kept meanwhile would share
        // its draws.
        if (round.round != selection->rounds.size())
            throw Exception(QStringLiteral("第 %1 次选样已在别处扩大过（现有 %2 次扩大），"
                                           "请重新打开选样后再扩大；扩大样本未记录")
                                .arg(id)
                                .arg(selection->rounds.size() - 1));
        QSet<int> earlier;
        for (const SelectionPick &pick : selection->picks)
            earlier.insert(pick.position);
        QList<PopulationRow> rows;
        QSqlQuery find(m_db);
        find.prepare(QStringLiteral("SELECT customer, cut_off, amount, number, cents FROM "
                                    "selection_rows WHERE selection = ? AND position = ?"));
        for (const SelectionPick &pick : picks) {
            if (earlier.contains(pick.position))
                throw Exception(QStringLiteral("总体第 %1 行已选中过，不能重复选中；扩大样本未记录")
                                    .arg(pick.position + 1));
            earlier.insert(pick.position);
            bindAll(find, {id, pick.position});
            if (!find.exec())
                fail(QStringLiteral("选样"), find.lastError());
            if (!find.next())
                throw Exception(QStringLiteral("第 %1 次选样的总体只有 %2 行，没有第 %3 行")
                                    .arg(id)
                                    .arg(selection->rowCount)
                                    .arg(pick.position + 1));
            rows.append({find.value(0).toString(), find.value(1).toString(),
                         find.value(2).toString(), find.value(3).toString(),
                         find.value(4).toLongLong()});
        }
        round.time = QDateTime::currentDateTimeUtc();
        round.user = userName();
        QSqlQuery insert(m_db);
        insert.prepare(
            QStringLiteral("INSERT INTO selection_rounds (selection, round, at, "
                           "username, parameters, draws_after) VALUES (?, ?, ?, ?, ?, ?)"));
        bindAll(insert, {id, round.round, LogChain::timeText(round.time), round.user,
                         round.parameters, round.drawsAfter});
        if (!insert.exec())
            fail(QStringLiteral("选样"), insert.lastError());
        appendLog(QStringLiteral("扩大样本"), subjectOf(id), QString(), QString(),
                  SelectionRecordText::roundText(round));
        insertPicks(id, picks, rows, round.round);
    });
}

QList<LedgerSelection> LedgerStore::selections() const
{
    return selectSelections(QString(), {});
}

std::optional<LedgerSelection> LedgerStore::selection(qint64 id) const
{
    const QList<LedgerSelection> found = selectSelections(QStringLiteral("WHERE id = ?"), {id});
    if (found.isEmpty())
        return std::nullopt;
    return found.first();
}

QList<LedgerSelection> LedgerStore::selectSelections(const QString &where,
                                                     const QVariantList &bound) const
{
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT id, row_count, total_cents, population_sha256, method, "
                                 "seed FROM selections %1 ORDER BY id")
                      .arg(where));
    bindAll(query, bound);
    if (!exec(query))
        fail(QStringLiteral("读取"), query.lastError());
    QList<LedgerSelection> selections;
    while (query.next())
        selections.append({query.value(0).toLongLong(),
                           query.value(1).toInt(),
                           query.value(2).toLongLong(),
                           query.value(3).toString().toLatin1(),
                           query.value(4).toString(),
                           query.value(5).toString(),
                           {},
                           {}});
    QSqlQuery rounds(database()), picks(database());
    rounds.prepare(QStringLiteral("SELECT round, at, username, parameters, draws_after FROM "
                                  "selection_rounds WHERE selection = ? ORDER BY round"));
    picks.prepare(QStringLiteral("SELECT position, reason, point, round FROM selection_picks "
                                 "WHERE selection = ? ORDER BY sequence"));
    for (LedgerSelection &selection : selections) {
        rounds.addBindValue(selection.id);
        if (!exec(rounds))
            fail(QStringLiteral("读取"), rounds.lastError());
        while (rounds.next())
            selection.rounds.append(
                {rounds.value(0).toInt(),
                 QDateTime::fromString(rounds.value(1).toString(), Qt::ISODateWithMs),
                 rounds.value(2).toString(), rounds.value(3).toString(),
                 rounds.value(4).toLongLong()});
        picks.addBindValue(selection.id);
        if (!exec(picks))
            fail(QStringLiteral("读取"), picks.lastError());
        while (picks.next())
            selection.picks.append({picks.value(0).toInt(), picks.value(1).toString(),
                                    picks.value(2).toLongLong(), picks.value(3).toInt()});
    }
    return selections;
}

QList<PopulationRow> LedgerStore::population(qint64 id) const
{
    QSqlQuery query(database());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT customer, cut_off, amount, number, cents FROM "
                                 "selection_rows WHERE selection = ? ORDER BY position"));
    query.addBindValue(id);
    if (!exec(query))
        fail(QStringLiteral("读取"), query.lastError());
    QList<PopulationRow> rows;
    while (query.next())
        rows.append({query.value(0).toString(), query.value(1).toString(),
                     query.value(2).toString(), query.value(3).toString(),
                     query.value(4).toLongLong()});
    return rows;
}

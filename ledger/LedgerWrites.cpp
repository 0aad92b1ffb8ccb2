// The ledger's changes: runs sent, letters voided, fields set, replies recorded. Each is
// one transaction with its log entries.
#include "LedgerStore.h"

#include "LetterColumns_p.h"
#include "LetterRecordText.h"
#include "LogChain.h"
#include "Sha256.h"
#include "SqlBinding_p.h"
#include "platform/Exception.h"

#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <array>

namespace {

QString listed(const QStringList &numbers)
{
    constexpr int shown = 10;
    QString text = numbers.mid(0, shown).join(QStringLiteral("、"));
    if (numbers.size() > shown)
        text += QStringLiteral(" 等 %1 个").arg(numbers.size());
    return text;
}

} // namespace

LedgerRun LedgerStore::recordRun(LedgerRun run, const QList<SentPage> &pages)
{
    requireRole(LedgerRoles::writers());
    QStringList empty, repeated;
    QSet<QString> seen;
    for (const SentPage &page : pages) {
        const QString number = page.identity.number.trimmed();
        if (number.isEmpty())
            empty.append(page.identity.customer);
        else if (seen.contains(number))
            repeated.append(number);
        seen.insert(number);
    }
    if (!empty.isEmpty())
        throw Exception(
            QStringLiteral("%1 封询证函没有函证编号，未记入函证台账").arg(empty.size()));
    if (!repeated.isEmpty())
        throw Exception(
            QStringLiteral("函证编号 %1 在本次打印中重复，未记入函证台账").arg(listed(repeated)));

    write([&] {
        // Which numbers were sent before, and whether with this content.
        QSqlQuery find(m_db);
        find.prepare(
            QStringLiteral("SELECT id, %1 FROM letters WHERE number = ? AND voided IS NULL")
                .arg(QLatin1String(LetterColumns::Identity)));
        QList<qint64> earlier(pages.size(), 0);
        QStringList changed;
        for (int i = 0; i < pages.size(); ++i) {
            const LetterIdentity &identity = pages[i].identity;
            find.addBindValue(identity.number.trimmed());
            if (!find.exec())
                fail(QStringLiteral("记录"), find.lastError());
            if (!find.next())
                continue;
            const LetterIdentity sent = LetterColumns::identityAt(find, 1);
            if (!sent.sameContent(identity))
                changed.append(sent.number);
            earlier[i] = find.value(0).toLongLong();
        }
        // A second request follows up a letter the ledger holds, live.
        QHash<QString, qint64> followed;
        for (const SentPage &page : pages) {
            const QString first = page.follows.trimmed();
            if (first.isEmpty() || followed.contains(first))
                continue;
            const auto found = letter(first);
            if (!found || first == page.identity.number.trimmed())
                throw Exception(QStringLiteral("第二次询证函 %1 跟进的函证编号 %2 不在函证台账中"
                                               "（或已作废），未记入函证台账")
                                    .arg(page.identity.number.trimmed(), first));
            followed.insert(first, found->id);
        }
        if (!changed.isEmpty())
            throw Exception(
                QStringLiteral("函证编号 %1 已按其他内容发出过，已发出的询证函不能改动；"
                               "如确需重发，请先在函证台账中作废原来的询证函")
                    .arg(listed(changed)));

        run.at = QDateTime::currentDateTimeUtc();
        run.user = userName();
        run.reprints =
            int(std::count_if(earlier.begin(), earlier.end(), [](qint64 id) { return id != 0; }));
        run.letters = int(pages.size()) - run.reprints;
        QSqlQuery insertRun(m_db);
        insertRun.prepare(
            QStringLiteral("INSERT INTO runs (at, kind, output, template, username, "
                           "letters, reprints, reply_areas) VALUES (?, ?, ?, ?, ?, ?, ?, ?) "
                           "RETURNING id"));
        bindAll(insertRun, {LogChain::timeText(run.at), run.kind, run.output, run.templateName,
                            run.user, run.letters, run.reprints, run.replyAreas});
        if (!insertRun.exec() || !insertRun.next())
            fail(QStringLiteral("记录"), insertRun.lastError());
        run.id = insertRun.value(0).toLongLong();
        appendLog(QStringLiteral("运行"), QStringLiteral("运行 %1").arg(run.id), QString(),
                  QString(), LetterRecordText::runText(run));

        QSqlQuery insertLetter(m_db), insertSending(m_db), reprint(m_db);
        QString blanks;
        for (int i = 0; i < LetterColumns::Count; ++i)
            blanks += QStringLiteral(", ''");
        QString fieldColumns;
        for (const char *column : LetterColumns::Fields)
            fieldColumns += QStringLiteral(", ") + QLatin1String(column);
        insertLetter.prepare(
            QStringLiteral("INSERT INTO letters (number, customer, cut_off, cents, template, "
                           "fields, first_run, page_sha256, follows, code_keyed, reprints, "
                           "void_reason, answered%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0, "
                           "'', 0%2) RETURNING id")
                .arg(fieldColumns, blanks));
        insertSending.prepare(QStringLiteral("INSERT INTO sendings (letter, run, page_sha256, "
                                             "reprint) VALUES (?, ?, ?, ?)"));
        reprint.prepare(QStringLiteral(
            "UPDATE letters SET reprints = reprints + 1, version = version + 1 WHERE id = ?"));
        for (int i = 0; i < pages.size(); ++i) {
            const LetterIdentity &identity = pages[i].identity;
            const QString number = identity.number.trimmed();
            qint64 letter = earlier[i];
            if (letter == 0) {
                bindAll(insertLetter,
                        {number, identity.customer, identity.cutOff.toString(Qt::ISODate),
                         identity.cents ? QVariant(*identity.cents)
                                        : QVariant(QMetaType::fromType<qlonglong>()),
                         identity.templateName, LetterRecordText::fieldsText(identity.fields),
                         run.id, QString::fromLatin1(pages[i].pageSha256),
                         pages[i].follows.trimmed().isEmpty()
                             ? QVariant(QMetaType::fromType<qlonglong>())
                             : QVariant(followed.value(pages[i].follows.trimmed())),
                         pages[i].keyedCode ? 1 : 0});
                if (!insertLetter.exec() || !insertLetter.next())
                    fail(QStringLiteral("记录"), insertLetter.lastError());
                letter = insertLetter.value(0).toLongLong();
                insertLetter.finish();
                appendLog(QStringLiteral("发函"), number, QString(), QString(),
                          LetterRecordText::sentText(identity, run.id, pages[i].pageSha256,
                                                     pages[i].follows.trimmed(),
                                                     pages[i].keyedCode));
            } else {
                reprint.addBindValue(letter);
                if (!reprint.exec())
                    fail(QStringLiteral("记录"), reprint.lastError());
                appendLog(QStringLiteral("重印"), number, QString(), QString(),
                          LetterRecordText::sentText({}, run.id, pages[i].pageSha256));
            }
            bindAll(insertSending, {letter, run.id, QString::fromLatin1(pages[i].pageSha256),
                                    earlier[i] != 0 ? 1 : 0});
            if (!insertSending.exec())
                fail(QStringLiteral("记录"), insertSending.lastError());
            keepContacts(letter, number, pages[i]);
            keepPdf(letter, number, pages[i]);
        }
    });
    return run;
}

void LedgerStore::keepContacts(qint64 id, const QString &number, const SentPage &page)
{
    // A reprint fills a field only where none is kept: one the auditor corrected stays.
    LedgerLetter kept;
    kept.id = id;
    kept.identity.number = number;
    kept.values.resize(LetterColumns::Count);
    QList<QPair<LetterField, QString>> filled;
    QSqlQuery query(m_db);
    for (const auto &[field, text] : page.contacts) {
        if (text.trimmed().isEmpty())
            continue;
        query.prepare(QStringLiteral("SELECT %1 FROM letters WHERE id = ?")
                          .arg(QLatin1String(LetterColumns::Fields[int(field)])));
        query.addBindValue(id);
        if (!query.exec() || !query.next())
            fail(QStringLiteral("记录"), query.lastError());
        kept.values[int(field)] = query.value(0).toString();
        query.finish();
        if (kept.value(field).isEmpty())
            filled.append({field, text});
    }
    setValuesWithin(kept, filled, QStringLiteral("登记"));
}

void LedgerStore::keepPdf(qint64 id, const QString &number, const SentPage &page)
{
    if (page.pdf.isEmpty())
        return;
    QSqlQuery query(m_db);
    if (Sha256::hex(page.pdf) != page.pageSha256)
        throw Exception(
            QStringLiteral("函证编号 %1 的PDF与记录的校验值不符，未记入函证台账").arg(number));
    query.prepare(
        QStringLiteral("INSERT INTO letter_pdfs (letter, page_sha256, pdf) SELECT ?, ?, ? "
                       "WHERE NOT EXISTS (SELECT 1 FROM letter_pdfs WHERE letter = ?)"));
    bindAll(query, {id, QString::fromLatin1(page.pageSha256), page.pdf, id});
    if (!query.exec())
        fail(QStringLiteral("记录"), query.lastError());
}

QByteArray LedgerStore::letterPdf(const QString &number) const
{
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT p.pdf FROM letter_pdfs p JOIN letters l ON l.id = "
                                 "p.letter WHERE l.number = ? AND l.voided IS NULL"));
    query.addBindValue(number.trimmed());
    if (!exec(query))
        fail(QStringLiteral("读取"), query.lastError());
    return query.next() ? query.value(0).toByteArray() : QByteArray();
}

QStringList LedgerStore::numbersWithPdf() const
{
    QSqlQuery query(database());
    if (!exec(query, QStringLiteral("SELECT l.number FROM letter_pdfs p JOIN letters l ON l.id = "
                                    "p.letter WHERE l.voided IS NULL ORDER BY l.id")))
        fail(QStringLiteral("读取"), query.lastError());
    QStringList numbers;
    while (query.next())
        numbers.append(query.value(0).toString());
    return numbers;
}

void LedgerStore::voidLetter(const QString &number, const QString &reason)
{
    requireRole({LedgerRole::Team});
    write([&] {
        const auto found = letter(number);
        if (!found)
            throw Exception(
                QStringLiteral("函证台账中没有函证编号为“%1”的有效询证函").arg(number.trimmed()));
        QSqlQuery query(m_db);
        query.prepare(
            QStringLiteral("UPDATE letters SET voided = ?, void_reason = ?, version = version + 1 "
                           "WHERE id = ?"));
        bindAll(query,
                {LogChain::timeText(QDateTime::currentDateTimeUtc()), reason.trimmed(), found->id});
        if (!query.exec())
            fail(QStringLiteral("作废"), query.lastError());
        appendLog(QStringLiteral("作废"), found->identity.number, QString(), QString(),
                  reason.trimmed());
    });
}

void LedgerStore::setValuesWithin(const LedgerLetter &letter,
                                  const QList<QPair<LetterField, QString>> &values,
                                  const QString &action)
{
    // The letter as each value leaves it: a field set twice logs the value it had between.
    LedgerLetter now = letter;
    QList<std::array<QString, 3>> changes; // field name, old, new: the log's entries
    QList<int> columns;                    // the fields changed, each once
    for (const auto &[field, text] : values) {
        const QString value = normalized(field, text);
        const QString old = now.value(field);
        if (value == old)
            continue;
        // One waybill carries one letter: a second would leave the courier's record saying
        // nothing of which letter it took.
        if (field == LetterField::Waybill && !value.isEmpty())
            if (const auto holder = waybillHolder(value, letter.id))
                throw Exception(QStringLiteral("快递单号“%1”已登记在函证编号 %2 的询证函上，"
                                               "不能再用于函证编号 %3")
                                    .arg(value, *holder, letter.identity.number));
        changes.append({fieldName(field), old, value});
        if (!columns.contains(int(field)))
            columns.append(int(field));
        now.values[int(field)] = value;
    }
    if (changes.isEmpty())
        return;
    // One statement for the row however many fields change: on a server each is a round trip.
    QString assignments;
    QVariantList bound;
    for (const int field : columns) {
        assignments += QStringLiteral("%1 = ?, ").arg(QLatin1String(LetterColumns::Fields[field]));
        bound.append(now.values[field]);
    }
    bound.append(letter.id);
    QSqlQuery &query = kept(
        QStringLiteral("UPDATE letters SET %1version = version + 1 WHERE id = ?").arg(assignments));
    bindAll(query, bound);
    if (!query.exec())
        fail(QStringLiteral("修改"), query.lastError());
    for (const auto &[name, old, value] : changes)
        appendLog(action, letter.identity.number, name, old, value);
    if (columns.contains(int(LetterField::ReplyAmount)))
        judgeAgainWithin(now);
}

void LedgerStore::requireRolesFor(const QList<QPair<LetterField, QString>> &values) const
{
    QList<QList<LedgerRole>> needed;
    for (const auto &[field, text] : values)
        if (const QList<LedgerRole> roles = LedgerRoles::forField(field); !needed.contains(roles))
            needed.append(roles);
    for (const QList<LedgerRole> &roles : needed)
        requireRole(roles);
}

void LedgerStore::setValues(const QString &number, const QList<QPair<LetterField, QString>> &values,
                            const QString &action, const LedgerLetter *seen)
{
    requireRolesFor(values);
    // Checked before the transaction, so that a wrong value names itself and nothing is kept.
    for (const auto &[field, text] : values)
        normalized(field, text);
    write([&] {
        // Read within the transaction: what another writer kept a moment ago is the old value.
        const auto found = letter(number);
        if (!found)
            throw Exception(
                QStringLiteral("函证台账中没有函证编号为“%1”的有效询证函").arg(number.trimmed()));
        if (seen)
            refuseStale(*found, *seen, values);
        setValuesWithin(*found, values, action);
    });
}

QStringList
LedgerStore::setValuesOf(const QList<QPair<QString, QList<QPair<LetterField, QString>>>> &letters,
                         const QString &action)
{
    for (const auto &[number, values] : letters)
        requireRolesFor(values);
    for (const auto &[number, values] : letters)
        for (const auto &[field, text] : values)
            normalized(field, text);
    QStringList unknown;
    write([&] {
        unknown.clear();
        for (const auto &[number, values] : letters) {
            const auto found = letter(number);
            if (!found)
                unknown.append(number);
            else
                setValuesWithin(*found, values, action);
        }
    });
    return unknown;
}

bool LedgerStore::fileRecorded(const QByteArray &fileSha256) const
{
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT 1 FROM replies WHERE file_sha256 = ? LIMIT 1"));
    query.addBindValue(QString::fromLatin1(fileSha256));
    if (!exec(query))
        fail(QStringLiteral("读取"), query.lastError());
    return query.next();
}

int LedgerStore::recordReplies(const QList<ReplyPageRecord> &pages)
{
    requireRole({LedgerRole::Clerk});
    int added = 0;
    write([&] {
        added = 0;
        QSqlQuery &exists =
            kept(QStringLiteral("SELECT 1 FROM replies WHERE file_sha256 = ? AND page = ?"));
        QSqlQuery &insert = kept(QStringLiteral(
            "INSERT INTO replies (file_sha256, page, file, number, letter, state, received, "
            "channel, note, recorded, code_check, alteration, regions, marks, suggestion) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        const QString matched = QStringLiteral("已匹配");
        for (const ReplyPageRecord &page : pages) {
            bindAll(exists, {QString::fromLatin1(page.fileSha256), page.page});
            if (!exists.exec())
                fail(QStringLiteral("记录回函"), exists.lastError());
            const bool recorded = exists.next();
            exists.finish();
            if (recorded)
                continue;
            const auto found = page.number.isEmpty() ? std::nullopt : letter(page.number);
            bindAll(insert,
                    {QString::fromLatin1(page.fileSha256), page.page, page.file, page.number,
                     found ? QVariant(found->id) : QVariant(QMetaType::fromType<qlonglong>()),
                     page.state, page.received.toString(Qt::ISODate), page.channel, page.note,
                     LogChain::timeText(QDateTime::currentDateTimeUtc()), page.codeCheck,
                     page.alteration, page.regions, page.marks, page.suggestion});
            if (!insert.exec())
                fail(QStringLiteral("记录回函"), insert.lastError());
            ++added;
            appendLog(QStringLiteral("回函页"), page.number.isEmpty() ? page.file : page.number,
                      QString(), QString(), LetterRecordText::replyText(page));
            if (page.state != matched || !found)
                continue;
            // A letter answered already is left as it is: its version counts changes only.
            const auto markAnswered = [this](const LedgerLetter &letter) {
                if (letter.answered)
                    return;
                QSqlQuery &answered = kept(QStringLiteral(
                    "UPDATE letters SET answered = 1, version = version + 1 WHERE id = ?"));
                answered.addBindValue(letter.id);
                if (!answered.exec())
                    fail(QStringLiteral("记录回函"), answered.lastError());
            };
            markAnswered(*found);
            QList<QPair<LetterField, QString>> filled;
            if (found->value(LetterField::ReplyDate).isEmpty() && page.received.isValid())
                filled.append({LetterField::ReplyDate, page.received.toString(Qt::ISODate)});
            if (found->value(LetterField::ReplyChannel).isEmpty() && !page.channel.isEmpty())
                filled.append({LetterField::ReplyChannel, page.channel});
            setValuesWithin(*found, filled, QStringLiteral("回函"));
            // A reply to a second request answers the confirmation it follows up.
            if (const auto first =
                    found->follows.isEmpty() ? std::nullopt : letter(found->follows)) {
                markAnswered(*first);
                QList<QPair<LetterField, QString>> alsoFilled;
                if (first->value(LetterField::ReplyDate).isEmpty() && page.received.isValid())
                    alsoFilled.append(
                        {LetterField::ReplyDate, page.received.toString(Qt::ISODate)});
                if (first->value(LetterField::ReplyChannel).isEmpty() && !page.channel.isEmpty())
                    alsoFilled.append({LetterField::ReplyChannel, page.channel});
                setValuesWithin(*first, alsoFilled, QStringLiteral("回函"));
            }
        }
    });
    return added;
}

QList<ReplyPageRecord> LedgerStore::replies() const
{
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!exec(query, QStringLiteral("SELECT file_sha256, page, file, number, state, received, "
                                    "channel, note, code_check, alteration, regions, marks, "
                                    "suggestion FROM replies ORDER BY id")))
        fail(QStringLiteral("读取"), query.lastError());
    QList<ReplyPageRecord> pages;
    while (query.next()) {
        ReplyPageRecord page;
        page.fileSha256 = query.value(0).toByteArray();
        page.page = query.value(1).toInt();
        page.file = query.value(2).toString();
        page.number = query.value(3).toString();
        page.state = query.value(4).toString();
        page.received = QDate::fromString(query.value(5).toString(), Qt::ISODate);
        page.channel = query.value(6).toString();
        page.note = query.value(7).toString();
        page.codeCheck = query.value(8).toString();
        page.alteration = query.value(9).toString();
        page.regions = query.value(10).toString();
        page.marks = query.value(11).toString();
        page.suggestion = query.value(12).toString();
        pages.append(page);
    }
    return pages;
}

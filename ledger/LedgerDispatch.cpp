// The ledger's dispatch records: messages sent by e-mail and addresses checked, each with
// its log entry, and the rule that a waybill goes with one letter only.
#include "LedgerStore.h"

#include "DispatchRecordText.h"
#include "LogChain.h"
#include "Sha256.h"
#include "SqlBinding_p.h"
#include "platform/Exception.h"

#include <QSqlError>
#include <QSqlQuery>

void LedgerStore::recordMessages(QList<MessageRecord> messages)
{
    requireRole({LedgerRole::Clerk});
    write([&] {
        QSqlQuery insert(m_db);
        insert.prepare(QStringLiteral(
            "INSERT INTO messages (letter, kind, recipient, subject, message_id, at, state, "
            "server_reply) VALUES (?, ?, ?, ?, ?, ?, ?, ?) RETURNING id"));
        for (MessageRecord &message : messages) {
            const auto found = letter(message.number);
            if (!found)
                throw Exception(QStringLiteral("函证台账中没有函证编号为“%1”的有效询证函")
                                    .arg(message.number.trimmed()));
            message.number = found->identity.number;
            message.at = QDateTime::currentDateTimeUtc();
            bindAll(insert,
                    {found->id, message.kind, message.recipient, message.subject, message.messageId,
                     LogChain::timeText(message.at), message.state, message.serverReply});
            if (!insert.exec() || !insert.next())
                fail(QStringLiteral("记录邮件"), insert.lastError());
            message.id = insert.value(0).toLongLong();
            insert.finish();
            appendLog(QStringLiteral("邮件"), message.number, QString(), QString(),
                      DispatchRecordText::messageText(message));
        }
    });
}

QList<MessageRecord> LedgerStore::messages(const QString &number) const
{
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT m.id, l.number, m.kind, m.recipient, m.subject, "
                                 "m.message_id, m.at, m.state, m.server_reply FROM messages m "
                                 "JOIN letters l ON l.id = m.letter %1 ORDER BY m.id")
                      .arg(number.isEmpty() ? QString() : QStringLiteral("WHERE l.number = ?")));
    if (!number.isEmpty())
        query.addBindValue(number.trimmed());
    if (!exec(query))
        fail(QStringLiteral("读取"), query.lastError());
    QList<MessageRecord> found;
    while (query.next())
        found.append({query.value(0).toLongLong(), query.value(1).toString(),
                      query.value(2).toString(), query.value(3).toString(),
                      query.value(4).toString(), query.value(5).toString(),
                      QDateTime::fromString(query.value(6).toString(), Qt::ISODateWithMs),
                      query.value(7).toString(), query.value(8).toString()});
    return found;
}

void LedgerStore::checkAddresses(const QList<AddressCheck> &checks)
{
    requireRole({LedgerRole::Clerk});
    for (const AddressCheck &check : checks)
        if (check.by.trimmed().isEmpty() || check.how.trimmed().isEmpty() || !check.on.isValid())
            throw Exception(QStringLiteral("核实地址须写明核实人、核实方式和日期"));
    write([&] {
        for (const AddressCheck &check : checks) {
            const auto found = letter(check.number);
            if (!found)
                throw Exception(QStringLiteral("函证台账中没有函证编号为“%1”的有效询证函")
                                    .arg(check.number.trimmed()));
            QSqlQuery insert(m_db);
            insert.prepare(QStringLiteral("INSERT INTO address_checks (letter, checked_by, how, "
                                          "checked_on, note, recorded) VALUES (?, ?, ?, ?, ?, ?)"));
            bindAll(insert, {found->id, check.by.trimmed(), check.how.trimmed(),
                             check.on.toString(Qt::ISODate), check.note.trimmed(),
                             LogChain::timeText(QDateTime::currentDateTimeUtc())});
            if (!insert.exec())
                fail(QStringLiteral("核实地址"), insert.lastError());
            AddressCheck kept = check;
            kept.by = check.by.trimmed();
            kept.how = check.how.trimmed();
            kept.note = check.note.trimmed();
            appendLog(QStringLiteral("核实地址"), found->identity.number, QString(), QString(),
                      DispatchRecordText::addressText(kept));
        }
    });
}

QList<AddressCheck> LedgerStore::addressChecks(const QString &number) const
{
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT l.number, a.checked_by, a.how, a.checked_on, a.note, "
                                 "a.letter "
                                 "FROM address_checks a JOIN letters l ON l.id = a.letter %1 "
                                 "ORDER BY a.id")
                      .arg(number.isEmpty() ? QString() : QStringLiteral("WHERE l.number = ?")));
    if (!number.isEmpty())
        query.addBindValue(number.trimmed());
    if (!exec(query))
        fail(QStringLiteral("读取"), query.lastError());
    QList<AddressCheck> found;
    while (query.next())
        found.append({query.value(0).toString(), query.value(1).toString(),
                      query.value(2).toString(),
                      QDate::fromString(query.value(3).toString(), Qt::ISODate),
                      query.value(4).toString(), query.value(5).toLongLong()});
    return found;
}

std::optional<QString> LedgerStore::waybillHolder(const QString &waybill, qint64 except) const
{
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT number FROM letters WHERE waybill = ? AND id <> ? AND "
                                 "voided IS NULL"));
    bindAll(query, {waybill, except});
    if (!exec(query))
        fail(QStringLiteral("读取"), query.lastError());
    if (!query.next())
        return std::nullopt;
    return query.value(0).toString();
}

QString LedgerStore::dispatchDiffers(const QStringList &messages, const QStringList &checks) const
{
    QStringList kept;
    for (const MessageRecord &message : this->messages())
        kept.append(message.number + QLatin1Char(' ') + DispatchRecordText::messageText(message));
    if (kept != messages)
        return QStringLiteral("邮件发送记录与操作记录不符");
    kept.clear();
    for (const AddressCheck &check : addressChecks())
        kept.append(check.number + QLatin1Char(' ') + DispatchRecordText::addressText(check));
    if (kept != checks)
        return QStringLiteral("地址核实记录与操作记录不符");
    // A kept PDF is e-mailed as the letter: it must be a page some run sent, unchanged.
    QSqlQuery pdfs(database());
    pdfs.setForwardOnly(true);
    if (!exec(pdfs,
              QStringLiteral(
                  "SELECT l.number, p.page_sha256, p.pdf, (SELECT COUNT(*) FROM sendings s WHERE "
                  "s.letter = p.letter AND s.page_sha256 = p.page_sha256) FROM letter_pdfs p JOIN "
                  "letters l ON l.id = p.letter ORDER BY p.letter")))
        fail(QStringLiteral("读取"), pdfs.lastError());
    while (pdfs.next())
        if (pdfs.value(3).toInt() == 0 ||
            Sha256::hex(pdfs.value(2).toByteArray()) != pdfs.value(1).toByteArray())
            return QStringLiteral("函证编号 %1 保存的PDF与发函时的校验值不符")
                .arg(pdfs.value(0).toString());
    return QString();
}

#include "LedgerStore.h"

#include "CentreRefusal.h"
#include "LedgerBackup.h"
#include "LedgerFile.h"
#include "LedgerSchema.h"
#include "LetterCode.h"
#include "LetterColumns_p.h"
#include "LetterRecordText.h"
#include "LogChain.h"
#include "SqlBinding_p.h"
#include "SqlDialect.h"
#include "platform/Exception.h"
#include "platform/WaybillRules.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUuid>

#include <pwd.h>
#include <unistd.h>

namespace {
QString g_userName;

// The columns of the letters' fields, in the order of LetterField.

QString nativeName(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

QDate parsedDate(const QString &text)
{
    static const QStringList formats{QStringLiteral("yyyy-M-d"), QStringLiteral("yyyy/M/d"),
                                     QStringLiteral("yyyy.M.d"), QStringLiteral("yyyyMMdd"),
                                     QStringLiteral("yyyy年M月d日")};
    for (const QString &format : formats)
        if (const QDate date = QDate::fromString(text, format); date.isValid())
            return date;
    return {};
}
} // namespace

// --- Opening

LedgerStore::LedgerStore(QString path, std::unique_ptr<SqlDialect> dialect)
    // A server's address is kept as it is: as a file's name it would become a folder of ours.
    : m_path(LedgerLocation::isServer(path) ? path : QFileInfo(path).absoluteFilePath()),
      m_dialect(std::move(dialect)),
      m_connection(QStringLiteral("ledger-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
}

LedgerStore::~LedgerStore()
{
    disconnect();
}

QString LedgerStore::shownName() const
{
    return m_dialect->shownName();
}

void LedgerStore::connect(bool readOnly)
{
    m_db = QSqlDatabase::addDatabase(m_dialect->driverName(), m_connection);
    if (!m_db.isValid())
        throw Exception(m_dialect->driverName() == QLatin1String("QSQLITE")
                            ? QStringLiteral("无法打开函证台账：缺少 SQLite 数据库驱动"
                                             "（libqt6sql6-sqlite）")
                            : QStringLiteral("无法连接函证中心：缺少 PostgreSQL 数据库驱动"
                                             "（libqt6sql6-psql）"));
    m_dialect->configure(m_db, readOnly);
    if (!m_db.open()) {
        // A connection never made is no connection lost: the server's words say why.
        m_dialect->refuseConnection(m_db.lastError());
        fail(QStringLiteral("打开"), m_db.lastError());
    }
    m_dialect->prepareConnection(m_db);
}

void LedgerStore::reopen() const
{
    const auto lost = [this](const QSqlError &error) {
        m_connectionLost = true;
        return Exception(QStringLiteral("与%1的连接中断，未能再次连接：%2。请检查网络和服务器，"
                                        "恢复后重试；没有记下任何一半的改动")
                             .arg(shownName(), error.databaseText().simplified()));
    };
    // Tried first on a connection of its own: while the server is away the ledger's stays
    // open as far as Qt knows, so that its statements are still prepared (and kept to be
    // run again) rather than refused unread.
    {
        const QString trial = m_connection + QStringLiteral("-trial");
        QSqlError refused;
        {
            QSqlDatabase db = QSqlDatabase::cloneDatabase(m_db, trial);
            if (!db.open())
                refused = db.lastError();
            db.close();
        }
        QSqlDatabase::removeDatabase(trial);
        if (refused.isValid())
            throw lost(refused);
    }
    // The same connection made again, so that the queries and the watchers' signal, which
    // belong to it, carry on. The statements kept prepared went with the old one: each is
    // prepared again in its place, since a caller may be running one now.
    QSqlDatabase db = m_db;
    db.close();
    if (!db.open())
        throw lost(db.lastError());
    m_connectionLost = false;
    m_dialect->prepareConnection(db);
    for (const auto &[statement, query] : m_kept)
        query->prepare(statement);
    // LISTEN belongs to a connection: the watchers hear nothing on the new one without it.
    if (m_watched)
        subscribe();
}

const QSqlDatabase &LedgerStore::database() const
{
    if (!m_writing && onServer() && (m_connectionLost || !m_db.isOpen()))
        reopen();
    return m_db;
}

bool LedgerStore::connectionDropped(const QSqlError &error) const
{
    if (!onServer())
        return false;
    // Qt counts a connection libpq found dropped as not open.
    if (m_connectionLost || !m_db.isOpen() || m_dialect->isConnectionLost(error))
        return true;
    // A statement prepared on a dropped connection fails without an error of its own: the
    // connection is asked.
    QSqlQuery probe(m_db);
    return !probe.exec(QStringLiteral("SELECT 1")) &&
           m_dialect->isConnectionLost(probe.lastError());
}

bool LedgerStore::exec(QSqlQuery &query, const QString &statement) const
{
    const bool done = statement.isNull() ? query.exec() : query.exec(statement);
    // Within a write the transaction went with the connection: the write fails whole.
    if (done || m_writing || !connectionDropped(query.lastError()))
        return done;
    // Prepared statements belong to the connection too: prepared again, with their values,
    // which preparing forgets.
    const QVariantList values = query.boundValues();
    reopen();
    if (!statement.isNull())
        return query.exec(statement);
    if (!query.prepare(query.lastQuery()))
        return false;
    for (const QVariant &value : values)
        query.addBindValue(value);
    return query.exec();
}

void LedgerStore::disconnect()
{
    m_kept.clear();
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}

std::unique_ptr<LedgerStore> LedgerStore::create(const QString &path, const QString &engagement)
{
    if (LedgerLocation::isServer(path))
        return createOnServer(LedgerLocation::parse(path), engagement);
    makeFile(path, [&](LedgerStore &store) { store.fillNew(engagement); });
    return open(path);
}

void LedgerStore::makeFile(const QString &path, const Filling &fill)
{
    if (QFileInfo::exists(path))
        throw Exception(
            QStringLiteral("文件“%1”已存在，未作改动；请另选文件名").arg(nativeName(path)));
    if (!QFileInfo(QFileInfo(path).absolutePath()).isWritable())
        throw Exception(QStringLiteral("无法在“%1”建立函证台账：文件夹不能写入")
                            .arg(nativeName(QFileInfo(path).absolutePath())));
    // Made beside it under another name and moved in place whole: a ledger interrupted
    // while made is never taken for one.
    const QString part = path + QStringLiteral(".part");
    QFile::remove(part);
    try {
        std::unique_ptr<LedgerStore> store(
            new LedgerStore(part, std::make_unique<SqliteDialect>(part)));
        store->connect(false);
        // The file is a ledger only once moved in place, so its tables need no transaction.
        QSqlQuery query(store->m_db);
        for (const QString &statement : LedgerSchema::create(*store->m_dialect))
            if (!query.exec(statement))
                store->fail(QStringLiteral("建立"), query.lastError());
        store->m_dialect->markAsLedger(store->m_db);
        store->write([&] { fill(*store); });
    } catch (...) {
        QFile::remove(part);
        throw;
    }
    if (!QFile::rename(part, path)) {
        QFile::remove(part);
        throw Exception(QStringLiteral("无法建立函证台账“%1”").arg(nativeName(path)));
    }
}

void LedgerStore::fillNew(const QString &engagement)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("INSERT INTO meta (key, value) VALUES (?, ?)"));
    for (const auto &[key, value] :
         {std::pair{QStringLiteral("schema_version"), QString::number(LedgerSchema::Current)},
          std::pair{QStringLiteral("engagement"), engagement},
          std::pair{QStringLiteral("log_head"), QStringLiteral("0:")},
          std::pair{QStringLiteral("code_key"),
                    QString::fromLatin1(LetterCode::newKey().toHex())}}) {
        bindAll(query, {key, value});
        if (!query.exec())
            fail(QStringLiteral("建立"), query.lastError());
    }
    appendLog(QStringLiteral("建立"), QStringLiteral("台账"), QString(), QString(), engagement);
}

std::unique_ptr<LedgerStore> LedgerStore::open(const QString &path)
{
    if (LedgerLocation::isServer(path))
        return openOnServer(LedgerLocation::parse(path));
    // A file cut short by a write never finished looks damaged until it is put back.
    LedgerFile::finishInterruptedWrite(path);
    LedgerFile::requireWhole(path);
    std::unique_ptr<LedgerStore> store(
        new LedgerStore(path, std::make_unique<SqliteDialect>(path)));
    store->m_readOnlyReason = LedgerFile::whyReadOnly(path);
    // Read first without the means to write, so that a file refused is never touched.
    store->connect(true);
    const QString name = nativeName(path);
    if (!store->m_dialect->isMarkedAsLedger(store->m_db))
        throw Exception(QStringLiteral("“%1”不是函证台账文件（或已损坏），未作任何改动").arg(name));
    const int version = store->schemaVersion();
    if (version > LedgerSchema::Current)
        throw Exception(
            QStringLiteral("函证台账“%1”由较新版本的程序建立（结构版本 %2），本程序只能打开"
                           "结构版本 %3 及以前的台账；文件未作改动，请升级本程序")
                .arg(name)
                .arg(version)
                .arg(LedgerSchema::Current));
    if (version < 1)
        throw Exception(QStringLiteral("“%1”不是函证台账文件（或已损坏），未作任何改动").arg(name));
    if (store->readOnly()) {
        if (version < LedgerSchema::Current)
            throw Exception(
                QStringLiteral("函证台账“%1”需要升级到新的结构版本，但它是只读的（%2）；"
                               "请把它复制到可写的位置再打开")
                    .arg(name, store->m_readOnlyReason));
        return store;
    }
    store->disconnect();
    store->connect(false);
    if (version < LedgerSchema::Current) {
        store->backup(QStringLiteral("升级前"));
        store->upgradeFrom(version);
    }
    if (!LedgerBackup::madeOn(path, QDate::currentDate()))
        store->backup(QStringLiteral("每日"));
    return store;
}

void LedgerStore::upgradeFrom(int version)
{
    write([&] {
        QSqlQuery query(m_db);
        for (int from = version; from < LedgerSchema::Current; ++from)
            for (const QString &statement : LedgerSchema::upgrade(from, *m_dialect))
                if (!query.exec(statement))
                    fail(QStringLiteral("升级"), query.lastError());
        // Letters printed from now on carry a code keyed with the ledger's own secret.
        if (codeKey().isEmpty()) {
            query.prepare(QStringLiteral("INSERT INTO meta (key, value) VALUES ('code_key', ?)"));
            query.addBindValue(QString::fromLatin1(LetterCode::newKey().toHex()));
            if (!query.exec())
                fail(QStringLiteral("升级"), query.lastError());
        }
        query.prepare(QStringLiteral("UPDATE meta SET value = ? WHERE key = 'schema_version'"));
        query.addBindValue(QString::number(LedgerSchema::Current));
        if (!query.exec())
            fail(QStringLiteral("升级"), query.lastError());
        appendLog(QStringLiteral("升级"), QStringLiteral("台账"), QStringLiteral("结构版本"),
                  QString::number(version), QString::number(LedgerSchema::Current));
    });
}

void LedgerStore::backup(const QString &reason)
{
    // Written under another name and moved in place whole: a copy cut off by a kill is never
    // taken for one.
    const QString copy = LedgerBackup::newCopyPath(m_path, reason);
    const QString part = copy + QStringLiteral(".part");
    if (!m_dialect->backup(m_db, part) || !QFile::rename(part, copy)) {
        QFile::remove(part);
        throw Exception(QStringLiteral("无法把函证台账备份到“%1”，未作任何改动")
                            .arg(nativeName(LedgerBackup::folderOf(m_path))));
    }
    LedgerBackup::prune(m_path);
}

// --- Writing

void LedgerStore::fail(const QString &what, const QSqlError &error) const
{
    const QString detail = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    if (m_dialect->isReadOnly(error))
        throw Exception(QStringLiteral("函证台账“%1”不能写入（%2），%3未完成")
                            .arg(shownName(), error.driverText(), what));
    if (m_dialect->isRefused(error))
        throw Exception(refusedText(what));
    if (m_dialect->isConnectionLost(error)) {
        m_connectionLost = true;
        throw Exception(QStringLiteral("与%1的连接中断，%2未完成，没有记下任何一半的改动：%3。"
                                       "请检查网络和服务器，恢复后重试")
                            .arg(shownName(), what, detail.trimmed()));
    }
    throw Exception(QStringLiteral("函证台账“%1”%2失败：%3").arg(shownName(), what, detail));
}

void LedgerStore::requireWritable() const
{
    if (readOnly())
        throw Exception(QStringLiteral("函证台账“%1”是只读打开的（%2），不能修改")
                            .arg(shownName(), m_readOnlyReason));
}

void LedgerStore::write(const std::function<void()> &work)
{
    requireWritable();
    reconnectIfLost();
    QSqlQuery control(m_db);
    bool reconnected = false;
    // The busy timeout waits for the other writer; a lock still held after it (a long run of
    // the other) is waited for again, a while longer each time.
    for (int attempt = 0;; ++attempt) {
        if (!beginWrite(control)) {
            if (m_dialect->isBusy(control.lastError()) && attempt < 20) {
                QThread::msleep(50 * (attempt + 1));
                continue;
            }
            // A connection the server dropped since the last statement (a restart): nothing
            // of this write began, so it begins again on a new one.
            if (!reconnected && connectionDropped(control.lastError())) {
                reconnected = true;
                reopen();
                continue;
            }
            fail(QStringLiteral("写入"), control.lastError());
        }
        m_writing = true;
        const auto written = qScopeGuard([this] { m_writing = false; });
        try {
            QSqlQuery &head =
                kept(QStringLiteral("SELECT id, hash FROM log ORDER BY id DESC LIMIT 1"));
            if (!head.exec())
                fail(QStringLiteral("读取"), head.lastError());
            m_logId = head.next() ? head.value(0).toLongLong() : 0;
            m_logHash = m_logId ? head.value(1).toByteArray() : QByteArray();
            head.finish();
            work();
            QSqlQuery &meta =
                kept(QStringLiteral("UPDATE meta SET value = ? WHERE key = 'log_head'"));
            bindAll(meta,
                    {QStringLiteral("%1:%2").arg(m_logId).arg(QString::fromLatin1(m_logHash))});
            if (!meta.exec())
                fail(QStringLiteral("写入"), meta.lastError());
            if (const QString notice = m_dialect->changeNotice();
                !notice.isEmpty() && !control.exec(notice))
                fail(QStringLiteral("写入"), control.lastError());
            if (!control.exec(QStringLiteral("COMMIT"))) {
                // Lost as it commits, the server may have kept the whole change or none of it:
                // not to be done again unseen, or a reprint counts twice.
                if (m_dialect->isConnectionLost(control.lastError())) {
                    m_connectionLost = true;
                    throw Exception(
                        QStringLiteral("与%1的连接在保存改动时中断：这次改动可能已全部记下，也可能"
                                       "全部没有记下，不会只记下一半。请恢复连接后查看台账，再决定"
                                       "是否重做")
                            .arg(shownName()));
                }
                fail(QStringLiteral("写入"), control.lastError());
            }
            finishKept();
            return;
        } catch (...) {
            QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
            finishKept();
            throw;
        }
    }
}

QSqlQuery &LedgerStore::kept(const QString &statement) const
{
    auto found = m_kept.find(statement);
    if (found == m_kept.end()) {
        auto query = std::make_unique<QSqlQuery>(m_db);
        query->setForwardOnly(true);
        if (!query->prepare(statement))
            fail(QStringLiteral("读取"), query->lastError());
        found = m_kept.emplace(statement, std::move(query)).first;
    }
    return *found->second;
}

void LedgerStore::finishKept() const
{
    for (const auto &[statement, query] : m_kept)
        query->finish();
}

bool LedgerStore::beginWrite(QSqlQuery &control)
{
    const QStringList statements = m_dialect->beginWrite();
    for (int i = 0; i < statements.size(); ++i)
        if (!control.exec(statements[i])) {
            // Ended by another query, so the caller reads the statement's error.
            if (i > 0)
                QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
            return false;
        }
    return true;
}

void LedgerStore::appendLog(const QString &action, const QString &subject, const QString &field,
                            const QString &oldValue, const QString &newValue)
{
    LogEntry entry;
    entry.id = m_logId + 1;
    entry.at = QDateTime::currentDateTimeUtc();
    entry.user = m_logUser.isEmpty() ? userName() : m_logUser;
    entry.action = action;
    entry.subject = subject;
    entry.field = field;
    entry.oldValue = oldValue;
    entry.newValue = newValue;
    entry.previousHash = m_logHash;
    entry.hash = LogChain::hashOf(entry);
    QSqlQuery &query = kept(QStringLiteral("INSERT INTO log (id, at, username, action, subject, "
                                           "field, old_value, new_value, previous_hash, hash) "
                                           "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    bindAll(query,
            {entry.id, LogChain::timeText(entry.at), entry.user, action, subject, field, oldValue,
             newValue, QString::fromLatin1(entry.previousHash), QString::fromLatin1(entry.hash)});
    if (!query.exec())
        fail(QStringLiteral("写入操作记录"), query.lastError());
    m_logId = entry.id;
    m_logHash = entry.hash;
}

// --- Reading

QString LedgerStore::engagement() const
{
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT value FROM meta WHERE key = 'engagement'"));
    return exec(query) && query.next() ? query.value(0).toString() : QString();
}

QByteArray LedgerStore::codeKey() const
{
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT value FROM meta WHERE key = 'code_key'"));
    return exec(query) && query.next() ? QByteArray::fromHex(query.value(0).toByteArray())
                                       : QByteArray();
}

int LedgerStore::schemaVersion() const
{
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT value FROM meta WHERE key = 'schema_version'"));
    if (!exec(query))
        throw Exception(QStringLiteral("“%1”不是函证台账文件（或已损坏）：%2")
                            .arg(shownName(), query.lastError().databaseText()));
    return query.next() ? query.value(0).toInt() : 0;
}

QList<LetterField> LedgerStore::fields()
{
    QList<LetterField> all;
    for (int field = 0; field <= int(LetterField::ReplyTime); ++field)
        all.append(LetterField(field));
    return all;
}

QString LedgerStore::fieldName(LetterField field)
{
    static const QStringList names{QStringLiteral("发函方式"),     QStringLiteral("快递单号"),
                                   QStringLiteral("发函日期"),     QStringLiteral("回函日期"),
                                   QStringLiteral("回函方式"),     QStringLiteral("回函金额"),
                                   QStringLiteral("函证结果"),     QStringLiteral("差异原因"),
                                   QStringLiteral("替代程序"),     QStringLiteral("备注"),
                                   QStringLiteral("邮箱"),         QStringLiteral("询证地址"),
                                   QStringLiteral("询证电话"),     QStringLiteral("回函单位"),
                                   QStringLiteral("回函寄件地址"), QStringLiteral("回函寄件电话"),
                                   QStringLiteral("回函快递单号"), QStringLiteral("回函时间")};
    return names.value(int(field));
}

QStringList LedgerStore::results()
{
    return {QStringLiteral("相符"), QStringLiteral("不符"),   QStringLiteral("未回函"),
            QStringLiteral("退函"), QStringLiteral("已调节"), QStringLiteral("调节后相符")};
}

QString LedgerStore::normalized(LetterField field, const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return {};
    switch (field) {
    case LetterField::SendDate:
    case LetterField::ReplyDate: {
        const QDate date = parsedDate(trimmed);
        if (!date.isValid())
            throw Exception(
                QStringLiteral("%1“%2”不是日期（例如 2026-12-31）").arg(fieldName(field), trimmed));
        return date.toString(Qt::ISODate);
    }
    case LetterField::ReplyAmount: {
        QString digits = trimmed;
        digits.remove(QLatin1Char(',')).remove(QChar(0xFF0C)).remove(QLatin1Char(' '));
        bool ok = false;
        const double amount = digits.toDouble(&ok);
        if (!ok || !std::isfinite(amount) || std::abs(amount) >= 1e15)
            throw Exception(QStringLiteral("回函金额“%1”不是数字").arg(trimmed));
        return QString::number(amount, 'f', 2);
    }
    case LetterField::ReplyTime: {
        // The time of day on 回函日期, to the minute: what a fax header or a courier's
        // record shows.
        QString time = trimmed;
        time.replace(QChar(0xFF1A), QLatin1Char(':'));
        for (const QString &format : {QStringLiteral("H:mm"), QStringLiteral("H:mm:ss")})
            if (const QTime parsed = QTime::fromString(time, format); parsed.isValid())
                return parsed.toString(QStringLiteral("HH:mm"));
        throw Exception(QStringLiteral("回函时间“%1”不是时刻（例如 14:05）").arg(trimmed));
    }
    case LetterField::Waybill:
    case LetterField::ReplyWaybill:
        // A waybill is read off a label or typed: spaces, case and full-width digits do not
        // make another one.
        return WaybillRules::normalized(trimmed);
    case LetterField::Result:
        if (!results().contains(trimmed))
            throw Exception(QStringLiteral("函证结果“%1”不在可选的结果中：%2")
                                .arg(trimmed, results().join(QStringLiteral("、"))));
        return trimmed;
    case LetterField::Email:
        // One plain address: it becomes a message's recipient, where a list or a name
        // with it would send elsewhere than the auditor sees.
        if (static const QRegularExpression address(
                QStringLiteral(R"(^[^@\s<>,;"()\[\]]+@[^@\s<>,;"()\[\]]+\.[^@\s<>,;"()\[\]]+$)"));
            !address.match(trimmed).hasMatch())
            throw Exception(QStringLiteral("邮箱“%1”不是一个电子邮件地址").arg(trimmed));
        return trimmed;
    default:
        return trimmed;
    }
}

QString LedgerStore::userName()
{
    if (!g_userName.isEmpty())
        return g_userName;
    // Looked up once: getpwuid reads the password file, and every log entry names the user.
    static const QString system = [] {
        if (const passwd *entry = getpwuid(geteuid()); entry && entry->pw_name)
            return QString::fromLocal8Bit(entry->pw_name);
        return qEnvironmentVariable("USER");
    }();
    return system;
}

void LedgerStore::setUserName(const QString &name)
{
    g_userName = name;
}

QList<LedgerLetter> LedgerStore::selectLetters(const QString &where, const QVariantList &bound,
                                               bool keep) const
{
    QString columns = QStringLiteral("id, %1, first_run, page_sha256, reprints, voided, "
                                     "void_reason, answered")
                          .arg(QLatin1String(LetterColumns::Identity));
    for (const char *column : LetterColumns::Fields)
        columns += QStringLiteral(", ") + QLatin1String(column);
    columns += QStringLiteral(", (SELECT f.number FROM letters f WHERE f.id = letters.follows), "
                              "code_keyed, version");
    const QString statement =
        QStringLiteral("SELECT %1 FROM letters %2 ORDER BY id").arg(columns, where);
    QSqlQuery once(database());
    if (!keep) {
        once.setForwardOnly(true);
        once.prepare(statement);
    }
    QSqlQuery &query = keep ? kept(statement) : once;
    for (const QVariant &value : bound)
        query.addBindValue(value);
    if (!exec(query))
        fail(QStringLiteral("读取"), query.lastError());
    QList<LedgerLetter> letters;
    while (query.next()) {
        LedgerLetter letter;
        letter.id = query.value(0).toLongLong();
        letter.identity = LetterColumns::identityAt(query, 1);
        letter.firstRun = query.value(7).toLongLong();
        letter.pageSha256 = query.value(8).toByteArray();
        letter.reprints = query.value(9).toInt();
        if (!query.value(10).isNull())
            letter.voided = QDateTime::fromString(query.value(10).toString(), Qt::ISODateWithMs);
        letter.voidReason = query.value(11).toString();
        letter.answered = query.value(12).toInt() != 0;
        for (int field = 0; field < LetterColumns::Count; ++field)
            letter.values.append(query.value(13 + field).toString());
        letter.follows = query.value(13 + LetterColumns::Count).toString();
        letter.keyedCode = query.value(14 + LetterColumns::Count).toInt() != 0;
        letter.version = query.value(15 + LetterColumns::Count).toLongLong();
        letters.append(std::move(letter));
    }
    query.finish();
    return letters;
}

QList<LedgerLetter> LedgerStore::letters() const
{
    return selectLetters(QString(), {});
}

int LedgerStore::letterCount() const
{
    QSqlQuery query(database());
    if (!exec(query, QStringLiteral("SELECT COUNT(*) FROM letters WHERE voided IS NULL")))
        fail(QStringLiteral("读取"), query.lastError());
    return query.next() ? query.value(0).toInt() : 0;
}

std::optional<LedgerLetter> LedgerStore::letter(const QString &number) const
{
    const QList<LedgerLetter> found = selectLetters(
        QStringLiteral("WHERE number = ? AND voided IS NULL"), {number.trimmed()}, true);
    if (found.isEmpty())
        return std::nullopt;
    return found.first();
}

QList<LedgerLetter> LedgerStore::lettersNumbered(const QString &number) const
{
    return selectLetters(QStringLiteral("WHERE number = ?"), {number.trimmed()});
}

QList<int> LedgerStore::conflicts(const QList<LetterIdentity> &letters) const
{
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!exec(query, QStringLiteral("SELECT %1 FROM letters WHERE voided IS NULL")
                         .arg(QLatin1String(LetterColumns::Identity))))
        fail(QStringLiteral("读取"), query.lastError());
    QHash<QString, QString> sent;
    while (query.next()) {
        const LetterIdentity identity = LetterColumns::identityAt(query, 0);
        sent.insert(identity.number, LetterRecordText::identityText(identity));
    }
    QList<int> changed;
    for (int i = 0; i < letters.size(); ++i)
        if (const auto found = sent.constFind(letters[i].number.trimmed());
            found != sent.constEnd() && *found != LetterRecordText::identityText(letters[i]))
            changed.append(i);
    return changed;
}

QList<LedgerRun> LedgerStore::runs() const
{
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!exec(query, QStringLiteral("SELECT id, at, kind, output, template, username, letters, "
                                    "reprints, reply_areas FROM runs ORDER BY id")))
        fail(QStringLiteral("读取"), query.lastError());
    QList<LedgerRun> runs;
    while (query.next()) {
        LedgerRun run;
        run.id = query.value(0).toLongLong();
        run.at = QDateTime::fromString(query.value(1).toString(), Qt::ISODateWithMs);
        run.kind = query.value(2).toString();
        run.output = query.value(3).toString();
        run.templateName = query.value(4).toString();
        run.user = query.value(5).toString();
        run.letters = query.value(6).toInt();
        run.reprints = query.value(7).toInt();
        run.replyAreas = query.value(8).toString();
        runs.append(run);
    }
    return runs;
}

qint64 LedgerStore::logSize() const
{
    QSqlQuery query(m_db);
    if (!exec(query, QStringLiteral("SELECT COUNT(*) FROM log")))
        fail(QStringLiteral("读取"), query.lastError());
    return query.next() ? query.value(0).toLongLong() : 0;
}

QList<LogEntry> LedgerStore::log(const QString &subject) const
{
    if (subject.isEmpty())
        return selectLog(QString(), {});
    return selectLog(QStringLiteral("WHERE subject = ?"), {subject});
}

QList<LogEntry> LedgerStore::selectLog(const QString &where, const QVariantList &bound) const
{
    QList<LogEntry> entries;
    forEachLogEntry(where, bound, true,
                    [&entries](const LogEntry &entry, const QString &) { entries.append(entry); });
    return entries;
}

void LedgerStore::forEachLogEntry(const std::function<void(const LogEntry &)> &take) const
{
    forEachLogEntry(QString(), {}, true,
                    [&take](const LogEntry &entry, const QString &) { take(entry); });
}

void LedgerStore::forEachLogEntry(
    const QString &where, const QVariantList &bound, bool parseTimes,
    const std::function<void(const LogEntry &, const QString &)> &take) const
{
    QSqlQuery query(database());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT id, at, username, action, subject, field, old_value, "
                                 "new_value, previous_hash, hash FROM log %1 ORDER BY id")
                      .arg(where));
    for (const QVariant &value : bound)
        query.addBindValue(value);
    if (!exec(query))
        fail(QStringLiteral("读取"), query.lastError());
    LogEntry entry;
    while (query.next()) {
        entry.id = query.value(0).toLongLong();
        const QString at = query.value(1).toString();
        if (parseTimes)
            entry.at = QDateTime::fromString(at, Qt::ISODateWithMs);
        entry.user = query.value(2).toString();
        entry.action = query.value(3).toString();
        entry.subject = query.value(4).toString();
        entry.field = query.value(5).toString();
        entry.oldValue = query.value(6).toString();
        entry.newValue = query.value(7).toString();
        entry.previousHash = query.value(8).toByteArray();
        entry.hash = query.value(9).toByteArray();
        take(entry, at);
    }
}

#include "LedgerCopy.h"

#include "LedgerSchema.h"
#include "LedgerStore.h"
#include "SqlDialect.h"
#include "platform/Exception.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

namespace {
// Values bound in one statement at most: many rows go in each, within every driver's limit.
constexpr int kBoundValues = 900;

QString shownTable(const QString &table)
{
    static const QHash<QString, QString> names{
        {QStringLiteral("meta"), QStringLiteral("台账信息")},
        {QStringLiteral("runs"), QStringLiteral("发函批次")},
        {QStringLiteral("letters"), QStringLiteral("询证函")},
        {QStringLiteral("sendings"), QStringLiteral("发函记录")},
        {QStringLiteral("replies"), QStringLiteral("回函页")},
        {QStringLiteral("log"), QStringLiteral("操作记录")},
        {QStringLiteral("selections"), QStringLiteral("选样")},
        {QStringLiteral("selection_rounds"), QStringLiteral("选样轮次")},
        {QStringLiteral("selection_rows"), QStringLiteral("选样总体")},
        {QStringLiteral("selection_picks"), QStringLiteral("选中项目")},
        {QStringLiteral("messages"), QStringLiteral("电子邮件")},
        {QStringLiteral("address_checks"), QStringLiteral("地址核实")},
        {QStringLiteral("letter_pdfs"), QStringLiteral("询证函 PDF")},
        {QStringLiteral("parties"), QStringLiteral("被审计单位和关联方")},
        {QStringLiteral("reconciling_items"), QStringLiteral("调节项")},
        {QStringLiteral("alternative_procedures"), QStringLiteral("替代程序")},
        {QStringLiteral("alternative_evidence"), QStringLiteral("替代程序证据")}};
    return names.value(table, table);
}

// The value as it is; NULL stays NULL and an empty text an empty text, which the drivers
// would otherwise both take for NULL.
QVariant copied(const QSqlQuery &query, int column)
{
    if (query.isNull(column))
        return QVariant();
    const QVariant value = query.value(column);
    if (value.typeId() == QMetaType::QString && value.toString().isNull())
        return QVariant(QStringLiteral(""));
    return value;
}

QString rowsOf(int columns, int rows)
{
    const QString row = QLatin1Char('(') +
                        QStringList(columns, QStringLiteral("?")).join(QStringLiteral(", ")) +
                        QLatin1Char(')');
    return QStringList(rows, row).join(QStringLiteral(", "));
}

// How the messages name a ledger: a file by its path, an engagement by its server.
QString placeOf(const LedgerStore &ledger)
{
    return ledger.onServer() ? ledger.shownName()
                             : QStringLiteral("函证台账“%1”").arg(ledger.shownName());
}

// Ends the source's reading transaction however the copy ends.
struct ReadingEnds
{
    QSqlQuery &control;
    ~ReadingEnds() { control.exec(QStringLiteral("ROLLBACK")); }
};
} // namespace

LedgerCopy::Result LedgerCopy::copy(const QString &from, const QString &to,
                                    const Progress &progress)
{
    const bool toServer = LedgerLocation::isServer(to);
    const LedgerLocation target = toServer ? LedgerLocation::parse(to) : LedgerLocation();
    if (toServer && target.engagement.isEmpty())
        throw Exception(
            QStringLiteral("函证中心地址“%1”没有指明新项目的名称（engagement=项目名称），"
                           "未复制")
                .arg(to));
    const auto source = LedgerStore::open(from);
    // One state of the source throughout: what is checked is what is copied.
    QSqlQuery control(source->m_db);
    if (!control.exec(source->m_dialect->beginRead()))
        source->fail(QStringLiteral("读取"), control.lastError());
    const ReadingEnds ends{control};
    if (const LedgerStore::Verification check = source->verify(); !check.ok)
        throw Exception(
            QStringLiteral("%1未通过核对，没有复制：%2").arg(placeOf(*source), check.problem));

    Result result;
    result.from = placeOf(*source);
    QSqlQuery count(source->m_db);
    for (const LedgerSchema::Table &table : LedgerSchema::tables()) {
        if (!count.exec(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table.name)) || !count.next())
            source->fail(QStringLiteral("读取"), count.lastError());
        result.tables.append({table.name, shownTable(table.name), count.value(0).toLongLong()});
    }
    result.letters = source->letterCount();
    for (const Table &table : std::as_const(result.tables))
        if (table.name == QLatin1String("letters"))
            result.voided = table.rows - result.letters;
    result.logEntries = source->logSize();

    const LedgerStore::Filling fill = [&](LedgerStore &copy) {
        copyRows(*source, copy, result, progress);
    };
    if (toServer) {
        result.to = placeOf(*LedgerStore::makeOnServer(target, target.engagement, QString(), fill));
    } else {
        LedgerStore::makeFile(to, fill);
        result.to = QStringLiteral("函证台账“%1”")
                        .arg(QDir::toNativeSeparators(QFileInfo(to).absoluteFilePath()));
    }
    return result;
}

void LedgerCopy::copyRows(const LedgerStore &from, LedgerStore &to, Result &result,
                          const Progress &progress)
{
    const QList<LedgerSchema::Table> tables = LedgerSchema::tables();
    for (int t = 0; t < tables.size(); ++t) {
        const LedgerSchema::Table &table = tables[t];
        Table &told = result.tables[t];
        // The columns are the new ledger's own, made by this program: the source must have
        // each of them, and a name in it is never taken into a statement.
        const QSqlRecord record = to.m_db.record(table.name);
        QStringList columns;
        for (int i = 0; i < record.count(); ++i)
            columns.append(record.fieldName(i));
        if (columns.isEmpty())
            to.fail(QStringLiteral("复制"), to.m_db.lastError());
        const QString list = columns.join(QStringLiteral(", "));
        QSqlQuery read(from.m_db);
        read.setForwardOnly(true);
        if (!read.exec(
                QStringLiteral("SELECT %1 FROM %2 ORDER BY %3").arg(list, table.name, table.order)))
            from.fail(QStringLiteral("读取"), read.lastError());

        const int perStatement = std::max<int>(1, kBoundValues / columns.size());
        QSqlQuery write(to.m_db);
        int preparedFor = 0;
        QVariantList pending;
        qint64 copiedRows = 0;
        const auto flush = [&] {
            const int rows = int(pending.size() / columns.size());
            if (rows == 0)
                return;
            if (rows != preparedFor) {
                write.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
                                  .arg(table.name, list, rowsOf(columns.size(), rows)));
                preparedFor = rows;
            }
            for (const QVariant &value : std::as_const(pending))
                write.addBindValue(value);
            if (!write.exec())
                to.fail(QStringLiteral("复制"), write.lastError());
            pending.clear();
            copiedRows += rows;
            if (progress)
                progress(told, copiedRows);
        };
        while (read.next()) {
            for (int i = 0; i < columns.size(); ++i)
                pending.append(copied(read, i));
            if (pending.size() >= perStatement * columns.size())
                flush();
        }
        if (read.lastError().isValid())
            from.fail(QStringLiteral("读取"), read.lastError());
        flush();
        if (copiedRows != told.rows)
            throw Exception(QStringLiteral("复制%1时读到 %2 行，应为 %3 行；没有留下副本")
                                .arg(told.shown)
                                .arg(copiedRows)
                                .arg(told.rows));
        if (const QString next = to.m_dialect->continueIds(table.name);
            table.ownId && !next.isEmpty() && !write.exec(next))
            to.fail(QStringLiteral("复制"), write.lastError());
        if (progress && copiedRows == 0)
            progress(told, 0);
    }
    // The write that ends the copy keeps the log's head: the copied log's last entry.
    QSqlQuery head(to.m_db);
    if (!head.exec(QStringLiteral("SELECT id, hash FROM log ORDER BY id DESC LIMIT 1")))
        to.fail(QStringLiteral("读取"), head.lastError());
    to.m_logId = head.next() ? head.value(0).toLongLong() : 0;
    to.m_logHash = to.m_logId ? head.value(1).toByteArray() : QByteArray();
    if (const LedgerStore::Verification check = to.verify(); !check.ok)
        throw Exception(
            QStringLiteral("复制出的函证台账未通过核对（%1），没有留下副本").arg(check.problem));
}

#pragma once
// Letters and ledgers for the ledger's tests: real files in a temporary folder.

#include "ledger/LedgerStore.h"

#include <QCryptographicHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>

inline LetterIdentity ledgerLetter(int n, qint64 cents = 100000)
{
    LetterIdentity identity;
    identity.number = QStringLiteral("HZ2026-%1").arg(n, 4, 10, QLatin1Char('0'));
    identity.customer = QStringLiteral("杭州第%1公司").arg(n);
    identity.cutOff = QDate(2026, 12, 31);
    identity.cents = cents;
    identity.templateName = QStringLiteral("应收帐款确认函");
    identity.fields = {{QStringLiteral("地址"), QStringLiteral("西湖路%1号").arg(n)}};
    return identity;
}

inline QList<SentPage> ledgerPages(int first, int count)
{
    QList<SentPage> pages;
    for (int n = first; n < first + count; ++n)
        pages.append(
            {ledgerLetter(n),
             QCryptographicHash::hash(QByteArray::number(n), QCryptographicHash::Sha256).toHex()});
    return pages;
}

inline LedgerRun ledgerRun(const QString &output = QStringLiteral("/tmp/询证函.pdf"))
{
    LedgerRun run;
    run.kind = QStringLiteral("PDF");
    run.output = output;
    run.templateName = QStringLiteral("应收帐款确认函");
    return run;
}

// Runs statements on the file as another program would, past the store.
inline void tamper(const QString &path, const QStringList &statements)
{
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.open();
        QSqlQuery query(db);
        for (const QString &statement : statements)
            query.exec(statement);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

// One value read from the file past the store.
inline QString scalar(const QString &path, const QString &statement)
{
    const QString name = QUuid::createUuid().toString();
    QString value;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        db.open();
        QSqlQuery query(db);
        if (query.exec(statement) && query.next())
            value = query.value(0).toString();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return value;
}

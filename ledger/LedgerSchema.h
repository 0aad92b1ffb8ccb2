#pragma once
// The ledger's tables, version by version: what a new ledger is made with, and the steps
// that bring an older one up to date. One schema for both databases; the id columns come
// from the dialect.

#include <QList>
#include <QStringList>

class SqlDialect;

namespace LedgerSchema {
// The version this program writes.
constexpr int Current = 7;

// The statements that make an empty ledger of the current version.
QStringList create(const SqlDialect &dialect);
// The statements that take a ledger of 'from' to 'from' + 1.
QStringList upgrade(int from, const SqlDialect &dialect);

struct Table
{
    QString name;
    QString order;      // the columns that order its rows as they were written
    bool ownId = false; // whether its id comes from the database (the dialect's idColumn)
};
// Every table of the current version, each after the tables it refers to: the order a
// ledger is copied in.
QList<Table> tables();
} // namespace LedgerSchema

#pragma once
// The ledger's tables, version by version: what a new ledger is made with, and the steps
// that bring an older one up to date. One schema for both databases; the id columns come
// from the dialect.

#include <QStringList>

class SqlDialect;

namespace LedgerSchema {
// The version this program writes.
constexpr int Current = 7;

// The statements that make an empty ledger of the current version.
QStringList create(const SqlDialect &dialect);
// The statements that take a ledger of 'from' to 'from' + 1.
QStringList upgrade(int from, const SqlDialect &dialect);
} // namespace LedgerSchema

#pragma once
// The event log's hash chain: each entry's hash covers its own fields and the hash of the
// entry before it, so that no entry can be changed, taken out or put in unnoticed.

#include "LedgerTypes.h"

namespace LogChain {
// The hex SHA-256 of the entry's fields (id, time, user, action, subject, field, old and
// new value) and its previous hash, in the one canonical form.
QByteArray hashOf(const LogEntry &entry);
// The same with the time as the log stores it, for the check, which reads a million entries
// and need not turn each time into a date and back.
QByteArray hashOf(const LogEntry &entry, QStringView storedTime);
// The time as the log stores and hashes it: UTC, to the millisecond.
QString timeText(const QDateTime &at);
} // namespace LogChain

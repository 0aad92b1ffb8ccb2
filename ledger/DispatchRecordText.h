#pragma once
// What the log records of a message sent by e-mail and of an address checked: compact JSON
// with its keys in a fixed order, so that the check can compare the tables with the log.

#include "LedgerTypes.h"

namespace DispatchRecordText {
QString messageText(const MessageRecord &message);
QString addressText(const AddressCheck &check);
// What such an entry says, for people.
QString readable(const QString &action, const QString &text);
} // namespace DispatchRecordText

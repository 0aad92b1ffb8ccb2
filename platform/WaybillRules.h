#pragma once
// What a courier's waybill number (快递单号) may be, as typed, read off a label or imported:
// one rule for the ledger, the label scan and the courier's export alike.

#include <QString>

namespace WaybillRules {
// The number as kept: full-width characters made plain, spaces around and inside it gone (a
// label prints it in groups), letters upper-cased (couriers' prefixes are, and a typed one
// often is not).
QString normalized(const QString &text);
// True when the normalized number is 6 to 30 letters, digits or hyphens.
bool plausible(const QString &text);
// The normalized number; raises Exception saying why when it cannot be a waybill.
QString requireWaybill(const QString &text);
} // namespace WaybillRules

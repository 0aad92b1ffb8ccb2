#pragma once
// What the log records of reconciling items and alternative procedures: compact JSON with
// its keys in a fixed order, so that the check can compare the tables with the log, and
// the same entries in words for people.

#include "LedgerTypes.h"
#include "ReconciliationTypes.h"

namespace ReconciliationRecordText {
// The log's field names of the entries.
inline const QString ItemField = QStringLiteral("调节项");
inline const QString EvidenceField = QStringLiteral("替代程序证据");
inline const QString ConclusionField = QStringLiteral("替代程序结论");
inline const QString ToleranceField = QStringLiteral("调节容差");

// An item or a piece of evidence; with 'position' (from 0) where the log needs to say
// where in the list it went or was taken from.
QString itemText(const ReconcilingItem &item, int position = -1);
QString evidenceText(const AlternativeEvidence &evidence, int position = -1);
// What a procedure concludes, without its evidence; empty for none.
QString conclusionText(const std::optional<AlternativeProcedure> &procedure);
// A text of the two above without its position, and the position it carried (-1 when none).
QString withoutPosition(const QString &text, int *position);

// What such an entry says, for people: the new value, or what was taken off.
QString readable(const LogEntry &entry);
// The old value in words: the item or evidence taken off, the conclusion before.
QString readableOld(const LogEntry &entry);
} // namespace ReconciliationRecordText

#pragma once
// A letter's identity as one text: what the log records when a letter is sent, and what
// tells a reprint (the same text) from another letter under the same number.

#include "LedgerTypes.h"

namespace LetterRecordText {
// Compact JSON with its keys in a fixed order.
QString identityText(const LetterIdentity &identity);
// The further fields as the letters table keeps them (a JSON array of [name, text]).
QString fieldsText(const QList<QPair<QString, QString>> &fields);
QList<QPair<QString, QString>> fieldsFromText(const QString &text);
} // namespace LetterRecordText

namespace LetterRecordText {
// What the log records of a letter sent: its identity, the run and its page's hash.
// 'follows': the number of the letter a second request follows up; none for a first one.
// 'keyedCode': its code carries the keyed checksum.
QString sentText(const LetterIdentity &identity, qint64 run, const QByteArray &pageSha256,
                 const QString &follows = QString(), bool keyedCode = false);
void sentFromText(const QString &text, LetterIdentity *identity, qint64 *run,
                  QByteArray *pageSha256, QString *follows = nullptr, bool *keyedCode = nullptr);
// What the log records of a run, and of a page read back.
QString runText(const LedgerRun &run);
QString replyText(const ReplyPageRecord &page);
} // namespace LetterRecordText

namespace LetterRecordText {
// What a log entry's new value says, for people: a letter sent, a run, a page read back in
// words; any other entry's value as it is.
QString readableValue(const LogEntry &entry);
// The old value in words: an item or a piece of evidence taken off; any other as it is.
QString readableOldValue(const LogEntry &entry);
} // namespace LetterRecordText

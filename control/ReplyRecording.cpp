#include "ReplyRecording.h"

#include "ReplyChecking.h"

#include "ledger/LedgerStore.h"
#include "platform/Exception.h"

#include <QDir>
#include <QFileInfo>

namespace ReplyRecording {

QString recordedNote()
{
    return QStringLiteral("已记入函证台账，未再识别");
}

namespace {

// Where each letter's earlier reply is, by its number, for the note of a page that repeats it.
QHash<QString, QString> earlierReplies(const LedgerStore &ledger)
{
    const QString matched = ReplyList::stateText(ReplyState::Matched);
    QHash<QString, QString> where;
    for (const ReplyPageRecord &page : ledger.replies())
        if (page.state == matched && !page.number.isEmpty())
            where.insert(page.number, QStringLiteral("函证台账中已有回函（“%1”第 %2 页）")
                                          .arg(QFileInfo(page.file).fileName())
                                          .arg(page.page));
    return where;
}

} // namespace

ReplyList prepared(const LedgerStore &ledger)
{
    if (ledger.readOnly())
        throw Exception(QStringLiteral("函证台账“%1”是只读打开的（%2），不能记入回函")
                            .arg(ledger.shownName(), ledger.readOnlyReason()));
    // Replies are the centre's to record: told before the scans are read, not after.
    ledger.requireRole({LedgerRole::Clerk});
    const QList<LedgerLetter> letters = ledger.letters();
    ReplyList list(SentLetters::fromLedger(letters, ledger.codeKey()));
    const QHash<QString, QString> earlier = earlierReplies(ledger);
    for (const LedgerLetter &letter : letters)
        if (letter.answered && !letter.voided.isValid())
            list.markAnswered(
                list.letters().find(letter.identity.number),
                earlier.value(letter.identity.number, QStringLiteral("函证台账中已有回函")));
    return list;
}

Outcome record(LedgerStore &ledger, ReplyList &list, const QStringList &files,
               const QString &channel, std::optional<QDate> received,
               const ReplyScan::Progress &progress)
{
    Outcome outcome;
    auto before = [&](const QString &file, const QByteArray &hash) {
        if (hash.isEmpty() || !ledger.fileRecorded(hash.toHex()))
            return true;
        list.addSkippedFile(file, recordedNote());
        return false;
    };
    auto after = [&](const QString &file, const QByteArray &hash, int firstLine) {
        const QDate date = received ? *received : QFileInfo(file).lastModified().date();
        const QString path = QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath());
        QList<ReplyPageRecord> pages;
        for (int i = firstLine; i < list.lines().size(); ++i) {
            const ReplyLine &line = list.lines()[i];
            // A file none of which could be read is left for a later scan to try again.
            if (line.page == 0)
                continue;
            pages.append({hash.toHex(), line.page, path, line.number,
                          ReplyList::stateText(line.state), date, channel, line.note,
                          line.codeCheck, line.findings.alteration, line.findings.regions,
                          line.findings.marks, line.findings.suggestion});
        }
        if (pages.isEmpty())
            return;
        try {
            outcome.pagesRecorded += ledger.recordReplies(pages);
        } catch (...) {
            // Not in the ledger (a server gone, say): not shown as read either.
            list.dropFile(firstLine, hash);
            throw;
        }
    };
    ReplyChecking checking(ledger);
    auto inspect = [&](int line, const QImage &page, const QList<CodeReader::Code> &codes) {
        list.setFindings(line, checking.findings(list.lines()[line], page, codes));
    };
    outcome.finished = ReplyScan::run(files, list, progress, before, after, inspect);
    return outcome;
}

ReplyList run(LedgerStore &ledger, const QStringList &files, const QString &channel,
              std::optional<QDate> received, const ReplyScan::Progress &progress)
{
    ReplyList list = prepared(ledger);
    record(ledger, list, files, channel, received, progress);
    return list;
}

} // namespace ReplyRecording

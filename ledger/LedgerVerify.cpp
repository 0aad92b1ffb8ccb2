// The ledger's check: the log's chain unbroken, and the letters, runs and replies what the
// log says they became.
#include "LedgerStore.h"

#include "LetterColumns_p.h"
#include "LetterRecordText.h"
#include "LogChain.h"
#include "PopulationHash.h"
#include "ReconciliationRecordText.h"
#include "SelectionRecordText.h"
#include "Sha256Stream.h"

#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>
#include <QSqlQuery>

namespace {
// A letter as the log makes it.
struct Replayed
{
    QString identity;
    qint64 run = 0;
    QByteArray page;
    int reprints = 0;
    bool voided = false;
    QString voidReason;
    bool answered = false;
    QString follows;
    bool keyedCode = false;
    QStringList values = QStringList(LetterColumns::Count);
    QList<LogEntry> reconciliation; // its items' and procedure's entries
};

struct ReplayedReply
{
    QString text; // the page as the log recorded it
};

QString outside()
{
    return QStringLiteral("函证台账在本程序之外被改动过");
}
} // namespace

LedgerStore::Verification LedgerStore::verify() const
{
    Verification result;
    auto broken = [&](qint64 entry, const QString &problem) {
        if (!result.ok)
            return;
        result.ok = false;
        result.firstBroken = entry;
        result.problem = problem;
    };
    auto differs = [&](const QString &problem) {
        if (!result.ok)
            return;
        result.ok = false;
        result.problem = problem + QStringLiteral("：") + outside();
    };

    QHash<QString, QList<Replayed>> letters; // by number, oldest first
    QHash<qint64, QString> runs;
    QHash<QString, ReplayedReply> replies;  // by file hash and page
    QHash<QString, QStringList> selections; // by subject, each entry's action and value
    QStringList messages, addressChecks;    // each entry's letter and value, in order
    QList<LogEntry> partyEntries, toleranceEntries;
    const QStringList reconciliationFields{ReconciliationRecordText::ItemField,
                                           ReconciliationRecordText::EvidenceField,
                                           ReconciliationRecordText::ConclusionField};
    QHash<QString, int> fieldByName;
    for (LetterField field : fields())
        fieldByName.insert(fieldName(field), int(field));
    auto live = [&letters](const QString &number) -> Replayed * {
        QList<Replayed> &all = letters[number];
        return !all.isEmpty() && !all.last().voided ? &all.last() : nullptr;
    };

    QByteArray previous;
    qint64 expected = 1;
    // The chain is checked on the times as stored, unparsed: that is what each hash covers.
    forEachLogEntry(QString(), {}, false, [&](const LogEntry &entry, const QString &at) {
        ++result.entries;
        if (entry.id != expected)
            broken(expected,
                   QStringLiteral("操作记录缺少第 %1 条：%2").arg(expected).arg(outside()));
        else if (entry.previousHash != previous)
            broken(entry.id, QStringLiteral("操作记录第 %1 条与它前一条接不上：%2")
                                 .arg(entry.id)
                                 .arg(outside()));
        else if (LogChain::hashOf(entry, at) != entry.hash)
            broken(entry.id, QStringLiteral("操作记录第 %1 条的内容与它的校验值不符：%2")
                                 .arg(entry.id)
                                 .arg(outside()));
        previous = entry.hash;
        expected = entry.id + 1;

        if (entry.action == QStringLiteral("运行")) {
            runs.insert(entry.subject.mid(3).toLongLong(), entry.newValue);
        } else if (entry.action == QStringLiteral("发函")) {
            Replayed letter;
            LetterIdentity identity;
            LetterRecordText::sentFromText(entry.newValue, &identity, &letter.run, &letter.page,
                                           &letter.follows, &letter.keyedCode);
            letter.identity = LetterRecordText::identityText(identity);
            letters[entry.subject].append(letter);
        } else if (entry.action == QStringLiteral("重印")) {
            if (Replayed *letter = live(entry.subject))
                ++letter->reprints;
        } else if (entry.action == QStringLiteral("作废")) {
            if (Replayed *letter = live(entry.subject)) {
                letter->voided = true;
                letter->voidReason = entry.newValue;
            }
        } else if (entry.action == QStringLiteral("回函页")) {
            const QJsonObject page = QJsonDocument::fromJson(entry.newValue.toUtf8()).object();
            const QString number = page.value(QStringLiteral("number")).toString();
            replies.insert(page.value(QStringLiteral("file")).toString() + QLatin1Char('#') +
                               QString::number(page.value(QStringLiteral("page")).toInt()),
                           {entry.newValue});
            if (page.value(QStringLiteral("state")).toString() == QStringLiteral("已匹配"))
                if (Replayed *letter = live(number)) {
                    letter->answered = true;
                    if (!letter->follows.isEmpty())
                        if (Replayed *first = live(letter->follows))
                            first->answered = true;
                }
        } else if (entry.action == QStringLiteral("选样") ||
                   entry.action == QStringLiteral("扩大样本") ||
                   entry.action == QStringLiteral("选中")) {
            selections[entry.subject].append(entry.action + QLatin1Char(' ') + entry.newValue);
        } else if (entry.action == QStringLiteral("邮件")) {
            messages.append(entry.subject + QLatin1Char(' ') + entry.newValue);
        } else if (entry.action == PartiesAction) {
            partyEntries.append(entry);
        } else if (entry.action == QStringLiteral("核实地址")) {
            addressChecks.append(entry.subject + QLatin1Char(' ') + entry.newValue);
        } else if (entry.action == ReconcileAction && entry.subject == QStringLiteral("台账")) {
            toleranceEntries.append(entry);
        } else if ((entry.action == ReconcileAction || entry.action == AlternativeAction) &&
                   reconciliationFields.contains(entry.field)) {
            if (Replayed *letter = live(entry.subject))
                letter->reconciliation.append(entry);
        } else if (const auto field = fieldByName.constFind(entry.field);
                   field != fieldByName.constEnd() && entry.subject != QStringLiteral("台账")) {
            if (Replayed *letter = live(entry.subject))
                letter->values[*field] = entry.newValue;
        }
    });
    // The log's last entry as the last write left it: entries cut from the end show here.
    QSqlQuery head(m_db);
    if (head.exec(QStringLiteral("SELECT value FROM meta WHERE key = 'log_head'")) && head.next() &&
        head.value(0).toString() !=
            QStringLiteral("%1:%2").arg(expected - 1).arg(QString::fromLatin1(previous)))
        broken(expected, QStringLiteral("操作记录在第 %1 条之后被删去或改动过：%2")
                             .arg(expected - 1)
                             .arg(outside()));

    // The letters, as the log made them.
    QHash<QString, int> seen;
    QHash<qint64, QList<LogEntry>> reconciliation; // by the letter's id
    for (const LedgerLetter &letter : this->letters()) {
        const QString &number = letter.identity.number;
        const QList<Replayed> &made = letters.value(number);
        const int index = seen[number]++;
        if (index >= made.size()) {
            differs(QStringLiteral("函证编号 %1 的询证函不在操作记录中").arg(number));
            break;
        }
        const Replayed &expectedLetter = made[index];
        reconciliation.insert(letter.id, expectedLetter.reconciliation);
        if (LetterRecordText::identityText(letter.identity) != expectedLetter.identity ||
            letter.pageSha256 != expectedLetter.page || letter.firstRun != expectedLetter.run)
            differs(QStringLiteral("函证编号 %1 的询证函内容与发函时的记录不符").arg(number));
        else if (letter.reprints != expectedLetter.reprints)
            differs(QStringLiteral("函证编号 %1 的重印次数与操作记录不符").arg(number));
        else if (letter.voided.isValid() != expectedLetter.voided ||
                 letter.voidReason != expectedLetter.voidReason)
            differs(QStringLiteral("函证编号 %1 的作废状态与操作记录不符").arg(number));
        else if (letter.keyedCode != expectedLetter.keyedCode)
            differs(QStringLiteral("函证编号 %1 的二维码校验方式与发函时的记录不符").arg(number));
        else if (letter.follows != expectedLetter.follows)
            differs(QStringLiteral("函证编号 %1 跟进的询证函与发函时的记录不符").arg(number));
        else if (letter.answered != expectedLetter.answered)
            differs(QStringLiteral("函证编号 %1 的回函状态与操作记录不符").arg(number));
        else
            for (LetterField field : fields())
                if (letter.value(field) != expectedLetter.values[int(field)]) {
                    differs(QStringLiteral("函证编号 %1 的“%2”为“%3”，操作记录中为“%4”")
                                .arg(number, fieldName(field), letter.value(field),
                                     expectedLetter.values[int(field)]));
                    break;
                }
    }
    for (auto made = letters.constBegin(); made != letters.constEnd(); ++made)
        if (seen.value(made.key()) != made->size())
            differs(QStringLiteral("操作记录中函证编号 %1 的询证函在台账中缺失").arg(made.key()));

    const QList<LedgerRun> kept = this->runs();
    for (const LedgerRun &run : kept)
        if (runs.value(run.id) != LetterRecordText::runText(run))
            differs(QStringLiteral("第 %1 次发函的记录与操作记录不符").arg(run.id));
    if (kept.size() != runs.size())
        differs(QStringLiteral("发函记录的次数与操作记录不符"));

    const QList<ReplyPageRecord> pages = this->replies();
    for (const ReplyPageRecord &page : pages) {
        const ReplayedReply made = replies.value(QString::fromLatin1(page.fileSha256) +
                                                 QLatin1Char('#') + QString::number(page.page));
        if (made.text != LetterRecordText::replyText(page))
            differs(QStringLiteral("回函“%1”第 %2 页的记录与操作记录不符")
                        .arg(page.file)
                        .arg(page.page));
    }
    if (pages.size() != replies.size())
        differs(QStringLiteral("回函页数与操作记录不符"));
    if (const QString problem = selectionsDiffer(selections); !problem.isEmpty())
        differs(problem);
    if (const QString problem = dispatchDiffers(messages, addressChecks); !problem.isEmpty())
        differs(problem);
    if (const QString problem = partiesDiffer(partyEntries); !problem.isEmpty())
        differs(problem);
    if (const QString problem = reconciliationDiffers(reconciliation, toleranceEntries);
        !problem.isEmpty())
        differs(problem);
    return result;
}

QString LedgerStore::selectionsDiffer(const QHash<QString, QStringList> &logged) const
{
    const QList<LedgerSelection> kept = selections();
    if (kept.size() != logged.size())
        return QStringLiteral("选样的次数与操作记录不符");
    for (const LedgerSelection &selection : kept) {
        const QString subject = QStringLiteral("选样 %1").arg(selection.id);
        const QList<PopulationRow> rows = population(selection.id);
        // The rows kept must be the population the selection recorded, amounts and all.
        PopulationHash hash;
        Sha256Stream centsHash;
        for (const PopulationRow &row : rows) {
            hash.addRow(row.customer, row.cutOff, row.amount, row.number);
            centsHash.add(SelectionRecordText::centsLine(row.cents));
        }
        if (rows.size() != selection.rowCount || hash.hex() != selection.populationSha256)
            return QStringLiteral("第 %1 次选样的总体与选样时的记录不符").arg(selection.id);
        const QByteArray cents = centsHash.hex();
        const QString differs =
            QStringLiteral("第 %1 次选样的记录与操作记录不符").arg(selection.id);
        // The log has each round's entry before its picks; compare both in that order.
        QStringList expected;
        qsizetype next = 0;
        for (qsizetype i = 0; i < selection.rounds.size(); ++i) {
            const SelectionRound &round = selection.rounds[i];
            if (round.round != i)
                return differs;
            expected.append(i == 0 ? QStringLiteral("选样 ") +
                                         SelectionRecordText::selectionText(selection, round, cents)
                                   : QStringLiteral("扩大样本 ") +
                                         SelectionRecordText::roundText(round));
            for (; next < selection.picks.size() && selection.picks[next].round == i; ++next) {
                const SelectionPick &pick = selection.picks[next];
                expected.append(QStringLiteral("选中 ") +
                                SelectionRecordText::pickText(pick, rows.value(pick.position)));
            }
        }
        if (next != selection.picks.size())
            return differs;
        if (expected != logged.value(subject))
            return differs;
    }
    return QString();
}

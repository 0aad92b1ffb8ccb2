// One of several programs writing the same ledger at once, for the concurrency test and the
// benchmark. The letters are ledgerLetter(FIRST) on, sent before.
//
//   ledger_client replies ADDRESS FIRST COUNT
//       records a matched reply page of each letter, then its 回函金额: two writes a letter.
//   ledger_client pages ADDRESS FIRST COUNT
//       records a matched reply page of each letter, one write each, as the reply scan does;
//       prints each write's time in microseconds on one line at the end.
//   ledger_client contest ADDRESS FIRST COUNT RESULT
//       reads the letters, says "ready", waits for a line on standard input, then sets each
//       letter's 函证结果 to RESULT from the letter read: "won NUMBER" or "lost NUMBER TEXT".

#include "ledger/LedgerStore.h"
#include "ledger/StaleChange.h"
#include "platform/Exception.h"
#include "support/LedgerFixtures.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <iostream>
#include <string>

namespace {
void said(const QString &line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

ReplyPageRecord replyOf(const QString &number)
{
    ReplyPageRecord page;
    page.fileSha256 = QCryptographicHash::hash(number.toUtf8(), QCryptographicHash::Sha256).toHex();
    page.page = 1;
    page.file = QStringLiteral("/扫描/%1.pdf").arg(number);
    page.number = number;
    page.state = QStringLiteral("已匹配");
    page.received = QDate(2027, 1, 15);
    page.channel = QStringLiteral("快递");
    return page;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QString command = args.value(0);
    const int first = args.value(2).toInt(), count = args.value(3).toInt();
    try {
        const auto ledger = LedgerStore::open(args.value(1));
        if (command == QLatin1String("replies")) {
            for (int n = first; n < first + count; ++n) {
                const LetterIdentity letter = ledgerLetter(n);
                ledger->recordReplies({replyOf(letter.number)});
                ledger->setValues(letter.number,
                                  {{LetterField::ReplyAmount, QString::number(n * 10)}},
                                  QStringLiteral("回函"));
            }
            said(QStringLiteral("done %1").arg(count));
        } else if (command == QLatin1String("pages")) {
            QStringList times;
            QElapsedTimer clock;
            for (int n = first; n < first + count; ++n) {
                const ReplyPageRecord page = replyOf(ledgerLetter(n).number);
                clock.start();
                ledger->recordReplies({page});
                times.append(QString::number(clock.nsecsElapsed() / 1000));
            }
            said(times.join(QLatin1Char(' ')));
        } else if (command == QLatin1String("contest")) {
            QList<LedgerLetter> seen;
            for (int n = first; n < first + count; ++n)
                seen.append(*ledger->letter(ledgerLetter(n).number));
            said(QStringLiteral("ready"));
            std::string go;
            std::getline(std::cin, go);
            for (const LedgerLetter &letter : seen) {
                try {
                    ledger->setValues(letter.identity.number,
                                      {{LetterField::Result, args.value(4)}},
                                      QStringLiteral("修改"), &letter);
                    said(QStringLiteral("won ") + letter.identity.number);
                } catch (const StaleChange &refused) {
                    said(QStringLiteral("lost %1 %2")
                             .arg(letter.identity.number, refused.message()));
                }
            }
        } else {
            return 2;
        }
    } catch (const Exception &error) {
        std::fputs(qPrintable(error.message() + QLatin1Char('\n')), stderr);
        return 1;
    }
    return 0;
}

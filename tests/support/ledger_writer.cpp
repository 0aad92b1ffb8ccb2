// Writes a ledger as the programs do, for the fault tests: runs of letters of distinct numbers
// (a number range per run), or a value set on one letter again and again. Says each write
// done on standard output, so the test knows what must have reached the file.
//
//   ledger_writer runs FILE PREFIX FIRST_RUN RUNS LETTERS_PER_RUN
//   ledger_writer values FILE NUMBER COUNT

#include "ledger/LedgerStore.h"
#include "platform/Exception.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <cstdio>

namespace {

LetterIdentity letter(const QString &prefix, int n)
{
    LetterIdentity identity;
    identity.number = QStringLiteral("%1-%2").arg(prefix).arg(n, 6, 10, QLatin1Char('0'));
    identity.customer = QStringLiteral("第%1贸易有限公司").arg(n);
    identity.cutOff = QDate(2026, 12, 31);
    identity.cents = 100000 + n;
    identity.templateName = QStringLiteral("应收帐款确认函");
    identity.fields = {{QStringLiteral("地址"), QStringLiteral("中山路%1号").arg(n)}};
    return identity;
}

void said(const QString &line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    try {
        const auto ledger = LedgerStore::open(args.value(1));
        if (args.value(0) == QLatin1String("runs")) {
            const QString prefix = args.value(2);
            const int first = args.value(3).toInt(), runs = args.value(4).toInt(),
                      size = args.value(5).toInt();
            for (int r = first; r < first + runs; ++r) {
                QList<SentPage> pages;
                for (int i = 0; i < size; ++i) {
                    const int n = r * size + i;
                    pages.append(
                        {letter(prefix, n),
                         QCryptographicHash::hash(QByteArray::number(n), QCryptographicHash::Sha256)
                             .toHex()});
                }
                LedgerRun run;
                run.kind = QStringLiteral("PDF");
                run.output = QStringLiteral("%1-%2.pdf").arg(prefix).arg(r);
                run.templateName = QStringLiteral("应收帐款确认函");
                said(QStringLiteral("run %1").arg(ledger->recordRun(run, pages).id));
            }
        } else if (args.value(0) == QLatin1String("values")) {
            const QString number = args.value(2);
            const int count = args.value(3).toInt();
            for (int i = 1; i <= count; ++i) {
                ledger->setValues(number, {{LetterField::Note, QString::number(i)}});
                said(QStringLiteral("value %1").arg(i));
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

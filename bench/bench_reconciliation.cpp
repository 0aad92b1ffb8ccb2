// Reconciliation beside the ledger work it rides on: items kept a letter at a time against
// a field set a letter at a time; reply amounts imported for letters with items (each judged
// again) against the same import for letters without; a new tolerance judging every letter
// against setting their results directly; the check of a ledger with items and procedures
// against the check of the same ledger without.
//
//   bench_reconciliation [LETTERS]     (2,000 unless given)

#include "Seconds.h"
#include "ledger/LedgerStore.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>

namespace {

QString numberOf(int n)
{
    return QStringLiteral("WL-%1").arg(n, 7, 10, QLatin1Char('0'));
}

std::unique_ptr<LedgerStore> ledgerOf(const QString &path, int letters)
{
    auto ledger = LedgerStore::create(path, QStringLiteral("bench"));
    QList<SentPage> pages;
    for (int n = 0; n < letters; ++n) {
        SentPage page;
        page.identity.number = numberOf(n);
        page.identity.customer = QStringLiteral("客户%1贸易有限公司").arg(n);
        page.identity.cutOff = QDate(2026, 12, 31);
        page.identity.cents = 100000 + n;
        page.identity.templateName = QStringLiteral("应收帐款确认函");
        page.pageSha256 = QByteArray(64, 'a');
        pages.append(page);
    }
    LedgerRun run;
    run.kind = QStringLiteral("PDF");
    run.output = QStringLiteral("bench.pdf");
    run.templateName = QStringLiteral("应收帐款确认函");
    ledger->recordRun(run, pages);
    return ledger;
}

using Values = QList<QPair<QString, QList<QPair<LetterField, QString>>>>;

Values valuesOf(int letters, LetterField field, const QString &text)
{
    Values values;
    for (int n = 0; n < letters; ++n)
        values.append({numberOf(n), {{field, text}}});
    return values;
}

void ratio(const char *what, double measured, const char *baseline, double base)
{
    std::printf("%s: %.3f s; %s: %.3f s; ratio %.2f\n", what, measured, baseline, base,
                measured / base);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int letters = argc > 1 ? std::atoi(argv[1]) : 2000;
    QTemporaryDir dir;
    const auto with = ledgerOf(dir.filePath(QStringLiteral("with.rvledger")), letters);
    const auto without = ledgerOf(dir.filePath(QStringLiteral("without.rvledger")), letters);
    std::printf("%d letters\n", letters);

    const QList<ReconcilingItem> items{
        {QStringLiteral("在途款项"), -5000, QDate(2026, 12, 30), QStringLiteral("BR-1"), {}},
        {QStringLiteral("在途货物"), -2500, QDate(2026, 12, 29), QStringLiteral("FH-1"), {}}};
    const double itemsKept = seconds([&] {
        for (int n = 0; n < letters; ++n)
            with->setReconcilingItems(numberOf(n), items);
    });
    const double notesKept = seconds([&] {
        for (int n = 0; n < letters; ++n)
            without->setValues(numberOf(n), {{LetterField::Note, QStringLiteral("核对")}});
    });
    ratio("two items kept per letter, one call each", itemsKept, "a note set per letter",
          notesKept);

    const double repliesWith = seconds([&] {
        with->setValuesOf(valuesOf(letters, LetterField::ReplyAmount, QStringLiteral("925.00")),
                          QStringLiteral("导入"));
    });
    const double repliesWithout = seconds([&] {
        without->setValuesOf(valuesOf(letters, LetterField::ReplyAmount, QStringLiteral("925.00")),
                             QStringLiteral("导入"));
    });
    ratio("reply amounts imported, each letter judged again", repliesWith,
          "the same import without items", repliesWithout);

    const double tolerance = seconds([&] { with->setToleranceCents(10000); });
    const double results = seconds([&] {
        without->setValuesOf(valuesOf(letters, LetterField::Result, QStringLiteral("不符")),
                             QStringLiteral("修改"));
    });
    ratio("a new tolerance judging every letter", tolerance, "the results set directly", results);

    for (int n = 0; n < letters; n += 2)
        with->setAlternativeProcedure(
            numberOf(n), AlternativeProcedure{{{QStringLiteral("期后收款"), 50000,
                                                QDate(2027, 1, 10), QStringLiteral("HD")}},
                                              50000,
                                              QStringLiteral("部分确认"),
                                              {}});
    LedgerStore::Verification checkedWith, checkedWithout;
    const double verifyWith = seconds([&] { checkedWith = with->verify(); });
    const double verifyWithout = seconds([&] { checkedWithout = without->verify(); });
    std::printf("log entries: %lld with items, %lld without\n",
                static_cast<long long>(checkedWith.entries),
                static_cast<long long>(checkedWithout.entries));
    ratio(checkedWith.ok ? "verify with items and procedures" : "verify (BROKEN)", verifyWith,
          "verify without", verifyWithout);
    return checkedWith.ok && checkedWithout.ok ? 0 : 1;
}

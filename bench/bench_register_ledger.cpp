// The register of 100,000 letters written from the ledger (their kept fields filled in and
// the log beside them) beside the same register written from a letter run's document of
// those letters, in one run. Target: the ledger's register within 3 s.

#include "Seconds.h"
#include "control/RegisterWriter.h"
#include "support/LedgerFixtures.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    constexpr int count = 100000;
    // A folder given keeps the files, to look into them.
    QTemporaryDir temporary;
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path());
    const QString file = dir.filePath(QStringLiteral("bench.rvledger"));
    const QList<SentPage> pages = ledgerPages(1, count);
    const double recording = seconds([&] {
        auto ledger = LedgerStore::create(file, QStringLiteral("基准测试"));
        ledger->recordRun(ledgerRun(), pages);
        // A third of the letters answered, as an engagement midway has them.
        QList<QPair<QString, QList<QPair<LetterField, QString>>>> values;
        for (int n = 1; n <= count; n += 3)
            values.append({ledgerLetter(n).number,
                           {{LetterField::SendMethod, QStringLiteral("EMS")},
                            {LetterField::ReplyAmount, QStringLiteral("1000")},
                            {LetterField::Result, QStringLiteral("相符")}}});
        ledger->setValuesOf(values, QStringLiteral("导入"));
    });
    const auto ledger = LedgerStore::open(file);

    // The same letters as a run's document: the run's four fields and the template's 地址.
    ReportDocument document;
    document.report.fields = {{"客户单位", FieldType::Text},
                              {"截止日期", FieldType::Date},
                              {"应收金额", FieldType::Number},
                              {"函编号", FieldType::Text},
                              {"地址", FieldType::Text}};
    document.printDate = QDate(2026, 12, 9);
    for (const SentPage &page : pages)
        document.records.append({page.identity.customer, page.identity.cutOff,
                                 double(*page.identity.cents) / 100, page.identity.number,
                                 page.identity.fields.constFirst().second});

    const double fromRun = seconds([&] {
        RegisterWriter::write(document, QStringLiteral("应收帐款确认函"),
                              dir.filePath(QStringLiteral("run.xlsx")));
    });
    const double fromLedger = seconds(
        [&] { RegisterWriter::write(*ledger, dir.filePath(QStringLiteral("ledger.xlsx"))); });
    std::printf("100,000 letters (%lld log entries; recorded in %.1f s):\n"
                "  register from the ledger %.2f s (target <= 3 s), from a run's document %.2f s, "
                "ratio %.2f\n",
                ledger->logSize(), recording, fromLedger, fromRun, fromLedger / fromRun);
    return 0;
}

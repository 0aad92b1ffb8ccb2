// Print runs into the confirmation ledger: what each letter says, the check before the first
// letter, and the run recorded with its pages' hashes. Real ledger files throughout.

#include "control/LetterRecording.h"
#include "engine/PdfExport.h"
#include "ledger/LedgerStore.h"
#include "platform/Exception.h"
#include "platform/FontSetup.h"
#include "support/LedgerFixtures.h"
#include "support/LetterDocuments.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString placeOf(qsizetype i)
{
    return QStringLiteral("第%1行").arg(i + 3);
}

QString refusal(const LedgerStore &ledger, const ReportDocument &letters)
{
    try {
        LetterRecording::requireSendable(ledger, letters, QStringLiteral("应收帐款确认函"),
                                         placeOf);
    } catch (const Exception &error) {
        return error.message();
    }
    return QString();
}

} // namespace

class TestLetterRecording : public QObject
{
    Q_OBJECT
private slots:
    // The amount as the letter shows it, to the cent; none when the row has none.
    void identities_data()
    {
        QTest::addColumn<QVariant>("amount");
        QTest::addColumn<QVariant>("cents");
        QTest::newRow("whole") << QVariant(128000.0) << QVariant(qint64(12800000));
        QTest::newRow("half a cent up") << QVariant(1234.565) << QVariant(qint64(123457));
        QTest::newRow("binary sum") << QVariant(0.1 + 0.2) << QVariant(qint64(30));
        QTest::newRow("negative") << QVariant(-15.5) << QVariant(qint64(-1550));
        QTest::newRow("tiny negative") << QVariant(-0.001) << QVariant(qint64(0));
        QTest::newRow("none") << QVariant() << QVariant();
    }
    void identities()
    {
        QFETCH(QVariant, amount);
        QFETCH(QVariant, cents);
        const ReportDocument letters =
            letterDocument({{QStringLiteral("HZ-1"), QStringLiteral("甲公司"),
                             amount.isValid() ? std::optional(amount.toDouble()) : std::nullopt,
                             QStringLiteral("中山路1号")}});
        const QList<LetterIdentity> identities =
            LetterRecording::identities(letters, QStringLiteral("应收帐款确认函"));
        QCOMPARE(identities.size(), 1);
        const LetterIdentity &identity = identities[0];
        QCOMPARE(identity.number, QStringLiteral("HZ-1"));
        QCOMPARE(identity.customer, QStringLiteral("甲公司"));
        QCOMPARE(identity.cutOff, QDate(2026, 12, 31));
        QCOMPARE(identity.templateName, QStringLiteral("应收帐款确认函"));
        QCOMPARE(identity.cents.has_value(), cents.isValid());
        if (cents.isValid())
            QCOMPARE(*identity.cents, cents.toLongLong());
        // The further fields only, by name, as shown.
        QCOMPARE(identity.fields, (QList<QPair<QString, QString>>{
                                      {QStringLiteral("地址"), QStringLiteral("中山路1号")}}));
    }

    // What stops a run before its first letter, and what lets it go.
    void requireSendable_data()
    {
        QTest::addColumn<QList<LetterRow>>("rows");
        QTest::addColumn<QString>("refused"); // a part of the message; empty when sendable
        const LetterRow same{"HZ-0001", "第1贸易有限公司", 1000.01, "中山路1号"};
        QTest::newRow("reprint and new letters")
            << QList<LetterRow>{same, {"HZ-9", "新", 1, ""}} << QString();
        QTest::newRow("other amount")
            << QList<LetterRow>{{"HZ-9", "新", 1, ""},
                                {"HZ-0002", "第2贸易有限公司", 5, "中山路2号"}}
            << QStringLiteral(
                   "第4行（HZ-0002）的函证编号已按其他内容发出过，已发出的询证函不能"
                   "改动；如确需重发，请先在函证台账中作废原来的询证函。未打印任何询证函");
        QTest::newRow("other address")
            << QList<LetterRow>{{"HZ-0001", "第1贸易有限公司", 1000.01, "中山路9号"}}
            << QStringLiteral("第3行（HZ-0001）");
        QTest::newRow("without a number")
            << QList<LetterRow>{same, {"", "无编号", 1, ""}} << QStringLiteral("第4行");
        QTest::newRow("number twice")
            << QList<LetterRow>{{"HZ-9", "甲", 1, ""}, {"HZ-9", "乙", 2, ""}}
            << QStringLiteral("第4行");
        QTest::newRow("voided number sent anew")
            << QList<LetterRow>{{"HZ-0003", "改过的", 7, ""}} << QString();
    }
    void requireSendable()
    {
        QFETCH(QList<LetterRow>, rows);
        QFETCH(QString, refused);
        QTemporaryDir dir;
        const auto ledger = LedgerStore::create(dir.filePath("台账.rvledger"), "项目");
        LetterRecording::record(*ledger, numberedLetters(1, 3), "应收帐款确认函",
                                LetterRecording::Pdf, "/tmp/a.pdf", {0, 1, 2});
        ledger->voidLetter("HZ-0003", "地址写错");
        const QString message = refusal(*ledger, letterDocument(rows));
        if (refused.isEmpty())
            QVERIFY2(message.isEmpty(), qPrintable(message));
        else
            QVERIFY2(message.contains(refused), qPrintable(message));
    }

    // A template with a detail band prints many records a page: its pages are not letters,
    // each with a page of its own to hash, and the ledger takes none of them.
    void aBandedTemplateIsNoLetter()
    {
        QTemporaryDir dir;
        const auto ledger = LedgerStore::create(dir.filePath("台账.rvledger"), "项目");
        ReportDocument list = numberedLetters(1, 3);
        list.report.band = {20, 10};
        const QString message = refusal(*ledger, list);
        QVERIFY2(message.contains(QStringLiteral("设有明细区，一页印多条记录，不能作为询证函")),
                 qPrintable(message));
        QVERIFY(ledger->letters().isEmpty());
    }

    // A ledger that can only be read takes no run: the letters are not printed.
    void aReadOnlyLedgerRefusesTheRun()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("台账.rvledger");
        LedgerStore::create(path, "项目");
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
        const auto ledger = LedgerStore::open(path);
        QVERIFY(ledger->readOnly());
        const QString message = refusal(*ledger, numberedLetters(1, 2));
        QVERIFY2(message.startsWith(QStringLiteral("函证台账“%1”是只读打开的（").arg(path)),
                 qPrintable(message));
        QVERIFY2(message.endsWith(QStringLiteral("无法记录本次发函；未打印任何询证函")),
                 qPrintable(message));
    }

    // Pages printed each once, however often the run names them; a later run of all of them
    // reprints those and sends the rest, with the hashes it was given.
    void recordedRuns()
    {
        QTemporaryDir dir;
        const auto ledger = LedgerStore::create(dir.filePath("台账.rvledger"), "项目");
        const ReportDocument letters = numberedLetters(1, 3);
        const LedgerRun printed =
            LetterRecording::record(*ledger, letters, "应收帐款确认函", LetterRecording::Printed,
                                    "财务部打印机", {2, 0, 2});
        QCOMPARE(printed.letters, 2);
        QCOMPARE(printed.kind, QStringLiteral("打印"));
        const QList<QByteArray> given{QByteArray(64, 'a'), QByteArray(64, 'b'),
                                      QByteArray(64, 'c')};
        const LedgerRun split =
            LetterRecording::record(*ledger, letters, "应收帐款确认函", LetterRecording::EachPdf,
                                    dir.filePath("分页"), {0, 1, 2}, given);
        QCOMPARE(split.letters, 1);
        QCOMPARE(split.reprints, 2);
        QCOMPARE(ledger->letter("HZ-0002")->pageSha256, given[1]);
        QCOMPARE(ledger->letter("HZ-0001")->reprints, 1);
        QCOMPARE(ledger->letter("HZ-0001")->identity.cents, std::optional<qint64>(100001));
        QVERIFY(ledger->verify().ok);
        const QList<LedgerRun> runs = ledger->runs();
        QCOMPARE(runs.size(), 2);
        QCOMPARE(runs[0].output, QStringLiteral("财务部打印机"));
        QCOMPARE(runs[1].kind, QStringLiteral("分页PDF"));
    }

    // Without hashes given, each letter's is that of its own page PDF, as one PDF per letter
    // would write it (made again when the pair straddles a second: the PDFs carry the time).
    void pageHashesAreThoseOfTheLettersOwnFiles()
    {
        const ReportDocument letters = numberedLetters(1, 4);
        bool same = false;
        for (int attempt = 0; attempt < 5 && !same; ++attempt) {
            QTemporaryDir dir;
            const auto ledger = LedgerStore::create(dir.filePath("台账.rvledger"), "项目");
            QList<QByteArray> files;
            PdfExport::writeEach(letters, dir.path(), {"1", "2", "3", "4"}, {}, &files);
            LetterRecording::record(*ledger, letters, "应收帐款确认函", LetterRecording::Pdf,
                                    dir.filePath("全部.pdf"), {0, 1, 2, 3});
            same = true;
            for (int i = 0; i < 4; ++i) {
                const QByteArray recorded = ledger->letters()[i].pageSha256;
                QCOMPARE(recorded.size(), 64);
                same = same && recorded == files[i];
            }
        }
        QVERIFY(same);
    }
};

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    FontSetup::install();
    TestLetterRecording test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_letter_recording.moc"

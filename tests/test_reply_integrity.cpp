// Letters printed into a ledger and their replies scanned back, end to end: a page whose
// code verifies, one with a made-up code, one whose amount was changed after printing; each
// recorded as it is, and the auditor's decision kept apart from the program's suggestion.
#include "app/ReplyCheckDialog.h"
#include "control/LetterRecording.h"
#include "control/ReplyRecording.h"
#include "control/ScannedFile.h"
#include "engine/PdfExport.h"
#include "engine/TemplateReader.h"
#include "ledger/LedgerStore.h"
#include "platform/FontSetup.h"
#include "support/LedgerFixtures.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class TestReplyIntegrity : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    const QString m_template = QStringLiteral("应收帐款确认函");

    ReportDocument letters() const
    {
        QFile file(qEnvironmentVariable("PROGRAM_DIR") + QStringLiteral("/应收帐款确认函.grf"));
        if (!file.open(QIODevice::ReadOnly))
            qFatal("template missing");
        ReportDocument document;
        document.report = TemplateReader::fromJson(file.readAll());
        document.title = m_template;
        document.printDate = QDate(2027, 1, 6);
        for (int n = 1; n <= 3; ++n) {
            const QString number = QStringLiteral("HZ2026-%1").arg(n, 4, 10, QLatin1Char('0'));
            document.records.append({QStringLiteral("杭州第%1机械有限公司").arg(n),
                                     QDate(2026, 12, 31), 125000.0 * n + 0.5, number, number});
        }
        return document;
    }

    // The first page of 'document' as a 200 dpi scan, written as a PNG.
    QString scan(const ReportDocument &document, int page, const QString &name) const
    {
        QByteArray pdf;
        PdfExport::eachPage(document, [&](int p, const QByteArray &bytes) {
            if (p == page)
                pdf = bytes;
        });
        const QString pdfPath = m_dir.filePath(name + QStringLiteral(".pdf"));
        QFile out(pdfPath);
        if (!out.open(QIODevice::WriteOnly) || out.write(pdf) != pdf.size())
            qFatal("cannot write");
        out.close();
        const QString png = m_dir.filePath(name + QStringLiteral(".png"));
        ScannedFile(pdfPath, 200).page(0).save(png);
        return png;
    }

private slots:
    void initTestCase() { FontSetup::ensureSubstitutions(); }

    void repliesAreCheckedAgainstTheLettersAsSent()
    {
        const QString path = m_dir.filePath(QStringLiteral("l.rvledger"));
        auto ledger = LedgerStore::create(path, QStringLiteral("E"));
        ReportDocument sent = letters();
        LetterRecording::stampCodes(*ledger, sent, m_template);
        LetterRecording::record(*ledger, sent, m_template, LetterRecording::Pdf,
                                QStringLiteral("/tmp/letters.pdf"), {0, 1, 2});
        for (const LedgerLetter &letter : ledger->letters()) {
            QVERIFY(letter.keyedCode);
            QVERIFY(!ledger->letterPdf(letter.identity.number).isEmpty());
        }

        // The first as printed; the second with its amount changed under its true code; the
        // third with a code made up for its number.
        ReportDocument altered = sent;
        altered.records[1][2] = 125000.0 * 2 + 90000.5;
        ReportDocument forged = sent;
        forged.records[2][4] = QStringLiteral("HZ2026-0003*AAAAAAAA");
        const QStringList files{scan(sent, 0, QStringLiteral("a")),
                                scan(altered, 1, QStringLiteral("b")),
                                scan(forged, 2, QStringLiteral("c"))};
        const ReplyList list =
            ReplyRecording::run(*ledger, files, QStringLiteral("快递"), QDate(2027, 1, 20));
        QCOMPARE(list.lines().size(), 3);
        const ReplyLine &clean = list.lines()[0], &changed = list.lines()[1],
                        &madeUp = list.lines()[2];
        QCOMPARE(clean.state, ReplyState::Matched);
        QCOMPARE(clean.codeCheck, QStringLiteral("有效"));
        QCOMPARE(clean.findings.alteration, QStringLiteral("未见改动"));
        QCOMPARE(clean.findings.suggestion, QStringLiteral("无法判断")); // nothing marked
        QCOMPARE(changed.state, ReplyState::Matched);
        QCOMPARE(changed.codeCheck, QStringLiteral("有效"));
        QCOMPARE(changed.findings.alteration, QStringLiteral("疑似改动"));
        QVERIFY(!changed.findings.regions.isEmpty());
        QCOMPARE(madeUp.state, ReplyState::CheckFailed);
        QCOMPARE(list.summary(), QStringLiteral("已匹配 2，校验失败 1，疑似改动 1，未回函 1"));
        QVERIFY(!ledger->letter(QStringLiteral("HZ2026-0003"))->answered);

        // The ledger keeps what the check found, in its log too.
        const QList<ReplyPageRecord> kept = ledger->replies();
        QCOMPARE(kept[1].alteration, QStringLiteral("疑似改动"));
        QCOMPARE(kept[2].state, QStringLiteral("校验失败"));
        QVERIFY(ledger->verify().ok);

        // The auditor looks at the changed page and decides; the suggestion stays as it was.
        ReplyCheckDialog dialog(nullptr, *ledger, changed, QStringLiteral("杭州第2机械有限公司"));
        QVERIFY(dialog.lblFindings->text().contains(QStringLiteral("疑似改动")));
        dialog.btnDiffer->click();
        QCOMPARE(ledger->letter(QStringLiteral("HZ2026-0002"))->value(LetterField::Result),
                 QStringLiteral("不符"));
        QCOMPARE(ledger->log(QStringLiteral("HZ2026-0002")).constLast().action,
                 QStringLiteral("核对回函"));
        QCOMPARE(ledger->replies()[1].suggestion, kept[1].suggestion);
        QVERIFY(ledger->verify().ok);
        ledger.reset();

        // Changed past the program, what the check found no longer agrees with the log.
        tamper(path, {"UPDATE replies SET alteration = '未见改动' WHERE alteration = '疑似改动'"});
        const LedgerStore::Verification check = LedgerStore::open(path)->verify();
        QVERIFY(!check.ok);
        QVERIFY2(check.problem.contains(QStringLiteral("b.png")), qPrintable(check.problem));
    }
};

QTEST_MAIN(TestReplyIntegrity)
#include "test_reply_integrity.moc"

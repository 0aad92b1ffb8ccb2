// The check of scanned reply pages against their letters, on pages generated with a known
// truth from the shipped letter, and on input that is no reply at all.

#include "control/ReplyPageCheck.h"
#include "engine/CodeReader.h"
#include "platform/Exception.h"
#include "support/ReplyPageFactory.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <QtTest>

namespace {

QString programFile(const QString &name)
{
    return qEnvironmentVariable("PROGRAM_DIR") + QLatin1Char('/') + name;
}

QPolygonF codeCorners(const QImage &scan)
{
    for (const CodeReader::Code &code : CodeReader::read(scan))
        if (!code.linear)
            return code.corners;
    return {};
}

bool sealed(Answer answer)
{
    return answer == Answer::AgreeSealed || answer == Answer::AgreeSealOnly ||
           answer == Answer::Both;
}

QByteArray pdfWithText(const QString &text)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QPageSize::A4));
    QPainter painter(&writer);
    painter.drawText(QRectF(0, 0, 4000, 1000), text);
    painter.end();
    return bytes;
}

} // namespace

class TestReplyCheck : public QObject
{
    Q_OBJECT

    std::unique_ptr<ReplyPageFactory> m_factory;

private slots:
    void initTestCase()
    {
        m_factory = std::make_unique<ReplyPageFactory>(programFile("应收帐款确认函.grf"), 8, 3);
    }

    void areasSurviveTheirText()
    {
        const ReplyAreas shipped = ReplyAreas::shippedLetter();
        QCOMPARE(ReplyAreas::fromJson(shipped.toJson()), shipped);
        QVERIFY(shipped.free.contains(shipped.agree));
        QVERIFY(shipped.free.contains(shipped.disagree));
        ReplyAreas plain{{QRectF(1.5, 2, 3, 4)}, QRectF(1, 1, 1, 1), QRectF(2, 2, 2, 2), {}};
        QCOMPARE(ReplyAreas::fromJson(plain.toJson()), plain);
    }

    void damagedAreasAreRefused_data()
    {
        QTest::addColumn<QString>("json");
        QTest::newRow("no object") << "[1,2]";
        QTest::newRow("not json") << "free: none";
        QTest::newRow("no free list") << R"({"agree":[0,0,1,1],"disagree":[0,0,1,1]})";
        QTest::newRow("three numbers")
            << R"({"free":[[0,0,1]],"agree":[0,0,1,1],"disagree":[0,0,1,1]})";
        QTest::newRow("text for a number")
            << R"({"free":[],"agree":[0,"0",1,1],"disagree":[0,0,1,1]})";
        QTest::newRow("negative width") << R"({"free":[],"agree":[0,0,-1,1],"disagree":[0,0,1,1]})";
        QTest::newRow("no disagree box") << R"({"free":[],"agree":[0,0,1,1]})";
    }
    void damagedAreasAreRefused()
    {
        QFETCH(QString, json);
        try {
            ReplyAreas::fromJson(json);
            QFAIL("damaged areas were taken");
        } catch (const Exception &error) {
            QCOMPARE(error.message(), QStringLiteral("回函区的记录已损坏"));
        }
    }

    // Every kind of alteration and answer, at every resolution, turned either way.
    void generatedPagesAreJudgedByTheirTruth()
    {
        const ReplyAreas areas = ReplyAreas::shippedLetter();
        QList<LetterReference *> references;
        for (int i = 0; i < m_factory->letterCount(); ++i)
            references.append(new LetterReference(m_factory->letterPdf(i)));
        const auto cleanup = qScopeGuard([&] { qDeleteAll(references); });
        QStringList wrong;
        for (const ReplyPageTruth &truth : ReplyPageFactory::mix(40, m_factory->letterCount(), 5)) {
            const QImage scan = m_factory->page(truth);
            const ReplyPageCheck::Result result =
                ReplyPageCheck::check(scan, codeCorners(scan), *references[truth.letter], areas);
            if (!result.compared) {
                wrong << truth.describe() + QStringLiteral(" not compared: ") + result.notCompared;
                continue;
            }
            if (result.altered() != truth.altered())
                wrong << truth.describe() + QStringLiteral(" altered %1").arg(result.altered());
            if (result.suggestion != truth.suggestion())
                wrong << truth.describe() + QStringLiteral(" suggested ") + result.suggestion;
            if (result.agree.seal != sealed(truth.answer) ||
                result.disagree.seal != (truth.answer == Answer::DisagreeSealed))
                wrong << truth.describe() + QStringLiteral(" seals %1 %2")
                                                .arg(result.agree.seal)
                                                .arg(result.disagree.seal);
            if (result.disagree.marked == result.differenceLines.isNull())
                wrong << truth.describe() + QStringLiteral(" difference lines");
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join('\n')));
    }

    void changedPrintIsPlacedWhereItWasChanged_data()
    {
        QTest::addColumn<int>("alteration");
        QTest::addColumn<QRectF>("where");
        // The table's row of figures, the customer's line, the code.
        QTest::newRow("digit") << int(Alteration::Digit) << QRectF(20, 113, 170, 12);
        QTest::newRow("customer") << int(Alteration::Customer) << QRectF(20, 46, 170, 7);
        QTest::newRow("date") << int(Alteration::Date) << QRectF(20, 113, 38, 12);
    }
    void changedPrintIsPlacedWhereItWasChanged()
    {
        QFETCH(int, alteration);
        QFETCH(QRectF, where);
        ReplyPageTruth truth;
        truth.letter = 2;
        truth.alteration = Alteration(alteration);
        truth.dpi = 200;
        truth.degrees = 1.3;
        const QImage scan = m_factory->page(truth);
        const ReplyPageCheck::Result result = ReplyPageCheck::check(
            scan, codeCorners(scan), m_factory->letterPdf(2), ReplyAreas::shippedLetter());
        QVERIFY(result.compared);
        QVERIFY(!result.changed.isEmpty());
        for (const QRectF &rect : result.changed)
            QVERIFY2(rect.intersects(where), qPrintable(QStringLiteral("%1 %2 %3 %4")
                                                            .arg(rect.x())
                                                            .arg(rect.y())
                                                            .arg(rect.width())
                                                            .arg(rect.height())));
        QCOMPARE(result.scanInFrame().size(), result.reference.size());
        QVERIFY(result.note().startsWith(ReplyPageCheck::kAltered));
    }

    // Pages fed into the scanner head first come back upside down.
    void upsideDownScanIsReadAsAnyOther()
    {
        ReplyPageTruth truth;
        truth.letter = 4;
        truth.answer = Answer::DisagreeSealed;
        truth.degrees = 181.2;
        truth.dpi = 300;
        const QImage scan = m_factory->page(truth);
        const ReplyPageCheck::Result result = ReplyPageCheck::check(
            scan, codeCorners(scan), m_factory->letterPdf(4), ReplyAreas::shippedLetter());
        QVERIFY(result.compared);
        QVERIFY(!result.altered());
        QCOMPARE(result.suggestion, ReplyPageCheck::kDiffers);
        QVERIFY(result.disagree.seal);
        QVERIFY(!result.differenceLines.isNull());
    }

    void pageOfAnotherTemplateIsNeverClean()
    {
        const ReplyPageFactory advance(programFile("预收帐款确认函.grf"), 8, 3);
        ReplyPageTruth truth;
        truth.letter = 1;
        truth.answer = Answer::AgreeSealed;
        const QImage scan = advance.page(truth);
        const ReplyPageCheck::Result result = ReplyPageCheck::check(
            scan, codeCorners(scan), m_factory->letterPdf(1), ReplyAreas::shippedLetter());
        QVERIFY(!result.compared || result.altered());
    }

    void inputThatIsNoReplyIsNotCompared_data()
    {
        QTest::addColumn<QImage>("scan");
        QTest::addColumn<QPolygonF>("corners");
        QTest::addColumn<QByteArray>("pdf");
        QTest::addColumn<QString>("why");
        QImage blank(1654, 2339, QImage::Format_RGB32);
        blank.fill(Qt::white);
        const QPolygonF square{{200, 200}, {300, 200}, {300, 300}, {200, 300}};
        const QByteArray letter = m_factory->letterPdf(0);
        QTest::newRow("blank page") << blank << QPolygonF() << letter << "扫描页上没有函证码";
        QTest::newRow("blank page, a code claimed") << blank << square << letter << "无法对齐";
        QTest::newRow("no picture") << QImage() << square << letter << "扫描页是空的";
        QImage tiny(20, 20, QImage::Format_RGB32);
        tiny.fill(Qt::black);
        QTest::newRow("tiny picture") << tiny << square << letter << "扫描页是空的";
        QImage huge(7000, 9900, QImage::Format_Grayscale8);
        huge.fill(255);
        const QPolygonF speck{{100, 100}, {110, 100}, {110, 110}, {100, 110}};
        QTest::newRow("huge picture, small code")
            << huge << speck << letter << "函证码大小不对，无法对齐";
        QTest::newRow("code squeezed to a point")
            << blank << QPolygonF{{5, 5}, {5, 5}, {5, 5}, {5, 5}} << letter
            << "函证码大小不对，无法对齐";
        QTest::newRow("pdf of no letter")
            << blank << square << pdfWithText("应收帐款") << "信函上没有函证码";
        QTest::newRow("no pdf") << blank << square << QByteArray("%PDF-1.4 broken")
                                << "信函 PDF 无法读取";
    }
    void inputThatIsNoReplyIsNotCompared()
    {
        QFETCH(QImage, scan);
        QFETCH(QPolygonF, corners);
        QFETCH(QByteArray, pdf);
        QFETCH(QString, why);
        const ReplyPageCheck::Result result =
            ReplyPageCheck::check(scan, corners, pdf, ReplyAreas::shippedLetter());
        QVERIFY(!result.compared);
        QCOMPARE(result.notCompared, why);
        QCOMPARE(result.suggestion, ReplyPageCheck::kUndecided);
        QVERIFY(!result.altered());
    }
};

QTEST_MAIN(TestReplyCheck)
#include "test_reply_check.moc"

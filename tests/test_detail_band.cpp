// The engine's detail band (明细区): how many records a page takes, where each copy is drawn,
// what the elements outside the band show, the band in the template file, and templates
// without a band printing one record per page as before.

#include "engine/PageRenderer.h"
#include "engine/PdfExport.h"
#include "engine/ReportEngine.h"
#include "engine/ReportError.h"
#include "engine/TemplateReader.h"
#include "engine/TemplateWriter.h"
#include "platform/FontSetup.h"
#include "support/MessageOf.h"

#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kPixelsPerMm = 2;

// A list page: a heading with the page's first number and the page number outside the band,
// and in a band of 10 mm from 50 mm a black bar and the record's number.
ReportDocument listOf(int records, double bandHeightMm = 10)
{
    ReportDocument document;
    ReportTemplate &report = document.report;
    report.page.marginBottomMm = 20; // the band's copies end at 277 mm
    report.band = {50, bandHeightMm};
    report.fields = {{QStringLiteral("编号"), FieldType::Text}};
    ReportElement heading;
    heading.rectMm = QRectF(20, 20, 170, 10);
    heading.text = QStringLiteral("首条 {编号} 第{#页码}页/共{#总页数}页");
    ReportElement bar;
    bar.kind = ElementKind::Rectangle;
    bar.rectMm = QRectF(20, 51, 10, 4);
    bar.fillColor = Qt::black;
    ReportElement number;
    number.kind = ElementKind::Field;
    number.field = QStringLiteral("编号");
    number.rectMm = QRectF(40, 50, 100, 8);
    report.elements = {heading, bar, number};
    for (int n = 1; n <= records; ++n)
        document.records.append({QStringLiteral("R%1").arg(n, 3, 10, QLatin1Char('0'))});
    document.printDate = QDate(2026, 12, 10);
    return document;
}

QImage painted(const ReportDocument &document, int page)
{
    PageRenderer renderer(document);
    const QSizeF size = renderer.pageSizeMm() * kPixelsPerMm;
    QImage image(size.toSize(), QImage::Format_Grayscale8);
    image.fill(Qt::white);
    QPainter painter(&image);
    renderer.paintInto(painter, QRectF(QPointF(0, 0), size), page);
    return image;
}

bool inkAt(const QImage &image, double xMm, double yMm)
{
    return qGray(image.pixel(int(xMm * kPixelsPerMm), int(yMm * kPixelsPerMm))) < 128;
}

QString pdfText(const QString &pdf, int page)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                   QString::number(page), QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class TestDetailBand : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { FontSetup::install(); }

    void pagesCounted_data()
    {
        QTest::addColumn<double>("bandHeight");
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("perPage");
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("onLast");
        // 227 mm between the band's top and the bottom margin.
        QTest::newRow("none") << 10.0 << 0 << 22 << 0 << 0;
        QTest::newRow("one") << 10.0 << 1 << 22 << 1 << 1;
        QTest::newRow("a page full") << 10.0 << 22 << 22 << 1 << 22;
        QTest::newRow("one over") << 10.0 << 23 << 22 << 2 << 1;
        QTest::newRow("three pages") << 10.0 << 50 << 22 << 3 << 6;
        QTest::newRow("exact fit") << 227.0 / 5 << 10 << 5 << 2 << 5;
        QTest::newRow("taller than the room") << 250.0 << 3 << 1 << 3 << 1;
        QTest::newRow("no band") << 0.0 << 7 << 1 << 7 << 1;
    }
    void pagesCounted()
    {
        QFETCH(double, bandHeight);
        QFETCH(int, records);
        QFETCH(int, perPage);
        QFETCH(int, pages);
        QFETCH(int, onLast);
        const ReportDocument document = listOf(records, bandHeight);
        QCOMPARE(document.report.recordsPerPage(), perPage);
        QCOMPARE(document.pageCount(), pages);
        if (pages > 0) {
            QCOMPARE(document.recordsOn(pages - 1), onLast);
            QCOMPARE(document.firstRecordOf(pages - 1), (pages - 1) * perPage);
        }
    }

    void copiesPlaced()
    {
        const ReportDocument document = listOf(25);
        // Page 1: 22 bars, one every 10 mm from 51 mm; nothing below the last.
        const QImage first = painted(document, 0);
        for (int k = 0; k < 22; ++k)
            QVERIFY2(inkAt(first, 25, 53 + 10 * k), qPrintable(QString::number(k)));
        QVERIFY(!inkAt(first, 25, 53 + 10 * 22));
        QVERIFY(!inkAt(first, 25, 58)); // between two copies
        // Page 2: the three left, then blank.
        const QImage second = painted(document, 1);
        for (int k = 0; k < 3; ++k)
            QVERIFY(inkAt(second, 25, 53 + 10 * k));
        QVERIFY(!inkAt(second, 25, 53 + 10 * 3));
    }

    void pagesShowTheirRecords()
    {
        // Through the PDF, as printed: each page its own records in their copies, and the
        // heading from the page's first record, with the page's number.
        const ReportDocument document = listOf(50);
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("list.pdf"));
        PdfExport::writeAll(document, pdf);
        const QString second = pdfText(pdf, 2);
        QVERIFY2(second.contains(QStringLiteral("首条 R023 第2页/共3页")), qPrintable(second));
        for (int n = 23; n <= 44; ++n)
            QVERIFY2(second.contains(QStringLiteral("R%1").arg(n, 3, 10, QLatin1Char('0'))),
                     qPrintable(QString::number(n)));
        QVERIFY(!second.contains(QStringLiteral("R022")));
        QVERIFY(!second.contains(QStringLiteral("R045")));
        const QString third = pdfText(pdf, 3);
        QVERIFY(third.contains(QStringLiteral("首条 R045 第3页/共3页")));
        QVERIFY(third.contains(QStringLiteral("R050")));

        PageRenderer renderer(document);
        QCOMPARE(renderer.expand(QStringLiteral("{编号}"), 1), QStringLiteral("R023"));
        // One file per page is named after the page's first record.
        QCOMPARE(
            PdfExport::fieldTexts(document, QStringLiteral("编号")),
            (QStringList{QStringLiteral("R001"), QStringLiteral("R023"), QStringLiteral("R045")}));
    }

    void overflowsOfEveryCopy()
    {
        // A long record further down the page is found, not only the page's first.
        ReportDocument document = listOf(5);
        document.report.elements[2].style.wrap = false;
        document.report.elements[2].rectMm.setWidth(15);
        document.records[3][0] = QStringLiteral("R004 一个很长很长的编号放不下");
        PageRenderer renderer(document);
        QCOMPARE(renderer.overflowing(0), QList<int>{2});
        document.records[3][0] = QStringLiteral("R004");
        PageRenderer fits(document);
        QVERIFY(fits.overflowing(0).isEmpty());
    }

    void barcodeNamesItsRecord()
    {
        ReportDocument document = listOf(4);
        ReportElement code;
        code.kind = ElementKind::Barcode;
        code.rectMm = QRectF(150, 50, 8, 8);
        code.text = QStringLiteral("{编号}");
        document.report.elements.append(code);
        document.records[2][0] = QString(300, QLatin1Char('X'));
        PageRenderer renderer(document);
        const QString message = messageOf([&] { renderer.checkBarcodes(); });
        QVERIFY2(message.contains(QStringLiteral("第 3 条记录")), qPrintable(message));
    }

    void bandInTheFile()
    {
        const ReportDocument document = listOf(0);
        const QByteArray json = TemplateWriter::toJson(document.report);
        QCOMPARE(QJsonDocument::fromJson(json).object().value(QStringLiteral("version")).toInt(),
                 2);
        const ReportTemplate read = TemplateReader::fromJson(json);
        QCOMPARE(read.band, document.report.band);
        QCOMPARE(read, document.report);
        QCOMPARE(TemplateWriter::toJson(read), json);

        // Without a band the file is as before: version 1, no band.
        ReportTemplate plain = document.report;
        plain.band = {};
        const QByteArray plainJson = TemplateWriter::toJson(plain);
        QCOMPARE(
            QJsonDocument::fromJson(plainJson).object().value(QStringLiteral("version")).toInt(),
            1);
        QVERIFY(!plainJson.contains("band"));
        QVERIFY(!TemplateReader::fromJson(plainJson).band.isSet());
    }

    void damagedBand_data()
    {
        QTest::addColumn<QByteArray>("band");
        QTest::addColumn<QString>("problem");
        QTest::newRow("beyond the page")
            << QByteArray("[200, 100]") << "明细区（200 毫米起，高 100 毫米）超出纸张";
        QTest::newRow("one number") << QByteArray("[50]") << "明细区 应有 2 个数";
        QTest::newRow("negative") << QByteArray("[50, -3]") << "明细区的数值 -3 超出范围";
        QTest::newRow("text") << QByteArray("\"50\"") << "明细区 应为数字列表";
    }
    void damagedBand()
    {
        QFETCH(QByteArray, band);
        QFETCH(QString, problem);
        const QByteArray json = "{\"format\": \"roviradavev-report-template\", \"version\": 2, "
                                "\"page\": {\"band\": " +
                                band + "}}";
        const QString message = messageOf([&] { TemplateReader::fromJson(json); });
        QVERIFY2(message.contains(problem), qPrintable(message));
    }

    void shippedLetterUnchanged()
    {
        // Letter templates have no band: one letter per page, as they always printed.
        ReportEngine engine;
        QVERIFY(engine.LoadTemplateFile(qEnvironmentVariable("PROGRAM_DIR") +
                                        QStringLiteral("/应收帐款确认函.grf")));
        QVERIFY(!engine.reportTemplate().band.isSet());
        ReportDocument letters;
        letters.report = engine.reportTemplate();
        letters.records = QList<RecordValues>(4);
        QCOMPARE(letters.pageCount(), 4);
        QCOMPARE(letters.firstRecordOf(3), 3);
        QCOMPARE(letters.recordsOn(3), 1);
    }
};

QTEST_MAIN(TestDetailBand)
#include "test_detail_band.moc"

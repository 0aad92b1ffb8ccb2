// 回函区 in the template: marked elements and free rectangles in the file (their version,
// their checks, the round trip), all of them gathered for the reply check, a template the
// reader would refuse never saved, and the shipped letters' areas and code.

#include "engine/ReportEngine.h"
#include "engine/TemplateReader.h"
#include "engine/TemplateWriter.h"
#include "support/MessageOf.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

namespace {

ReportElement box(const QString &name, const QRectF &rectMm, bool replyArea)
{
    ReportElement e;
    e.kind = ElementKind::Rectangle;
    e.name = name;
    e.rectMm = rectMm;
    e.replyArea = replyArea;
    return e;
}

QJsonObject rootOf(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).object();
}

ReportTemplate shipped(const QString &name)
{
    ReportEngine engine;
    engine.LoadTemplateFile(qEnvironmentVariable("PROGRAM_DIR") + QLatin1Char('/') + name +
                            QStringLiteral(".grf"));
    return engine.reportTemplate();
}

bool covered(const QList<QRectF> &regions, const QRectF &rect)
{
    return std::any_of(regions.begin(), regions.end(), [&](const QRectF &r) {
        // Corners, not QRectF::contains(QRectF): a line's box is empty.
        return r.contains(rect.topLeft()) && r.contains(rect.bottomRight());
    });
}

} // namespace

class TestReplyAreas : public QObject
{
    Q_OBJECT
private slots:
    // Each template is written in the lowest version that holds it, and reads back equal.
    void inTheFile_data()
    {
        QTest::addColumn<bool>("band");
        QTest::addColumn<bool>("marked");
        QTest::addColumn<bool>("free");
        QTest::addColumn<int>("version");
        QTest::newRow("none") << false << false << false << 1;
        QTest::newRow("band") << true << false << false << 2;
        QTest::newRow("marked element") << false << true << false << 3;
        QTest::newRow("free rectangle") << false << false << true << 3;
        QTest::newRow("all") << true << true << true << 3;
    }
    void inTheFile()
    {
        QFETCH(bool, band);
        QFETCH(bool, marked);
        QFETCH(bool, free);
        QFETCH(int, version);
        ReportTemplate report;
        // Landscape: a free area is checked against the paper as it lies.
        report.page.landscape = true;
        if (band)
            report.band = {50, 10};
        report.elements = {box(QStringLiteral("签章"), QRectF(20, 150, 83.333, 40), marked),
                           box(QStringLiteral("框"), QRectF(110, 150, 80, 40), false)};
        if (free)
            report.replyAreas = {QRectF(200, 150, 97, 60), QRectF(10.5, 20.25, 30, 15)};
        const QByteArray json = TemplateWriter::toJson(report);
        const QJsonObject root = rootOf(json);
        QCOMPARE(root.value(QStringLiteral("version")).toInt(), version);
        QCOMPARE(
            root.value(QStringLiteral("page")).toObject().contains(QStringLiteral("replyAreas")),
            free);
        const QJsonArray elements = root.value(QStringLiteral("elements")).toArray();
        QCOMPARE(elements[0].toObject().value(QStringLiteral("replyArea")).toBool(), marked);
        QVERIFY(!elements[1].toObject().contains(QStringLiteral("replyArea")));

        const ReportTemplate read = TemplateReader::fromJson(json);
        QCOMPARE(read.elements[0].replyArea, marked);
        QCOMPARE(read.replyAreas, report.replyAreas);
        QCOMPARE(TemplateWriter::toJson(read), json);
        QList<QRectF> regions = report.replyAreas;
        if (marked)
            regions.prepend(read.elements[0].rectMm);
        QCOMPARE(read.replyRegions(), regions);
        QCOMPARE(read.elementIndex(QStringLiteral("框")), 1);
        QCOMPARE(read.elementIndex(QStringLiteral("无此元素")), -1);
    }

    void damaged_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QByteArray>("element");
        QTest::addColumn<QString>("problem");
        const QByteArray plain = "{\"type\": \"text\", \"rect\": [0, 0, 10, 10]}";
        QTest::newRow("past the paper")
            << QByteArray("\"replyAreas\": [[20, 20, 10, 10], [150, 250, 80, 60]]") << plain
            << "第 2 个回函区（150, 250 起，80×60 毫米）超出纸张";
        QTest::newRow("past a landscape paper's foot")
            << QByteArray("\"landscape\": true, \"replyAreas\": [[20, 200, 10, 20]]") << plain
            << "第 1 个回函区（20, 200 起，10×20 毫米）超出纸张";
        QTest::newRow("no width") << QByteArray("\"replyAreas\": [[20, 20, 0, 10]]") << plain
                                  << "第 1 个回函区的宽度和高度应大于 0";
        QTest::newRow("left of the paper") << QByteArray("\"replyAreas\": [[-5, 20, 10, 10]]")
                                           << plain << "第 1 个回函区的数值 -5 超出范围";
        QTest::newRow("three numbers")
            << QByteArray("\"replyAreas\": [[20, 20, 10]]") << plain << "第 1 个回函区 应有 4 个数";
        QTest::newRow("not a list")
            << QByteArray("\"replyAreas\": \"页脚\"") << plain << "回函区 应为列表";
        QTest::newRow("a mark that is no yes or no")
            << QByteArray("\"width\": 210")
            << QByteArray("{\"type\": \"text\", \"rect\": [0, 0, 10, 10], \"replyArea\": 1}")
            << "第 1 个元素的回函区标记应为 true 或 false";
    }
    void damaged()
    {
        QFETCH(QByteArray, page);
        QFETCH(QByteArray, element);
        QFETCH(QString, problem);
        const QByteArray json = "{\"format\": \"roviradavev-report-template\", \"version\": 3, "
                                "\"page\": {" +
                                page + "}, \"elements\": [" + element + "]}";
        QCOMPARE(messageOf([&] { TemplateReader::fromJson(json); }), problem);
    }

    // A template the reader would refuse (the paper made smaller under an area or the band)
    // is not saved: the file stays as it was, and the message says what to put right.
    void whatCannotBeReadIsNotSaved_data()
    {
        QTest::addColumn<bool>("band");
        QTest::addColumn<QString>("problem");
        QTest::newRow("reply area") << false << "第 1 个回函区（120, 150 起，80×40 毫米）超出纸张";
        QTest::newRow("band") << true << "明细区（150 毫米起，高 80 毫米）超出纸张";
    }
    void whatCannotBeReadIsNotSaved()
    {
        QFETCH(bool, band);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("询证函.grf"));
        ReportTemplate report;
        if (band)
            report.band = {150, 80};
        else
            report.replyAreas = {QRectF(120, 150, 80, 40)};
        ReportEngine engine;
        engine.setReportTemplate(report);
        QVERIFY(engine.SaveTemplateFile(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray saved = file.readAll();
        file.close();

        report.page.widthMm = 148; // A5
        report.page.heightMm = 210;
        engine.setReportTemplate(report);
        QCOMPARE(messageOf([&] { engine.SaveTemplateFile(path); }),
                 QStringLiteral("无法保存打印模板“询证函.grf”：%1。请改正后再保存。").arg(problem));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), saved);
    }

    // The letters mark where the respondent and the client write and stamp, and nothing of
    // what the letter states; their code is the 函证码 field, the number under it plain.
    void shippedLetters_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("receivable") << QStringLiteral("应收帐款确认函");
        QTest::newRow("advance") << QStringLiteral("预收帐款确认函");
        QTest::newRow("second request") << QStringLiteral("第二次询证函");
    }
    void shippedLetters()
    {
        QFETCH(QString, name);
        const ReportTemplate letter = shipped(name);
        const auto named = [&](const char *element) -> const ReportElement & {
            static const ReportElement none;
            const int index = letter.elementIndex(QString::fromUtf8(element));
            if (index < 0)
                QTest::qFail(element, __FILE__, __LINE__);
            return index < 0 ? none : letter.elements[index];
        };
        QCOMPARE(named("数据证明无误").rectMm, QRectF(20, 192, 83, 82));
        QVERIFY(named("数据证明无误").replyArea);
        QCOMPARE(named("数据不符").rectMm, QRectF(107, 192, 83, 82));
        QVERIFY(named("数据不符").replyArea);
        QCOMPARE(named("函证码").text, QStringLiteral("{函证码}"));
        QCOMPARE(named("函证码编号").text, QStringLiteral("{函编号}"));
        QVERIFY(letter.fieldIndex(QStringLiteral("函证码")) >= 0);

        const QList<QRectF> regions = letter.replyRegions();
        // The reply address block, the client's seal and date, all the answers hold.
        for (const char *held : {"回函地址", "回函邮编", "回函电话", "回函传真", "回函联系人",
                                 "盖章", "日期", "结论一", "结论二"})
            QVERIFY2(covered(regions, named(held).rectMm), held);
        for (const ReportElement &element : letter.elements)
            if (element.rectMm.top() >= 192 - 0.01 && element.rectMm.bottom() <= 274 + 0.01)
                QVERIFY2(covered(regions, element.rectMm), qPrintable(element.text));
        // The client's seal and date spot, wider than the texts that ask for them.
        QVERIFY(covered(regions, QRectF(115, 161, 80, 24)));
        // Nothing the letter states is hidden from the comparison: no area reaches into the
        // box of an element with a field or of the letter's own wording.
        for (const char *stated : {"标题", "类别", "函编号", "函证码", "函证码编号", "客户单位",
                                   "正文", "事项一", "往来账项", "大写金额", "事项二", "说明"})
            for (const QRectF &region : regions)
                QVERIFY2(!region.intersects(named(stated).rectMm), stated);
    }

    // The envelope and the dispatch list are no letters: nothing of theirs comes back.
    void otherTemplatesHaveNone_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("envelope") << QStringLiteral("信封");
        QTest::newRow("dispatch list") << QStringLiteral("发函清单");
    }
    void otherTemplatesHaveNone()
    {
        QFETCH(QString, name);
        const ReportTemplate report = shipped(name);
        QVERIFY(!report.elements.isEmpty());
        QVERIFY(report.replyRegions().isEmpty());
    }
};

QTEST_MAIN(TestReplyAreas)
#include "test_reply_areas.moc"

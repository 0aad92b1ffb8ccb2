// The report engine: capital amounts, display formats, template texts, the template file
// round trip and its damaged forms, the operations, text layout, and the PDF's text.

#include "engine/BarcodeSymbol.h"
#include "engine/ChineseAmount.h"
#include "engine/DisplayFormat.h"
#include "engine/DocumentWording.h"
#include "engine/PageBounds.h"
#include "engine/PageFileNames.h"
#include "engine/PageRenderer.h"
#include "engine/PageUnits.h"
#include "engine/PdfExport.h"
#include "engine/ReportEngine.h"
#include "engine/ReportError.h"
#include "engine/TemplateReader.h"
#include "engine/TemplateText.h"
#include "engine/TemplateWriter.h"
#include "engine/TextBlock.h"
#include "platform/Exception.h"
#include "platform/FontSetup.h"
#include "platform/QuotedContent.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <ZXing/ReadBarcode.h>

namespace {

QString shippedTemplate(const QString &name)
{
    return qEnvironmentVariable("PROGRAM_DIR") + QLatin1Char('/') + name + QStringLiteral(".grf");
}

QString errorOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const Exception &e) {
        return e.message();
    }
    return QString();
}

// A template with every kind of element and every property away from its default.
ReportTemplate everything()
{
    ReportTemplate t;
    t.title = QStringLiteral("全部");
    t.page.widthMm = 148;
    t.page.heightMm = 210;
    t.page.landscape = true;
    t.page.marginLeftMm = 5.5;
    t.fields = {{QStringLiteral("甲"), FieldType::Text},
                {QStringLiteral("乙"), FieldType::Date},
                {QStringLiteral("丙"), FieldType::Number}};
    ReportElement text;
    text.kind = ElementKind::Text;
    text.name = QStringLiteral("正文");
    text.rectMm = QRectF(1.25, 2, 100, 20.5);
    text.text = QStringLiteral("截至{乙:yyyy年M月d日}欠{丙:大写}\n第二行 {{括号}}");
    text.style.family = QStringLiteral("黑体");
    text.style.pointSize = 10.5;
    text.style.bold = text.style.italic = text.style.underline = true;
    text.style.alignment = Qt::AlignJustify | Qt::AlignBottom;
    text.style.lineSpacing = 1.5;
    text.style.color = QColor(200, 0, 0);
    text.style.wrap = false;
    ReportElement field;
    field.kind = ElementKind::Field;
    field.rectMm = QRectF(0, 30, 50, 6);
    field.field = QStringLiteral("丙");
    field.format = QStringLiteral("¥#,##0.00");
    ReportElement system;
    system.kind = ElementKind::SystemValue;
    system.systemValue = SystemValueKind::PrintDate;
    system.format = QStringLiteral("yyyy-MM-dd");
    ReportElement line;
    line.kind = ElementKind::Line;
    line.rectMm = QRectF(0, 50, 100, 0);
    line.penWidthMm = 0.5;
    line.penColor = Qt::blue;
    line.dashed = true;
    ReportElement rect;
    rect.kind = ElementKind::Rectangle;
    rect.fillColor = QColor(QStringLiteral("#eeeeee"));
    ReportElement table;
    table.kind = ElementKind::Table;
    table.columnWidthsMm = {20, 30};
    table.rowHeightsMm = {8, 9};
    table.cells = {{{QStringLiteral("头"), Qt::AlignCenter, true},
                    {QString(), Qt::AlignLeft | Qt::AlignVCenter, false}},
                   {{QStringLiteral("{甲}"), Qt::AlignRight | Qt::AlignBottom, false},
                    {QStringLiteral("x"), Qt::AlignLeft | Qt::AlignTop, true}}};
    ReportElement picture;
    picture.kind = ElementKind::Picture;
    picture.imageData =
        QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\"/>");
    picture.keepAspect = false;
    t.elements = {text, field, system, line, rect, table, picture};
    return t;
}

// An engine on a template with the four letter fields and a handler committing 'rows'.
void feed(ReportEngine &engine, int rows)
{
    engine.setFetchRecordHandler([&engine, rows] {
        for (int i = 0; i < rows; ++i) {
            engine.DetailRecords().AddRecord();
            engine.LookupField(QStringLiteral("客户单位"))
                .SetText(QStringLiteral("客户%1有限公司").arg(i + 1));
            engine.LookupField(QStringLiteral("截止日期")).SetDate(45657);
            engine.LookupField(QStringLiteral("应收金额")).SetNumber(128000.5 + i);
            engine.LookupField(QStringLiteral("函编号"))
                .SetText(QStringLiteral("WL-%1").arg(i + 1));
            // The letters' code carries the number, as the record fetch gives it.
            if (engine.reportTemplate().fieldIndex(QStringLiteral("函证码")) >= 0)
                engine.LookupField(QStringLiteral("函证码"))
                    .SetText(QStringLiteral("WL-%1").arg(i + 1));
            engine.DetailRecords().CommitRecord();
        }
    });
}

// The shipped receivables letter for 'rows' fed records, printed on 8 December 2026; no
// pages when the template does not load.
ReportDocument shippedLetters(ReportEngine &engine, int rows)
{
    if (!engine.LoadTemplateFile(shippedTemplate(QStringLiteral("应收帐款确认函"))))
        return {};
    feed(engine, rows);
    return engine.generate(QDate(2026, 12, 8));
}

// The index of the template's code.
int codeIndex(const ReportTemplate &report)
{
    for (int i = 0; i < report.elements.size(); ++i)
        if (report.elements[i].kind == ElementKind::Barcode)
            return i;
    return -1;
}

// What a command-line tool prints.
QByteArray toolOutput(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return process.readAllStandardOutput();
}

} // namespace

class TestEngine : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { FontSetup::install(); }

    void chineseCapitals_data()
    {
        QTest::addColumn<double>("amount");
        QTest::addColumn<QString>("text");
        QTest::newRow("1234.56") << 1234.56 << "壹仟贰佰叁拾肆元伍角陆分";
        QTest::newRow("1234.5") << 1234.5 << "壹仟贰佰叁拾肆元伍角";
        QTest::newRow("1004") << 1004.0 << "壹仟零肆元整";
        QTest::newRow("1000.05") << 1000.05 << "壹仟元零伍分";
        QTest::newRow("100000") << 100000.0 << "壹拾万元整";
        QTest::newRow("10") << 10.0 << "壹拾元整";
        QTest::newRow("0.5") << 0.5 << "伍角";
        QTest::newRow("0.05") << 0.05 << "伍分";
        QTest::newRow("60000.08") << 60000.08 << "陆万元零捌分";
        QTest::newRow("100010001") << 100010001.0 << "壹亿零壹万零壹元整";
        QTest::newRow("100500") << 100500.0 << "壹拾万零伍佰元整";
        QTest::newRow("128000.5") << 128000.5 << "壹拾贰万捌仟元伍角";
        QTest::newRow("10^12") << 1e12 << "壹万亿元整";
        QTest::newRow("10^12 + 5*10^8") << 1000500000000.0 << "壹万零伍亿元整";
        QTest::newRow("zero") << 0.0 << "零元整";
        QTest::newRow("negative") << -1234.5 << "负壹仟贰佰叁拾肆元伍角";
        QTest::newRow("rounds to the fen") << 2.675 << "贰元陆角捌分";
        QTest::newRow("rounds up to a yuan") << 9.999 << "壹拾元整";
        QTest::newRow("too large") << 1e16 << "";
    }
    void chineseCapitals()
    {
        QFETCH(double, amount);
        QFETCH(QString, text);
        QCOMPARE(ChineseAmount::fromNumber(amount), text);
    }

    void displayFormats_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("text");
        QTest::newRow("default date") << QVariant(QDate(2024, 3, 5)) << ""
                                      << "2024年3月5日";
        QTest::newRow("iso date") << QVariant(QDate(2024, 3, 5)) << "yyyy-MM-dd"
                                  << "2024-03-05";
        QTest::newRow("thousands") << QVariant(1234567.891) << "#,##0.00"
                                   << "1,234,567.89";
        QTest::newRow("currency sign") << QVariant(-1234.5) << "¥#,##0.00"
                                       << "-¥1,234.50";
        QTest::newRow("suffix") << QVariant(12.0) << "0.00元"
                                << "12.00元";
        QTest::newRow("optional decimals") << QVariant(12.5) << "0.##"
                                           << "12.5";
        QTest::newRow("no decimals") << QVariant(12.5) << "#,##0"
                                     << "13";
        QTest::newRow("small thousands") << QVariant(999.0) << "#,##0.00"
                                         << "999.00";
        QTest::newRow("negative rounds to zero") << QVariant(-0.001) << "0.00"
                                                 << "0.00";
        QTest::newRow("capitals") << QVariant(1234.56) << "大写"
                                  << "壹仟贰佰叁拾肆元伍角陆分";
        QTest::newRow("plain number") << QVariant(128000.5) << ""
                                      << "128000.5";
        QTest::newRow("text") << QVariant(QStringLiteral("甲")) << "0.00"
                              << "甲";
        QTest::newRow("nothing") << QVariant() << ""
                                 << "";
        // One character of a text, as a postcode's boxes take them.
        QTest::newRow("first character") << QVariant(QStringLiteral("100080")) << "第1字"
                                         << "1";
        QTest::newRow("sixth character") << QVariant(QStringLiteral("100080")) << "第6字"
                                         << "0";
        QTest::newRow("past the end") << QVariant(QStringLiteral("1000")) << "第6字"
                                      << "";
    }
    void displayFormats()
    {
        QFETCH(QVariant, value);
        QFETCH(QString, format);
        QFETCH(QString, text);
        QCOMPARE(DisplayFormat::apply(value, format), text);
    }

    void templateTexts()
    {
        const auto resolve = [](const QString &name,
                                const QString &format) -> std::optional<QString> {
            if (name == QStringLiteral("甲"))
                return format.isEmpty() ? QStringLiteral("A") : QStringLiteral("A[%1]").arg(format);
            return std::nullopt;
        };
        QCOMPARE(TemplateText::expand(QStringLiteral("截至{甲}，{甲:x:y}"), resolve),
                 QStringLiteral("截至A，A[x:y]"));
        QCOMPARE(TemplateText::expand(QStringLiteral("{未知}与{{甲}}"), resolve),
                 QStringLiteral("{未知}与{甲}"));
        QCOMPARE(TemplateText::expand(QStringLiteral("未闭合{甲"), resolve),
                 QStringLiteral("未闭合{甲"));
        QCOMPARE(TemplateText::names(QStringLiteral("{ 甲 }{乙:f}{{丙}}")),
                 (QStringList{"甲", "乙"}));
    }

    void roundTrip()
    {
        const ReportTemplate original = everything();
        const QByteArray json = TemplateWriter::toJson(original);
        const ReportTemplate read = TemplateReader::fromJson(json);
        QCOMPARE(read.elements.size(), original.elements.size());
        for (int i = 0; i < original.elements.size(); ++i)
            QVERIFY2(read.elements[i] == original.elements[i], qPrintable(QString::number(i)));
        QVERIFY(read == original);
        QCOMPARE(TemplateWriter::toJson(read), json);
        QVERIFY(!json.contains("\"wrap\": true")); // defaults are not written
    }

    void shippedTemplatesRoundTrip_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("receivables") << "应收帐款确认函";
        QTest::newRow("advance receipts") << "预收帐款确认函";
    }
    void shippedTemplatesRoundTrip()
    {
        QFETCH(QString, name);
        ReportEngine engine;
        QVERIFY(engine.LoadTemplateFile(shippedTemplate(name)));
        const ReportTemplate &t = engine.reportTemplate();
        QCOMPARE(t.fields, (QList<FieldDeclaration>{{"客户单位", FieldType::Text},
                                                    {"截止日期", FieldType::Date},
                                                    {"应收金额", FieldType::Number},
                                                    {"函编号", FieldType::Text},
                                                    {"函证码", FieldType::Text}}));
        QCOMPARE(TemplateReader::fromJson(TemplateWriter::toJson(t)), t);
    }

    void damagedTemplates_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("problem");
        QTest::newRow("not json") << QByteArray("{\"format\": ") << "第 1 行有格式错误";
        QTest::newRow("other json") << QByteArray("{\"a\": 1}") << "不是本程序的打印模板";
        QTest::newRow("binary") << QByteArray("\x00\x01\xff", 3) << "第 1 行有格式错误";
        // Qt's words for what is wrong come after ours, not instead of them.
        QTest::newRow("nested too deeply")
            << QByteArray(2000, '[')
            << "第 1 行有格式错误，嵌套层次过深：too deeply nested document";
        QTest::newRow("newer version")
            << QByteArray("{\"format\": \"roviradavev-report-template\", \"version\": 4}")
            << "模板格式版本 4 高于本程序支持的版本 3";
        QTest::newRow("unknown element")
            << QByteArray("{\"format\": \"roviradavev-report-template\", \"version\": 1, "
                          "\"elements\": [{\"type\": \"chart\", \"rect\": [0,0,1,1]}]}")
            << "第 1 个元素的类型“chart”未知";
        QTest::newRow("short rect")
            << QByteArray("{\"format\": \"roviradavev-report-template\", \"version\": 1, "
                          "\"elements\": [{\"type\": \"text\", \"rect\": [0,0,1]}]}")
            << "第 1 个元素的位置 应有 4 个数";
        QTest::newRow("table cells")
            << QByteArray(
                   "{\"format\": \"roviradavev-report-template\", \"version\": 1, \"elements\": "
                   "[{\"type\": \"table\", "
                   "\"rect\": [0,0,1,1], \"columns\": [1,2], \"rows\": [1], \"cells\": [[{}]]}]}")
            << "第 1 个元素的单元格列数与列宽个数不一致";
        QTest::newRow("duplicate field")
            << QByteArray("{\"format\": \"roviradavev-report-template\", \"version\": 1, "
                          "\"fields\": [{\"name\": \"a\"}, {\"name\": \"a\"}]}")
            << "字段“a”重复";
        QTest::newRow("absurd font")
            << QByteArray("{\"format\": \"roviradavev-report-template\", \"version\": 1, "
                          "\"elements\": [{\"type\": \"text\", "
                          "\"rect\": [0,0,1,1], \"font\": {\"size\": 1e300}}]}")
            << "字号";
    }
    void damagedTemplates()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("坏.grf"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        ReportEngine engine;
        const QString message = errorOf([&] { engine.LoadTemplateFile(path); });
        QVERIFY2(message.startsWith(QStringLiteral("打印模板“坏.grf”已损坏：")),
                 qPrintable(message));
        QVERIFY2(message.contains(problem), qPrintable(message));
        QVERIFY(!engine.isLoaded());
        QVERIFY(engine.reportTemplate().elements.isEmpty());
    }

    void missingTemplate()
    {
        ReportEngine engine;
        QVERIFY(engine.LoadTemplateFile(shippedTemplate(QStringLiteral("应收帐款确认函"))));
        QTemporaryDir dir;
        const QString missing = dir.filePath(QStringLiteral("缺失.grf"));
        QVERIFY(!engine.LoadTemplateFile(missing));
        QVERIFY(engine.reportTemplate().elements.isEmpty()); // nothing stale from before
        QCOMPARE(errorOf([&] { engine.generate(); }),
                 QStringLiteral("找不到打印模板文件“%1”").arg(missing));
        QCOMPARE(errorOf([&] { engine.LoadTemplateFile(dir.path()); }),
                 QStringLiteral("打印模板“%1”是文件夹，不是模板文件")
                     .arg(QFileInfo(dir.path()).fileName()));
    }

    void savingIsAtomic()
    {
        QTemporaryDir dir;
        ReportEngine engine;
        engine.setReportTemplate(everything());
        const QString path = dir.filePath(QStringLiteral("新.grf"));
        QVERIFY(engine.SaveTemplateFile(path));
        ReportEngine reader;
        QVERIFY(reader.LoadTemplateFile(path));
        QCOMPARE(reader.reportTemplate(), everything());
        const QString failing = dir.filePath(QStringLiteral("没有的文件夹/新.grf"));
        QVERIFY(errorOf([&] {
                    engine.SaveTemplateFile(failing);
                }).startsWith(QStringLiteral("无法写入打印模板“新.grf”")));
        QVERIFY(!QFile::exists(failing));
        // The reason is said in Chinese, Qt's own words after it.
        const QString folder = dir.filePath(QStringLiteral("是文件夹.grf"));
        QVERIFY(QDir().mkpath(folder));
        QCOMPARE(errorOf([&] { engine.SaveTemplateFile(folder); }),
                 QStringLiteral("无法写入打印模板“是文件夹.grf”：这个名称是一个文件夹"
                                "（Filename refers to a directory）"));
    }

    void operations()
    {
        ReportEngine engine;
        QVERIFY(engine.LoadTemplateFile(shippedTemplate(QStringLiteral("应收帐款确认函"))));
        engine.setFetchRecordHandler([&] {
            engine.DetailRecords().AddRecord();
            engine.LookupField(QStringLiteral("客户单位")).SetText(QStringLiteral("甲"));
            engine.LookupField(QStringLiteral("截止日期")).SetDate(45382.5);
            engine.DetailRecords().CommitRecord();
            engine.DetailRecords().AddRecord();
            engine.LookupField(QStringLiteral("应收金额")).SetNumber(2);
            engine.DetailRecords().AddRecord(); // the uncommitted one is dropped
            engine.LookupField(QStringLiteral("应收金额")).SetNumber(3);
            engine.DetailRecords().CommitRecord();
        });
        const ReportDocument document = engine.generate(QDate(2026, 12, 8));
        QCOMPARE(document.pageCount(), 2);
        QCOMPARE(document.records[0][0].toString(), QStringLiteral("甲"));
        QCOMPARE(document.records[0][1].toDateTime(),
                 QDateTime(QDate(2024, 3, 31), QTime(12, 0), Qt::UTC));
        QCOMPARE(document.records[1][2].toDouble(), 3.0);
        QVERIFY(document.records[1][0].isNull());

        engine.setFetchRecordHandler([&] {
            engine.DetailRecords().AddRecord();
            engine.LookupField(QStringLiteral("金额"));
        });
        QCOMPARE(errorOf([&] { engine.generate(); }),
                 QStringLiteral("打印模板中没有名为“金额”的字段"));
        // An error of the handler comes back unchanged.
        engine.setFetchRecordHandler(
            [] { throw EConvertError(QStringLiteral("'x' is not a valid date")); });
        try {
            engine.generate();
            QFAIL("no error");
        } catch (const EConvertError &e) {
            QCOMPARE(e.message(), QStringLiteral("'x' is not a valid date"));
        }
    }

    void textLayout()
    {
        TextStyle style;
        style.pointSize = 12;
        const QString line = QString(40, QChar(u'询'));
        const TextBlock block(line, style, 170 * 100.0);
        const double advance =
            QFontMetricsF(TextBlock::fontFor(style)).horizontalAdvance(QChar(u'询'));
        const int perLine = int(170 * 100.0 / advance);
        QCOMPARE(block.lineCount(), (40 + perLine - 1) / perLine);
        QCOMPARE(block.lineText(0).size(), perLine);
        const TextBlock lines(QStringLiteral("一\n二\n三"), style, 1000);
        QCOMPARE(lines.lineCount(), 3);
        style.lineSpacing = 2;
        const TextBlock spaced(QStringLiteral("一\n二\n三"), style, 1000);
        QVERIFY(qAbs(spaced.height() -
                     (lines.height() * 2 - QFontMetricsF(TextBlock::fontFor(style)).height())) < 1);
        QCOMPARE(TextBlock(QString(), style, 1000).height(), 0.0);
        style.wrap = false;
        QCOMPARE(TextBlock(line, style, 1000).lineCount(), 1);
    }

    void elementTexts()
    {
        ReportEngine engine;
        const ReportDocument document = shippedLetters(engine, 3);
        QCOMPARE(document.pageCount(), 3);
        PageRenderer renderer(document);
        QCOMPARE(renderer.expand(
                     QStringLiteral("{客户单位}欠{应收金额:#,##0.00}元（{应收金额:大写}）"), 1),
                 QStringLiteral("客户2有限公司欠128,001.50元（壹拾贰万捌仟零壹元伍角）"));
        QCOMPARE(
            renderer.expand(
                QStringLiteral("第{#页码}页共{#总页数}页，{#打印日期:yyyy年M月d日}，{截止日期}"),
                2),
            QStringLiteral("第3页共3页，2026年12月8日，2024年12月31日"));
        QCOMPARE(renderer.expand(QStringLiteral("{不存在}"), 0), QStringLiteral("{不存在}"));
    }

    void previewAndPdfDrawTheSamePage()
    {
        ReportEngine engine;
        QVERIFY(engine.LoadTemplateFile(shippedTemplate(QStringLiteral("应收帐款确认函"))));
        feed(engine, 1);
        const ReportDocument document = engine.generate(QDate(2026, 12, 8));
        // The preview's path: the renderer into an image, at 100 pixels an inch.
        PageRenderer renderer(document);
        const QSize size(827, 1169);
        QImage preview(size, QImage::Format_ARGB32);
        preview.fill(Qt::white);
        {
            QPainter painter(&preview);
            renderer.paintInto(painter, QRectF(QPointF(0, 0), QSizeF(size)), 0);
        }
        // The PDF's path, rasterised at the same resolution.
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("page.pdf"));
        PdfExport::writeAll(document, pdf);
        QProcess raster;
        raster.start(QStringLiteral("pdftoppm"),
                     {QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-png"),
                      QStringLiteral("-singlefile"), pdf, dir.filePath(QStringLiteral("page"))});
        QVERIFY(raster.waitForFinished(30000));
        const QImage printed(dir.filePath(QStringLiteral("page.png")));
        QVERIFY(!printed.isNull());
        if (qEnvironmentVariableIsSet("KEEP_IMAGES")) {
            preview.save(QStringLiteral("/tmp/t_prev.png"));
            printed.save(QStringLiteral("/tmp/t_pdf.png"));
        }
        QVERIFY(std::abs(printed.width() - size.width()) <= 1 &&
                std::abs(printed.height() - size.height()) <= 1);
        // Ink band by band, as darkness summed so that smoothing of edges does not count: a
        // face drawn bold in one and not in the other, or a line broken elsewhere, shows as a
        // band that differs. Rows near a rule across the page are left out: each rasteriser
        // smooths a rule onto its own pixel rows.
        const int rows = size.height() - 1, columns = size.width() - 1;
        QList<long> darkPreview(rows), darkPrinted(rows);
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < columns; ++x) {
                darkPreview[y] += 255 - qGray(preview.pixel(x, y));
                darkPrinted[y] += 255 - qGray(printed.pixel(x, y));
            }
        QList<bool> nearRule(rows);
        for (int y = 0; y < rows; ++y)
            if (std::max(darkPreview[y], darkPrinted[y]) > 255L * columns / 4)
                for (int near = std::max(0, y - 2); near <= std::min(rows - 1, y + 2); ++near)
                    nearRule[near] = true;
        const int band = 24;
        long totalPreview = 0, totalPrinted = 0;
        for (int top = 0; top + band <= rows; top += band) {
            long inkPreview = 0, inkPrinted = 0;
            for (int y = top; y < top + band; ++y)
                if (!nearRule[y]) {
                    inkPreview += darkPreview[y];
                    inkPrinted += darkPrinted[y];
                }
            inkPreview /= 255; // in whole black pixels
            inkPrinted /= 255;
            totalPreview += inkPreview;
            totalPrinted += inkPrinted;
            QVERIFY2(std::abs(inkPreview - inkPrinted) <=
                         std::max(60L, std::max(inkPreview, inkPrinted) / 6),
                     qPrintable(QStringLiteral("rows %1-%2: preview %3, PDF %4")
                                    .arg(top)
                                    .arg(top + band)
                                    .arg(inkPreview)
                                    .arg(inkPrinted)));
        }
        QVERIFY(totalPreview > 20000);
        QVERIFY2(std::abs(totalPreview - totalPrinted) < totalPreview / 10,
                 qPrintable(QStringLiteral("%1 against %2").arg(totalPreview).arg(totalPrinted)));
    }

    void pdfCarriesTheLettersAsText()
    {
        ReportEngine engine;
        const ReportDocument document = shippedLetters(engine, 3);
        QCOMPARE(document.pageCount(), 3);
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("letters.pdf"));
        PdfExport::writeAll(document, pdf);
        const QString out = QString::fromUtf8(toolOutput(
            QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")}));
        QCOMPARE(out.count(QStringLiteral("企业询证函")), 3);
        for (const char *expected :
             {"客户1有限公司：", "客户3有限公司：", "编号：WL-2", "2024年12月31日", "128,000.50",
              "壹拾贰万捌仟元伍角", "应收帐款", "以下由被询证单位填写", "2026年12月8日"})
            QVERIFY2(out.contains(QString::fromUtf8(expected)), expected);
        const QString fontList = QString::fromUtf8(toolOutput(QStringLiteral("pdffonts"), {pdf}));
        QVERIFY(fontList.contains(QStringLiteral("UMing")));
        QVERIFY(!fontList.contains(QStringLiteral("Noto")));
        for (const QString &row : fontList.split(QLatin1Char('\n')).mid(2))
            if (!row.trimmed().isEmpty())
                QVERIFY2(row.contains(QStringLiteral(" yes ")), qPrintable(row)); // embedded
    }

    // A customer name of 60 characters shrinks to fit the letter's line: at 7 pt or more,
    // its ink inside its box and off the paragraph below, its whole text in the PDF.
    void aLongNameShrinksToFitItsLine()
    {
        const QString name = QStringLiteral("中国") +
                             QString(QStringLiteral("长江黄河")).repeated(14) +
                             QStringLiteral("有限公司");
        QCOMPARE(name.size(), 62);
        ReportEngine engine;
        ReportDocument document = shippedLetters(engine, 2);
        document.records[0][0] = name;
        const int index =
            int(std::find_if(
                    document.report.elements.cbegin(), document.report.elements.cend(),
                    [](const ReportElement &e) { return e.name == QStringLiteral("客户单位"); }) -
                document.report.elements.cbegin());
        const ReportElement &line = document.report.elements[index];
        QVERIFY(line.style.shrinkToFit);
        const QSizeF box(PageUnits::fromMm(line.rectMm.width()),
                         PageUnits::fromMm(line.rectMm.height()));
        const auto block = TextBlock::fitted(name + QStringLiteral("："), line.style, box);
        QVERIFY2(block->pointSize() >= 7 && block->pointSize() < line.style.pointSize,
                 qPrintable(QString::number(block->pointSize())));
        QCOMPARE(block->lineCount(), 1);
        PageRenderer renderer(document);
        QVERIFY(!renderer.overflows(index, 0));

        // The ink of the name lies in its box: the page with the name against the page with
        // a short one differs nowhere else.
        document.records[1] = document.records[0];
        document.records[1][0] = QStringLiteral("甲");
        PageRenderer pages(document);
        auto paint = [&](int page) {
            QImage image(840, 1188, QImage::Format_Grayscale8); // 4 pixels a millimetre
            image.fill(Qt::white);
            QPainter painter(&image);
            pages.paintInto(painter, QRectF(0, 0, 840, 1188), page);
            return image;
        };
        const QImage longName = paint(0), shortName = paint(1);
        const QRect inBox = QRectF(line.rectMm.topLeft() * 4, line.rectMm.size() * 4)
                                .toAlignedRect()
                                .adjusted(-1, -1, 1, 1);
        int differing = 0, outside = 0;
        for (int y = 0; y < longName.height(); ++y)
            for (int x = 0; x < longName.width(); ++x)
                if (longName.pixelColor(x, y) != shortName.pixelColor(x, y)) {
                    ++differing;
                    outside += !inBox.contains(x, y);
                }
        QVERIFY(differing > 1000);
        QCOMPARE(outside, 0);

        // Too long even at the smallest size: it wraps, stays clipped to its box, and is
        // reported as overflowing.
        ReportDocument tooLong = document;
        tooLong.records[0][0] = name.repeated(3);
        PageRenderer clipped(tooLong);
        QVERIFY(clipped.overflows(index, 0));
        QImage image(840, 1188, QImage::Format_Grayscale8);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            clipped.paintInto(painter, QRectF(0, 0, 840, 1188), 0);
        }
        int beyond = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                beyond +=
                    image.pixelColor(x, y) != shortName.pixelColor(x, y) && !inBox.contains(x, y);
        QCOMPARE(beyond, 0);

        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("long.pdf"));
        PdfExport::writeAll(document, pdf);
        const QString text = QString::fromUtf8(
            toolOutput(QStringLiteral("pdftotext"),
                       {QStringLiteral("-l"), QStringLiteral("1"), pdf, QStringLiteral("-")}));
        QVERIFY2(text.contains(name + QStringLiteral("：")), qPrintable(text.left(300)));
    }

    // Every letter's QR code reads back as its own number, painted by the renderer at
    // 150 dpi and rasterised from the PDF alike; a content the box cannot hold stops the run
    // with a message naming the code and the record.
    void everyLettersCodeReadsBackItsNumber()
    {
        ReportEngine engine;
        ReportDocument document = shippedLetters(engine, 5);
        auto decoded = [](const QImage &page) {
            const QImage grey = page.convertToFormat(QImage::Format_Grayscale8);
            ZXing::DecodeHints hints;
            hints.setFormats(ZXing::BarcodeFormat::QRCode);
            const ZXing::Result result =
                ZXing::ReadBarcode({grey.constBits(), grey.width(), grey.height(),
                                    ZXing::ImageFormat::Lum, int(grey.bytesPerLine())},
                                   hints);
            return result.isValid() ? QString::fromStdString(result.text()) : QString();
        };
        PageRenderer renderer(document);
        for (int page = 0; page < document.pageCount(); ++page) {
            QImage image(1240, 1754, QImage::Format_Grayscale8); // A4 at 150 dpi
            image.fill(Qt::white);
            {
                QPainter painter(&image);
                renderer.paintInto(painter, QRectF(0, 0, 1240, 1754), page);
            }
            QCOMPARE(decoded(image), QStringLiteral("WL-%1").arg(page + 1));
        }
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("codes.pdf"));
        PdfExport::writeAll(document, pdf);
        toolOutput(QStringLiteral("pdftoppm"),
                   {QStringLiteral("-r"), QStringLiteral("150"), QStringLiteral("-gray"), pdf,
                    dir.filePath(QStringLiteral("page"))});
        for (int page = 1; page <= document.pageCount(); ++page)
            QCOMPARE(decoded(QImage(dir.filePath(QStringLiteral("page-%1.pgm").arg(page)))),
                     QStringLiteral("WL-%1").arg(page));

        const int code = document.report.fieldIndex(QStringLiteral("函证码"));
        document.records[2][code] = QString(QStringLiteral("WL-")).repeated(400);
        QString message;
        try {
            PageRenderer(document).checkBarcodes();
        } catch (const ReportError &error) {
            message = error.message();
        }
        QVERIFY2(message.startsWith(QStringLiteral("条码“函证码”（第 3 条记录）")),
                 qPrintable(message));
    }

    // Each letter's code is one black-and-white image of a pixel a module, drawn without
    // smoothing, rather than a rectangle for each run of modules.
    void eachCodeIsOneSharpImage()
    {
        ReportEngine engine;
        const ReportDocument document = shippedLetters(engine, 3);
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("codes.pdf"));
        PdfExport::writeAll(document, pdf);
        // page num type width height color comp bpc enc interp object ID x-ppi y-ppi size ratio
        const QStringList rows = QString::fromUtf8(toolOutput(QStringLiteral("pdfimages"),
                                                              {QStringLiteral("-list"), pdf}))
                                     .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                                     .mid(2);
        QCOMPARE(rows.size(), document.pageCount());
        for (int page = 0; page < document.pageCount(); ++page) {
            const QStringList columns = rows[page].simplified().split(QLatin1Char(' '));
            QCOMPARE(columns.value(0).toInt(), page + 1);
            QCOMPARE(columns.value(5), QStringLiteral("gray"));
            QCOMPARE(columns.value(7), QStringLiteral("1"));  // bits a pixel
            QCOMPARE(columns.value(9), QStringLiteral("no")); // not smoothed
            const auto symbol = BarcodeSymbol::encoded(
                QStringLiteral("WL-%1").arg(page + 1), BarcodeSymbology::QrCode,
                document.report.elements[codeIndex(document.report)].qrLevel,
                document.report.elements[codeIndex(document.report)].quietZone);
            QCOMPARE(columns.value(3).toInt(), symbol->width());
            QCOMPARE(columns.value(4).toInt(), symbol->height());
        }
    }

    // A message quotes a long content by its beginning: a 100,000-character code content
    // comes back as 80 characters and "…".
    void aLongContentIsQuotedShort()
    {
        ReportEngine engine;
        ReportDocument document = shippedLetters(engine, 1);
        const QString content = QString(QStringLiteral("编号")).repeated(50000);
        document.records[0][document.report.fieldIndex(QStringLiteral("函证码"))] = content;
        QString message;
        try {
            PageRenderer(document).checkBarcodes();
        } catch (const ReportError &error) {
            message = error.message();
        }
        QVERIFY2(message.size() < 300, qPrintable(message.left(300)));
        QVERIFY2(message.contains(QStringLiteral("“") + content.left(80) + QStringLiteral("…”")),
                 qPrintable(message));
        // Never half a character beyond the basic plane, and a short text whole.
        QCOMPARE(QuotedContent::of(QString(79, QLatin1Char('a')) + QStringLiteral("𠮷𠮷")),
                 QString(79, QLatin1Char('a')) + QStringLiteral("…"));
        QCOMPARE(QuotedContent::of(QString(80, QLatin1Char('a'))), QString(80, QLatin1Char('a')));
        // What a template file holds is quoted short too.
        const QString color = QString(QStringLiteral("紫")).repeated(1000);
        ReportTemplate report;
        ReportElement box;
        box.kind = ElementKind::Rectangle;
        box.fillColor = QColor(0x12, 0x34, 0x56);
        report.elements.append(box);
        const QByteArray json = TemplateWriter::toJson(report).replace("#123456", color.toUtf8());
        const QString read = errorOf([&] { TemplateReader::fromJson(json); });
        QVERIFY2(read.contains(color.left(80) + QStringLiteral("…")) && read.size() < 200,
                 qPrintable(read.left(300)));
    }

    void barcodesRoundTripThroughTheTemplateFile()
    {
        ReportTemplate report;
        ReportElement code;
        code.kind = ElementKind::Barcode;
        code.rectMm = QRectF(10, 10, 40, 12);
        code.text = QStringLiteral("{函编号}");
        code.symbology = BarcodeSymbology::Code128;
        code.qrLevel = 3;
        code.quietZone = 4;
        report.elements.append(code);
        const ReportTemplate read = TemplateReader::fromJson(TemplateWriter::toJson(report));
        QCOMPARE(read.elements.value(0), code);
    }

    // Characters beyond the basic plane (an emoji, a mathematical letter, as 𠮷 is in the
    // fonts that have it) are drawn by Qt but left out of its text layer; the export puts
    // them back, in the one file and in each letter's own.
    void charactersBeyondTheBasicPlaneStayInTheText()
    {
        ReportEngine engine;
        ReportDocument document = shippedLetters(engine, 3);
        const QStringList names{QStringLiteral("客户😀有限公司"), QStringLiteral("𝐀𝐁贸易公司"),
                                QStringLiteral("客户3有限公司")};
        for (int i = 0; i < names.size(); ++i)
            document.records[i][0] = names[i];
        QTemporaryDir dir;
        const QString whole = dir.filePath(QStringLiteral("whole.pdf"));
        PdfExport::writeAll(document, whole);
        const QString text = QString::fromUtf8(
            toolOutput(QStringLiteral("pdftotext"), {whole, QStringLiteral("-")}));
        for (const QString &name : names)
            QVERIFY2(text.contains(name + QStringLiteral("：")), qPrintable(name));
        const QStringList files{"甲", "乙", "丙"};
        PdfExport::writeEach(document, dir.path(), files);
        for (int i = 0; i < files.size(); ++i) {
            const QString one = QString::fromUtf8(
                toolOutput(QStringLiteral("pdftotext"),
                           {dir.filePath(files[i] + QStringLiteral(".pdf")), QStringLiteral("-")}));
            QVERIFY2(one.contains(names[i] + QStringLiteral("：")), qPrintable(one.left(200)));
        }
    }

    // 𠮷 has a glyph in Noto CJK alone among Debian's Chinese faces, and Noto's outlines are
    // CFF, which Qt writes into the PDF converted: the glyph is known all the same, in the one
    // file and in each letter's own, while the letters' own faces draw everything else.
    void aCharacterOnlyACffFontHasStaysInTheText()
    {
        QVERIFY2(QFontDatabase::families().contains(QStringLiteral("Noto Sans CJK SC")),
                 "fonts-noto-cjk is needed");
        ReportEngine engine;
        ReportDocument document = shippedLetters(engine, 2);
        const QString name = QStringLiteral("𠮷野家餐饮有限公司");
        document.records[1][0] = name;
        QTemporaryDir dir;
        const QString whole = dir.filePath(QStringLiteral("whole.pdf"));
        PdfExport::writeAll(document, whole);
        const QString text = QString::fromUtf8(
            toolOutput(QStringLiteral("pdftotext"), {whole, QStringLiteral("-")}));
        QVERIFY2(text.contains(name + QStringLiteral("：")), qPrintable(text.left(400)));
        QVERIFY(text.contains(QStringLiteral("客户1有限公司：")));
        const QString fonts = QString::fromUtf8(toolOutput(QStringLiteral("pdffonts"), {whole}));
        QVERIFY2(fonts.contains(QStringLiteral("NotoSansCJK")), qPrintable(fonts)); // the stand-in
        QVERIFY(fonts.contains(QStringLiteral("UMing")));
        const QStringList files{"甲", "乙"};
        PdfExport::writeEach(document, dir.path(), files);
        const QString own = QString::fromUtf8(
            toolOutput(QStringLiteral("pdftotext"),
                       {dir.filePath(QStringLiteral("乙.pdf")), QStringLiteral("-")}));
        QVERIFY2(own.contains(name + QStringLiteral("：")), qPrintable(own.left(400)));
    }

    // Each letter's own file is titled as the caller names one page's document, its fields
    // filled in; the one file keeps the run's name.
    void eachLettersFileHasItsOwnTitle()
    {
        ReportEngine engine;
        ReportDocument document = shippedLetters(engine, 3);
        document.name = QStringLiteral("应收帐款确认函（3 封）");
        DocumentWording wording;
        wording.pageTitle = QStringLiteral("{函编号}，{客户单位}");
        document.pageName = wording.nameOfPage(QStringLiteral("确认函{x}"));
        QCOMPARE(document.pageName, QStringLiteral("确认函{{x}}（{函编号}，{客户单位}）"));
        QTemporaryDir dir;
        const QStringList files{"甲", "乙", "丙"};
        PdfExport::writeEach(document, dir.path(), files);
        for (int i = 0; i < files.size(); ++i) {
            const QString info = QString::fromUtf8(toolOutput(
                QStringLiteral("pdfinfo"), {dir.filePath(files[i] + QStringLiteral(".pdf"))}));
            QVERIFY2(info.contains(
                         QStringLiteral("Title:           确认函{x}（WL-%1，客户%1有限公司）\n")
                             .arg(i + 1)),
                     qPrintable(info));
        }
        const QString whole = dir.filePath(QStringLiteral("whole.pdf"));
        PdfExport::writeAll(document, whole);
        QVERIFY(QString::fromUtf8(toolOutput(QStringLiteral("pdfinfo"), {whole}))
                    .contains(QStringLiteral("Title:           应收帐款确认函（3 封）\n")));
    }

    // Each letter's own file shows exactly its page of the whole run: the same text for
    // search, the same pixels, and only its own glyphs in its fonts.
    void eachLetterFileIsItsPageOfTheWhole()
    {
        ReportEngine engine;
        const ReportDocument document = shippedLetters(engine, 4);
        QCOMPARE(document.pageCount(), 4);
        QTemporaryDir dir;
        const QString whole = dir.filePath(QStringLiteral("whole.pdf"));
        PdfExport::writeAll(document, whole);
        const QStringList names{"甲", "乙", "丙", "丁"};
        PdfExport::writeEach(document, dir.path(), names);
        auto pixels = [&](const QString &pdf, int page) {
            const QString prefix = dir.filePath(QStringLiteral("page"));
            toolOutput(QStringLiteral("pdftoppm"),
                       {QStringLiteral("-r"), QStringLiteral("40"), QStringLiteral("-gray"),
                        QStringLiteral("-singlefile"), QStringLiteral("-f"), QString::number(page),
                        QStringLiteral("-l"), QString::number(page), pdf, prefix});
            QFile image(prefix + QStringLiteral(".pgm"));
            return image.open(QIODevice::ReadOnly) ? image.readAll() : QByteArray();
        };
        const qint64 wholeSize = QFileInfo(whole).size();
        for (int i = 0; i < names.size(); ++i) {
            const QString one = dir.filePath(names[i] + QStringLiteral(".pdf"));
            const QByteArray text =
                toolOutput(QStringLiteral("pdftotext"), {one, QStringLiteral("-")});
            QVERIFY(text.contains(QStringLiteral("客户%1有限公司").arg(i + 1).toUtf8()));
            QCOMPARE(text,
                     toolOutput(QStringLiteral("pdftotext"),
                                {QStringLiteral("-f"), QString::number(i + 1), QStringLiteral("-l"),
                                 QString::number(i + 1), whole, QStringLiteral("-")}));
            const QByteArray image = pixels(one, 1);
            QVERIFY(image.size() > 10000);
            QCOMPARE(image, pixels(whole, i + 1));
            QVERIFY(toolOutput(QStringLiteral("pdfinfo"), {one}).contains("Pages:           1\n"));
            QVERIFY(toolOutput(QStringLiteral("pdffonts"), {one}).count(" yes ") >= 4);
            // Its fonts hold its own glyphs only: well under the whole run of four.
            QVERIFY2(
                QFileInfo(one).size() < wholeSize * 3 / 4,
                qPrintable(QStringLiteral("%1 of %2").arg(QFileInfo(one).size()).arg(wholeSize)));
        }
    }

    // A long run is drawn and cut a chunk at a time on several threads: every file still
    // holds its own letter, in every chunk and the short last one (130 is no multiple of the
    // chunk), the files are made beside their place (so the final renames stay on one file
    // system), and a cancel in the middle of the run leaves nothing behind.
    void aLongRunCutInChunksKeepsEveryLetterInItsFile()
    {
        ReportEngine engine;
        const int letters = 130;
        const ReportDocument document = shippedLetters(engine, letters);
        QCOMPARE(document.pageCount(), letters);
        QStringList names;
        for (int i = 1; i <= letters; ++i)
            names.append(QStringLiteral("L%1").arg(i, 3, 10, QLatin1Char('0')));
        QTemporaryDir dir;
        QVERIFY_THROWS_EXCEPTION(EAbort,
                                 PdfExport::writeEach(document, dir.path(), names,
                                                      [](int done, int) { return done < 70; }));
        QVERIFY(QDir(dir.path())
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .isEmpty());

        int last = 0;
        QStringList stagedBeside;
        PdfExport::writeEach(document, dir.path(), names, [&](int done, int total) {
            if (done < last || total != letters)
                return false; // progress only goes forward, over the whole run
            if (last == 0)
                stagedBeside =
                    QDir(dir.path())
                        .entryList({QStringLiteral(".roviradavev-*")}, QDir::Dirs | QDir::Hidden);
            last = done;
            return true;
        });
        QCOMPARE(last, letters);
        QCOMPARE(stagedBeside.size(), 1);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), letters);
        for (int letter = 1; letter <= letters; ++letter) {
            const QString text = QString::fromUtf8(toolOutput(
                QStringLiteral("pdftotext"),
                {dir.filePath(names[letter - 1] + QStringLiteral(".pdf")), QStringLiteral("-")}));
            QVERIFY2(text.contains(QStringLiteral("客户%1有限公司：").arg(letter)),
                     qPrintable(names[letter - 1]));
            QVERIFY(text.contains(QStringLiteral("编号：WL-%1\n").arg(letter)));
        }
    }

    // One move of the finished files fails: the files already moved over the user's older
    // ones are taken back, and the older ones are there again as they were.
    void theFinalMoveIsAllOrNothing()
    {
        ReportEngine engine;
        const ReportDocument document = shippedLetters(engine, 4);
        QTemporaryDir dir;
        const QStringList names{"a", "b", "c", "d"};
        for (const char *older : {"a.pdf", "b.pdf"}) {
            QFile file(dir.filePath(QLatin1String(older)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray("older ") + older);
        }
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("c.pdf/kept")));
        QString message;
        try {
            PdfExport::writeEach(document, dir.path(), names);
        } catch (const ReportError &error) {
            message = error.message();
        }
        QCOMPARE(message, QStringLiteral("无法写入文件“c.pdf”：已有同名的文件夹"));
        for (const char *older : {"a.pdf", "b.pdf"}) {
            QFile file(dir.filePath(QLatin1String(older)));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), QByteArray("older ") + older);
        }
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("c.pdf/kept"))).isDir());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList({"a.pdf", "b.pdf", "c.pdf"}));
    }

    void cancelledExportLeavesNoFile()
    {
        ReportEngine engine;
        QVERIFY(engine.LoadTemplateFile(shippedTemplate(QStringLiteral("应收帐款确认函"))));
        feed(engine, 5);
        const ReportDocument document = engine.generate();
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("cancelled.pdf"));
        QFile old(pdf);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("earlier");
        old.close();
        QVERIFY_THROWS_EXCEPTION(
            EAbort, PdfExport::writeAll(document, pdf, [](int done, int) { return done < 3; }));
        QFile kept(pdf);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("earlier"));
    }

    void renderingIsTheSameOnEveryDevice()
    {
        // Line breaks must not depend on the resolution: the preview shows what prints.
        ReportEngine engine;
        QVERIFY(engine.LoadTemplateFile(shippedTemplate(QStringLiteral("应收帐款确认函"))));
        feed(engine, 1);
        const ReportDocument document = engine.generate(QDate(2026, 12, 8));
        PageRenderer renderer(document);
        auto render = [&](int width) {
            QImage image(width, int(width * 297.0 / 210.0), QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            renderer.paintInto(painter, QRectF(QPointF(0, 0), QSizeF(image.size())), 0);
            painter.end();
            return image.scaled(105, 148, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        };
        const QImage small = render(420), large = render(2480);
        if (qEnvironmentVariableIsSet("SAVE_RENDERED"))
            large.save(QStringLiteral("/tmp/rendered.png"));
        long long difference = 0;
        for (int y = 0; y < small.height(); ++y)
            for (int x = 0; x < small.width(); ++x)
                difference += qAbs(qGray(small.pixel(x, y)) - qGray(large.pixel(x, y)));
        QVERIFY2(difference / double(small.width() * small.height()) < 6,
                 qPrintable(QString::number(difference)));
        // And the page is not blank.
        int dark = 0;
        for (int y = 0; y < large.height(); ++y)
            for (int x = 0; x < large.width(); ++x)
                dark += qGray(large.pixel(x, y)) < 230;
        QVERIFY2(dark > 800, qPrintable(QString::number(dark)));
    }

    void pageFileNames()
    {
        const QStringList texts{QStringLiteral("WL/01"), QString(),
                                QStringLiteral("dup"),   QStringLiteral("DUP"),
                                QStringLiteral(".."),    QStringLiteral("a\tb:c*?\"<>|"),
                                QStringLiteral("dup")};
        const auto ordinal = [](qsizetype n) { return QStringLiteral("第%1张").arg(n); };
        const QString pdf = QStringLiteral(".pdf");
        QList<int> shortened;
        QCOMPARE(PageFileNames::make(texts, ordinal, pdf, &shortened),
                 (QStringList{"WL_01", "第2张", "dup", "DUP-2", "__", "a_b_c______", "dup-3"}));
        QVERIFY(shortened.isEmpty());
        QCOMPARE(PageFileNames::emptyOnes(texts), QList<int>{2});
        QCOMPARE(PageFileNames::repeatedOnes(texts), (QList<int>{4, 7}));

        // Names a file system cannot take are cut, at a character's end, below 255 bytes with
        // their extension, and still differ from each other.
        const QString han = QString(QStringLiteral("函")).repeated(100);                // 300 bytes
        const QString astral = QStringLiteral("a") + QStringLiteral("𠮷").repeated(70); // 281
        const QString exact = QString(251, QLatin1Char('x')); // 255 with ".pdf"
        const QStringList longOnes{han, han, astral, exact, exact};
        const QStringList names = PageFileNames::make(longOnes, ordinal, pdf, &shortened);
        QCOMPARE(shortened, (QList<int>{1, 2, 3, 5}));
        QCOMPARE(names[0], han.left(83));
        QCOMPARE(names[1], han.left(83) + QStringLiteral("-2"));
        QCOMPARE(names[2], QStringLiteral("a") + QStringLiteral("𠮷").repeated(62));
        QCOMPARE(names[3], exact);
        QCOMPARE(names[4], exact.left(249) + QStringLiteral("-2"));
        QTemporaryDir dir;
        for (const QString &name : names) {
            QVERIFY((name + pdf).toUtf8().size() <= 255);
            QFile file(dir.filePath(name + pdf));
            QVERIFY2(file.open(QIODevice::NewOnly), qPrintable(file.errorString()));
        }
    }

    // Elements that reach past the page, by their extent: a table by its rows and columns.
    void elementsOutsideThePage_data()
    {
        QTest::addColumn<QRectF>("rectMm");
        QTest::addColumn<bool>("table");
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<bool>("outside");
        QTest::newRow("inside") << QRectF(10, 10, 50, 20) << false << false << false;
        QTest::newRow("to the edges") << QRectF(0, 0, 210, 297) << false << false << false;
        QTest::newRow("left typed 999") << QRectF(999, 10, 50, 20) << false << false << true;
        QTest::newRow("past the right") << QRectF(180, 10, 50, 20) << false << false << true;
        QTest::newRow("above the top") << QRectF(10, -5, 50, 20) << false << false << true;
        QTest::newRow("below the bottom") << QRectF(10, 290, 50, 20) << false << false << true;
        QTest::newRow("line drawn backwards")
            << QRectF(200, 10, -190, 0) << false << false << false;
        QTest::newRow("wide on a turned page") << QRectF(10, 10, 250, 20) << false << true << false;
        QTest::newRow("tall on a turned page") << QRectF(10, 10, 20, 250) << false << true << true;
        QTest::newRow("table wider than its box")
            << QRectF(10, 10, 50, 20) << true << false << true;
    }
    void elementsOutsideThePage()
    {
        QFETCH(QRectF, rectMm);
        QFETCH(bool, table);
        QFETCH(bool, landscape);
        QFETCH(bool, outside);
        ReportTemplate report;
        report.page.landscape = landscape;
        ReportElement inside;
        inside.kind = ElementKind::Rectangle;
        inside.rectMm = QRectF(1, 1, 1, 1);
        ReportElement element;
        element.kind = table ? ElementKind::Table : ElementKind::Rectangle;
        element.name = QStringLiteral("试验");
        element.rectMm = rectMm;
        if (table) {
            element.columnWidthsMm = {100, 100, 100};
            element.rowHeightsMm = {10};
        }
        report.elements = {inside, element};
        QCOMPARE(PageBounds::outside(report), outside ? QList<int>{1} : QList<int>());
        QCOMPARE(PageBounds::warning(report),
                 outside ? QStringLiteral("1 个元素超出页面，打印时会被截去：“试验”") : QString());
    }
};

QTEST_MAIN(TestEngine)
#include "test_engine.moc"

// The designer's document and editing operations, without a display: every edit undoes and
// redoes to equal templates, gestures make one step, and the clipboard carries elements.

#include "engine/CodeReader.h"
#include "engine/PageRenderer.h"
#include "engine/ReportEngine.h"
#include "engine/designer/DesignDocument.h"
#include "engine/designer/DesignOperations.h"
#include "engine/designer/ElementClipboard.h"
#include "engine/designer/ElementProperties.h"
#include "engine/designer/SampleData.h"
#include "engine/designer/Snapper.h"
#include "platform/FileStamp.h"
#include "report/LetterRun.h"
#include "report/StarterLetter.h"
#include "report/TemplateFolder.h"
#include "report/TemplateLocations.h"

#include <QCollator>
#include <QMimeData>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

namespace {

ReportTemplate shippedLetter()
{
    ReportEngine engine;
    const bool loaded = engine.LoadTemplateFile(qEnvironmentVariable("PROGRAM_DIR") +
                                                QStringLiteral("/应收帐款确认函.grf"));
    Q_ASSERT(loaded);
    return engine.reportTemplate();
}

ReportElement box(double x, double y, double w, double h)
{
    ReportElement e;
    e.kind = ElementKind::Rectangle;
    e.rectMm = QRectF(x, y, w, h);
    return e;
}

QList<ElementId> ids(const DesignDocument &document, std::initializer_list<int> indexes)
{
    QList<ElementId> list;
    for (int i : indexes)
        list.append(document.ids().at(i));
    return list;
}

} // namespace

class TestDesigner : public QObject
{
    Q_OBJECT
private slots:
    void everyEditUndoesAndRedoesToEqualTemplates()
    {
        const ReportTemplate loaded = shippedLetter();
        QVERIFY(loaded.elements.size() > 5);
        DesignDocument document;
        document.reset(loaded);
        QVERIFY(!document.isModified());
        QUndoStack *undo = document.undoStack();

        const QList<std::function<void()>> edits{
            [&] {
                document.insertElements({box(10, 10, 20, 20), box(40, 10, 5, 5)}, "插入");
            },
            [&] {
                document.removeElements(ids(document, {0, 3}), "删除");
            },
            [&] {
                document.changeElements(
                    DesignOperations::moved(document, ids(document, {1, 2}), {3, -2}), "移动");
            },
            [&] {
                document.changeElements(
                    DesignOperations::resized(document, ids(document, {4}), {5, 1}), "大小");
            },
            [&] {
                ReportElement e = document.element(document.ids().at(2));
                e.style.bold = !e.style.bold;
                e.style.family = QStringLiteral("楷体");
                e.penColor = Qt::red;
                e.locked = true;
                document.changeElements({{document.ids().at(2), e}}, "属性");
            },
            [&] {
                document.bringToFront(ids(document, {0, 1}));
            },
            [&] { document.sendToBack(ids(document, {5})); },
            [&] {
                PageSetup page = document.reportTemplate().page;
                page.landscape = true;
                page.marginLeftMm = 12.5;
                document.setPage(page, QStringLiteral("新标题"));
            },
            [&] {
                QList<FieldDeclaration> fields = document.reportTemplate().fields;
                fields[0].name = QStringLiteral("往来单位");
                document.setFields(fields,
                                   DesignOperations::withFieldRenamed(document,
                                                                      QStringLiteral("客户单位"),
                                                                      QStringLiteral("往来单位")),
                                   "改名");
            },
        };
        QList<ReportTemplate> states{document.reportTemplate()};
        for (const auto &edit : edits) {
            edit();
            QVERIFY(document.reportTemplate() != states.last());
            states.append(document.reportTemplate());
            undo->undo();
            QCOMPARE(document.reportTemplate(), states[states.size() - 2]);
            undo->redo();
            QCOMPARE(document.reportTemplate(), states.last());
        }
        QCOMPARE(undo->count(), edits.size());
        QVERIFY(document.isModified());
        while (undo->canUndo())
            undo->undo();
        QCOMPARE(document.reportTemplate(), loaded);
        QVERIFY(!document.isModified());
        while (undo->canRedo())
            undo->redo();
        QCOMPARE(document.reportTemplate(), states.last());
    }

    void renamingAFieldRenamesItsUses()
    {
        DesignDocument document;
        document.reset(shippedLetter());
        const QList<ElementId> uses =
            DesignOperations::usesOfField(document, QStringLiteral("应收金额"));
        QVERIFY(!uses.isEmpty());
        const auto renamed = DesignOperations::withFieldRenamed(
            document, QStringLiteral("应收金额"), QStringLiteral("余额"));
        QCOMPARE(renamed.size(), uses.size());
        for (const ReportElement &element : renamed) {
            QVERIFY(!DesignOperations::fieldsOf(element).contains(QStringLiteral("应收金额")));
            QVERIFY(DesignOperations::fieldsOf(element).contains(QStringLiteral("余额")));
        }
        // The letter's code follows its field too.
        const auto renumbered = DesignOperations::withFieldRenamed(
            document, QStringLiteral("函证码"), QStringLiteral("编号"));
        bool codeRenamed = false;
        for (const ReportElement &element : renumbered)
            codeRenamed |= element.kind == ElementKind::Barcode &&
                           element.text.contains(QStringLiteral("{编号}"));
        QVERIFY(codeRenamed);
    }

    void gesturesAreOneStep()
    {
        DesignDocument document;
        document.reset({});
        const QList<ElementId> one = document.insertElements({box(10, 10, 10, 10)}, "插入");
        QUndoStack *undo = document.undoStack();
        // A run of nudges is one step ...
        for (int i = 0; i < 5; ++i)
            document.changeElements(DesignOperations::moved(document, one, {1, 0}), "移动", 1);
        QCOMPARE(undo->count(), 2);
        QCOMPARE(document.element(one[0]).rectMm.x(), 15.0);
        // ... until the gesture ends; two separate drags stay two steps.
        document.endGesture();
        document.changeElements(DesignOperations::moved(document, one, {1, 0}), "移动", 1);
        document.changeElements(DesignOperations::moved(document, one, {0, 2}), "移动");
        document.changeElements(DesignOperations::moved(document, one, {0, 2}), "移动");
        QCOMPARE(undo->count(), 5);
        undo->undo();
        undo->undo();
        undo->undo();
        QCOMPARE(document.element(one[0]).rectMm.topLeft(), QPointF(15, 10));
        undo->undo();
        QCOMPARE(document.element(one[0]).rectMm.topLeft(), QPointF(10, 10));
        // An edit that changes nothing is no step at all.
        document.changeElements({{one[0], document.element(one[0])}}, "无");
        QCOMPARE(undo->index(), 1);
    }

    void alignDistributeAndSizeLeaveLockedElementsAlone()
    {
        DesignDocument document;
        document.reset({});
        ReportElement locked = box(100, 100, 10, 10);
        locked.locked = true;
        const QList<ElementId> all = document.insertElements(
            {box(10, 20, 10, 10), box(30, 5, 20, 10), box(80, 50, 5, 30), locked}, "插入");
        using DesignOperations::Edge;
        auto left = DesignOperations::aligned(document, all, Edge::Left);
        QCOMPARE(left.size(), 3);
        for (const ReportElement &e : left)
            QCOMPARE(e.rectMm.left(), 10.0);
        auto bottom = DesignOperations::aligned(document, all.mid(0, 3), Edge::Bottom);
        for (const ReportElement &e : bottom)
            QCOMPARE(e.rectMm.bottom(), 80.0);
        auto centre = DesignOperations::aligned(document, all.mid(0, 2), Edge::HorizontalCentre);
        QCOMPARE(centre.value(all[0]).rectMm.center().x(), 30.0);

        // Three boxes from x 10 to 85 with 35 mm of width: gaps of 20 mm.
        auto spread = DesignOperations::distributed(document, all.mid(0, 3), Qt::Horizontal);
        QCOMPARE(spread.value(all[0]).rectMm.left(), 10.0);
        QCOMPARE(spread.value(all[1]).rectMm.left(), 40.0);
        QCOMPARE(spread.value(all[2]).rectMm.left(), 80.0);
        QVERIFY(DesignOperations::distributed(document, all.mid(0, 2), Qt::Vertical).isEmpty());

        auto wide = DesignOperations::sameSize(document, all, all[1], Qt::Horizontal);
        QCOMPARE(wide.value(all[0]).rectMm.width(), 20.0);
        QVERIFY(!wide.contains(all[3]));
        QVERIFY(DesignOperations::moved(document, {all[3]}, {5, 5}).isEmpty());

        // Never below the smallest size; a picture keeps its proportions.
        auto tiny = DesignOperations::resized(document, {all[0]}, {-50, -50});
        QCOMPARE(tiny.value(all[0]).rectMm.size(),
                 QSizeF(DesignOperations::MinimumSizeMm, DesignOperations::MinimumSizeMm));
        ReportElement picture = box(0, 0, 40, 20);
        picture.kind = ElementKind::Picture;
        const QList<ElementId> pic = document.insertElements({picture}, "插入");
        QCOMPARE(DesignOperations::resized(document, pic, {10, 0}).value(pic[0]).rectMm.size(),
                 QSizeF(50, 25));
    }

    void tablesScaleTheirColumnsWithTheirBox()
    {
        ReportElement table;
        table.kind = ElementKind::Table;
        table.rectMm = QRectF(0, 0, 60, 20);
        table.columnWidthsMm = {20, 40};
        table.rowHeightsMm = {10, 10};
        const ReportElement wider = DesignOperations::withRect(table, QRectF(0, 0, 120, 10));
        QCOMPARE(wider.columnWidthsMm, (QList<double>{40, 80}));
        QCOMPARE(wider.rowHeightsMm, (QList<double>{5, 5}));
    }

    void clipboardCarriesElementsAndTheirFields()
    {
        DesignDocument source;
        source.reset(shippedLetter());
        const QList<ElementId> chosen =
            DesignOperations::usesOfField(source, QStringLiteral("函编号"));
        QVERIFY(!chosen.isEmpty());
        std::unique_ptr<QMimeData> mime(ElementClipboard::toMime(
            DesignOperations::copies(source, chosen, {}), source.reportTemplate().fields));
        QVERIFY(mime->hasFormat(ElementClipboard::MimeType));
        QVERIFY(mime->text().contains(QStringLiteral("函编号")));
        const std::optional<ReportTemplate> part = ElementClipboard::fromMime(mime.get());
        QVERIFY(part);
        QCOMPARE(part->elements.size(), chosen.size());
        QCOMPARE(part->elements[0], source.element(chosen[0]));
        QCOMPARE(part->fields.size(), 1);
        QCOMPARE(part->fields[0].name, QStringLiteral("函编号"));

        // Plain text from another program becomes one text element; nothing, nothing.
        QMimeData plain;
        plain.setText(QStringLiteral("粘贴的文字"));
        QCOMPARE(ElementClipboard::fromMime(&plain)->elements[0].text,
                 QStringLiteral("粘贴的文字"));
        QMimeData damaged;
        damaged.setData(ElementClipboard::MimeType, "{not json");
        QVERIFY(!ElementClipboard::fromMime(&damaged));
        QMimeData empty;
        QVERIFY(!ElementClipboard::fromMime(&empty));
    }

    // A left edge snaps to lefts, a right to rights, a centre to centres, any of them to a
    // margin; only within the snapper's distance and when nearer than the grid.
    void snappingAlignsWithinItsDistance_data()
    {
        QTest::addColumn<double>("left");
        QTest::addColumn<double>("landsAt");
        // Targets 52.3 to 72.3 (centre 62.3) and 48.7 to 49.7; the moving box is 10 wide.
        QTest::newRow("left on a left") << 52.9 << 52.3;
        QTest::newRow("right on a right") << 61.7 << 62.3;
        QTest::newRow("centre on a centre") << 56.8 << 57.3;
        QTest::newRow("a left is no right") << 72.9 << 75.0;
        QTest::newRow("just beyond the distance") << 53.4 << 55.0;
        QTest::newRow("the grid when nearer") << 49.6 << 50.0;
        QTest::newRow("a margin") << 24.2 << 25.0;
        QTest::newRow("a margin for the right edge") << 119.3 << 119.9;
    }
    void snappingAlignsWithinItsDistance()
    {
        QFETCH(double, left);
        QFETCH(double, landsAt);
        Snapper snapper(QRectF(0, 0, 210, 297), 1.0);
        snapper.setGrid(true, 5);
        snapper.addTarget(QRectF(52.3, 100, 20, 10));
        snapper.addTarget(QRectF(48.7, 0, 1, 1));
        snapper.addVertical(25.0);
        snapper.addVertical(129.9);
        const Snapper::Result r = snapper.move(QRectF(0, 200, 10, 10), {left, 0});
        QCOMPARE(r.delta.x(), landsAt);
        QCOMPARE(r.delta.y(), 0.0); // 200 is on the grid
        const bool onGrid = std::abs(landsAt / 5 - std::round(landsAt / 5)) < 1e-9;
        QCOMPARE(r.guides.isEmpty(), onGrid);
        snapper.setEnabled(false);
        QCOMPARE(snapper.move(QRectF(0, 200, 10, 10), {left, 0}).delta.x(), left);
    }

    // One edge dragged (a resize) snaps to the same lines, or the grid.
    void aResizedEdgeSnapsAlike()
    {
        Snapper snapper(QRectF(0, 0, 210, 297), 1.0);
        snapper.setGrid(true, 5);
        snapper.addVertical(72.3);
        QList<QLineF> guides;
        QCOMPARE(snapper.snapX(72.9, guides), 72.3);
        QCOMPARE(guides.size(), 1);
        QCOMPARE(snapper.snapX(74.0, guides), 75.0);
        snapper.setGrid(false, 5);
        QCOMPARE(snapper.snapX(74.0, guides), 74.0);
    }

    // Typing that ends where it began leaves no step; a step of a new gesture stays apart.
    void noStepIsLeftForAnEditUndoneByTyping()
    {
        DesignDocument document;
        document.reset(shippedLetter());
        const ElementId id = document.ids().constFirst();
        const ReportElement original = document.element(id);
        ReportElement changed = original;
        changed.name = QStringLiteral("甲");
        document.changeElements({{id, changed}}, "名称", 7);
        QCOMPARE(document.undoStack()->count(), 1);
        document.changeElements({{id, original}}, "名称", 7);
        QCOMPARE(document.undoStack()->count(), 0);
        QVERIFY(!document.isModified());
        document.changeElements({{id, changed}}, "名称", 7);
        document.endGesture();
        document.changeElements({{id, original}}, "名称", 7);
        QCOMPARE(document.undoStack()->count(), 2);
    }

    // The panel's property table: common values, edits that leave elements without the
    // property and locked elements' places alone, and the page as it lies.
    void propertiesReadAndWriteThroughOneTable()
    {
        const auto property = [](const char *name) {
            for (const ElementProperties::Property &p : ElementProperties::all())
                if (qstrcmp(p.name, name) == 0)
                    return p;
            qFatal("no property %s", name);
        };
        ReportElement text;
        text.rectMm = QRectF(10, 10, 50, 8);
        ReportElement line;
        line.kind = ElementKind::Line;
        line.rectMm = QRectF(10, 30, 50, 0);
        line.locked = true;
        QList<ReportElement> both{text, line};
        QCOMPARE(ElementProperties::common(property("spnLeft"), both), QVariant(10.0));
        QVERIFY(!ElementProperties::common(property("spnTop"), both).isValid());
        QCOMPARE(ElementProperties::common(property("spnFontSize"), both), QVariant(12.0));
        ElementProperties::apply(property("spnLeft"), both, 25.0);
        QCOMPARE(both[0].rectMm.left(), 25.0);
        QCOMPARE(both[0].rectMm.width(), 50.0);
        QCOMPARE(both[1].rectMm.left(), 10.0); // locked
        ElementProperties::apply(property("spnFontSize"), both, 20.0);
        QCOMPARE(both[1].style.pointSize, 12.0); // a line has no font
        ElementProperties::apply(property("chkNoFill"), both, false);
        QVERIFY(!both[0].fillColor.isValid() && !both[1].fillColor.isValid());
        ElementProperties::apply(property("cbbAlignHorizontal"), both, 2);
        QCOMPARE(both[0].style.alignment & Qt::AlignHorizontal_Mask, Qt::AlignRight);
        QCOMPARE(both[0].style.alignment & Qt::AlignVertical_Mask, Qt::AlignTop);
        ElementProperties::apply(property("spnWidth"), both, 0.2);
        QCOMPARE(both[0].rectMm.width(), DesignOperations::MinimumSizeMm);

        PageSetup page;
        page.landscape = true;
        const QList<ElementProperties::PageProperty> &measures = ElementProperties::pageMeasures();
        QCOMPARE(measures[0].get(page), 297.0);
        measures[0].set(page, 300);
        QCOMPARE(page.heightMm, 300.0);
        QCOMPARE(page.pageWidthMm(), 300.0);
    }

    // A template's measures are written to a hundredth of a millimetre.
    void measuresAreWrittenRounded()
    {
        ReportTemplate report = shippedLetter();
        report.elements[0].rectMm = QRectF(53.35172022684309, 10.004999, 20.1 + 1e-9, 7);
        report.elements[0].penWidthMm = 0.30000000000000004;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("rounded.grf"));
        ReportEngine engine;
        engine.setReportTemplate(report);
        QVERIFY(engine.SaveTemplateFile(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.contains("53.35"));
        QVERIFY(!text.contains("53.351"));
        QVERIFY(!text.contains("0000000"));
        QVERIFY(!text.contains("999999"));
        QVERIFY(engine.LoadTemplateFile(path));
        QCOMPARE(engine.reportTemplate().elements[0].rectMm.topLeft(), QPointF(53.35, 10.0));
    }

    // Without sample data, fields and system values alike are shown by name, as written.
    void withoutSamplesEveryPlaceholderShowsItsName()
    {
        ReportTemplate report;
        report.fields = {{QStringLiteral("应收金额"), FieldType::Number}};
        ReportElement text;
        text.text = QStringLiteral("第{#页码}页 {应收金额:大写}");
        ReportElement system;
        system.kind = ElementKind::SystemValue;
        system.systemValue = SystemValueKind::PrintDate;
        system.format = QStringLiteral("yyyy年M月d日");
        ReportElement field;
        field.kind = ElementKind::Field;
        field.field = QStringLiteral("应收金额");
        report.elements = {text, system, field};
        for (ReportElement &e : report.elements)
            e.rectMm = QRectF(10, 10, 100, 10);
        const ReportDocument shown = SamplePreview::document(report, {}, 0, false);
        PageRenderer renderer(shown);
        QCOMPARE(renderer.elementText(shown.report.elements[0], 0),
                 QStringLiteral("第{#页码}页 {应收金额:大写}"));
        QCOMPARE(renderer.elementText(shown.report.elements[1], 0),
                 QStringLiteral("{#打印日期:yyyy年M月d日}"));
        QCOMPARE(renderer.elementText(shown.report.elements[2], 0), QStringLiteral("{应收金额}"));
        const ReportDocument samples = SamplePreview::document(report, {}, 0, true);
        QVERIFY(!PageRenderer(samples).elementText(samples.report.elements[0], 0).contains('{'));
    }

    // Without sample data, the shipped letter's code is still drawn where it prints, as a
    // code of its content as written; a Code 128 that cannot hold the field's name writes it
    // with question marks.
    void withoutSamplesACodeShowsItsFieldName()
    {
        ReportTemplate report = shippedLetter();
        auto painted = [](const ReportDocument &shown) {
            QImage page(1240, 1754, QImage::Format_Grayscale8); // A4 at 150 dpi
            page.fill(Qt::white);
            QPainter painter(&page);
            PageRenderer(shown).paintInto(painter, QRectF(0, 0, 1240, 1754), 0);
            return page;
        };
        QCOMPARE(CodeReader::texts(painted(SamplePreview::document(report, {}, 0, false))),
                 QStringList{QStringLiteral("{函证码}")});
        for (ReportElement &element : report.elements)
            if (element.kind == ElementKind::Barcode) {
                element.symbology = BarcodeSymbology::Code128;
                element.text = QStringLiteral("No.{函编号}");
                element.rectMm.setWidth(80);
            }
        QCOMPARE(CodeReader::texts(painted(SamplePreview::document(report, {}, 0, false))),
                 QStringList{QStringLiteral("No.{???}")});
    }

    // Table cells under a point, and a group of elements placed by its corner.
    void tableCellsAndPlacement()
    {
        ReportElement table;
        table.kind = ElementKind::Table;
        table.rectMm = QRectF(10, 20, 60, 24);
        table.columnWidthsMm = {10, 20, 30};
        table.rowHeightsMm = {8, 8, 8};
        QCOMPARE(DesignOperations::tableCellAt(table, {15, 21}), QPoint(0, 0));
        QCOMPARE(DesignOperations::tableCellAt(table, {41, 37}), QPoint(2, 2));
        QCOMPARE(DesignOperations::tableCellAt(table, {29.9, 28.1}), QPoint(1, 1));
        QVERIFY(!DesignOperations::tableCellAt(table, {71, 30}));
        QCOMPARE(DesignOperations::tableCellRect(table, 1, 2), QRectF(40, 28, 30, 8));
        QList<ReportElement> group{box(30, 40, 10, 10), box(50, 45, 10, 20)};
        DesignOperations::placeAt(group, {100, 100});
        QCOMPARE(group[0].rectMm.topLeft(), QPointF(100, 100));
        QCOMPARE(group[1].rectMm.topLeft(), QPointF(120, 105));
    }

    // A file stamp sees another writer's content, not a mere touch.
    void aFileStampSeesAnotherWritersChange()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.grf"));
        const auto write = [&](const QByteArray &bytes) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(bytes);
        };
        const FileStamp missing = FileStamp::of(path);
        QVERIFY(missing.matches(path));
        write("abc");
        QVERIFY(!missing.matches(path));
        const FileStamp stamp = FileStamp::of(path);
        QVERIFY(stamp.matches(path));
        QFile(path).setFileTime(QDateTime::currentDateTime().addSecs(60),
                                QFileDevice::FileModificationTime);
        QVERIFY(stamp.matches(path)); // touched, the same content
        write("abd");                 // the same size
        QVERIFY(!stamp.matches(path));
        QFile::remove(path);
        QVERIFY(!stamp.matches(path));
    }

    // The starter letter declares and shows the four fields, and prints with them.
    void theStarterLetterPrintsTheFourFields()
    {
        const ReportTemplate starter = StarterLetter::make();
        DesignDocument document;
        document.reset(starter);
        for (const QString &field : LetterRun::sampleFields().requiredFields) {
            QVERIFY(starter.fieldIndex(field) >= 0);
            QVERIFY2(!DesignOperations::usesOfField(document, field).isEmpty(), qPrintable(field));
        }
        ReportDocument letters;
        letters.report = starter;
        letters.printDate = QDate(2026, 12, 9);
        letters.records = {
            {QStringLiteral("甲公司"), QDate(2026, 6, 30), 1234.5, QStringLiteral("WL-001")}};
        PageRenderer renderer(letters);
        QString all;
        for (const ReportElement &e : starter.elements)
            all += renderer.elementText(e, 0);
        for (const char *expected : {"甲公司", "2026年6月30日", "1,234.50", "WL-001", "壹仟"})
            QVERIFY2(all.contains(QString::fromUtf8(expected)), expected);
    }

    // Template names: the folder's files sorted; names that cannot be files refused.
    void templateNamesInTheFolder()
    {
        QVERIFY(TemplateFolder::problemWithName(QStringLiteral("甲所专用函")).isEmpty());
        for (const char *bad : {"", "  ", "a/b", "a\\b", "a:b", ".隐藏", "a\tb"})
            QVERIFY2(!TemplateFolder::problemWithName(QString::fromUtf8(bad)).isEmpty(), bad);
        const QStringList names = TemplateFolder::names();
        QStringList sorted = names;
        QCollator collator(QLocale(QLocale::Chinese, QLocale::China));
        std::sort(sorted.begin(), sorted.end(), collator);
        QCOMPARE(names, sorted);
    }

    // Where templates are read and saved, in the build's layout and the package's.
    void templateLocationsInEitherLayout()
    {
        QTemporaryDir root;
        const QString program = root.filePath(QStringLiteral("bin/")),
                      shipped = root.filePath(QStringLiteral("share/roviradavev/")),
                      user = root.filePath(QStringLiteral("home/templates/"));
        for (const QString &folder : {program, shipped, user})
            QVERIFY(QDir().mkpath(folder));
        auto touch = [](const QString &file) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
        };
        const QString letter = QStringLiteral("应收帐款确认函");

        // Installed: the program folder holds no letters while the shipped folder does.
        for (const char *name : {"应收帐款确认函", "预收帐款确认函", "信封"})
            touch(shipped + QString::fromUtf8(name) + QStringLiteral(".grf"));
        touch(user + letter + QStringLiteral(".grf"));
        touch(user + QStringLiteral("甲所专用函.grf"));
        const TemplateLocations installed(program, shipped, user);
        QVERIFY(!installed.isPortable());
        QCOMPARE(installed.fileFor(letter), user + letter + QStringLiteral(".grf"));
        QCOMPARE(installed.fileFor(QStringLiteral("信封")), shipped + QStringLiteral("信封.grf"));
        QCOMPARE(installed.fileFor(QStringLiteral("新函")), user + QStringLiteral("新函.grf"));
        QCOMPARE(installed.saveFileFor(QStringLiteral("信封")), user + QStringLiteral("信封.grf"));
        QCOMPARE(installed.saveFolder(), user);
        QCOMPARE(installed.shippedFolder(), shipped);
        QCOMPARE(installed.names(),
                 (QStringList{QStringLiteral("甲所专用函"), QStringLiteral("信封"),
                              QStringLiteral("应收帐款确认函"), QStringLiteral("预收帐款确认函")}));
        QVERIFY(installed.canRestore(letter));
        QVERIFY(!installed.canRestore(QStringLiteral("甲所专用函"))); // the user's own
        QVERIFY(!installed.canRestore(QStringLiteral("信封")));       // never edited
        installed.restore(letter);
        QCOMPARE(installed.fileFor(letter), shipped + letter + QStringLiteral(".grf"));
        QVERIFY(QFileInfo::exists(shipped + letter + QStringLiteral(".grf")));

        // Portable: a folder the user owns with the letters beside the program.
        touch(program + letter + QStringLiteral(".grf"));
        touch(program + QStringLiteral("乙.grf"));
        const TemplateLocations portable(program, shipped, user);
        QVERIFY(portable.isPortable());
        QCOMPARE(portable.fileFor(QStringLiteral("新函")), program + QStringLiteral("新函.grf"));
        QCOMPARE(portable.saveFolder(), program);
        QCOMPARE(portable.shippedFolder(), program);
        QCOMPARE(portable.names(), (QStringList{QStringLiteral("乙"), letter}));
        QVERIFY(!portable.canRestore(letter));
        // Without a shipped folder, a writable program folder is portable, letters or not.
        QVERIFY(TemplateLocations(user, root.filePath(QStringLiteral("none")), user).isPortable());

        // A shipped template gone from the portable folder: the installed copy is read; with
        // none, it is missing from the program folder, and only the shipped ones are missing.
        QCOMPARE(portable.fileFor(QStringLiteral("预收帐款确认函")),
                 shipped + QStringLiteral("预收帐款确认函.grf"));
        QVERIFY(portable.missingShippedFolder(QStringLiteral("预收帐款确认函")).isEmpty());
        QVERIFY(QFile::remove(shipped + QStringLiteral("信封.grf")));
        QCOMPARE(portable.missingShippedFolder(QStringLiteral("信封")), program);
        QVERIFY(portable.missingShippedFolder(QStringLiteral("新函")).isEmpty());
        QVERIFY(portable.missingShippedFolder(letter).isEmpty());
    }
};

QTEST_MAIN(TestDesigner)
#include "test_designer.moc"

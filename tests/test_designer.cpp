// The designer's document and editing operations, without a display: every edit undoes and
// redoes to equal templates, gestures make one step, and the clipboard carries elements.

#include "engine/ReportEngine.h"
#include "engine/designer/DesignDocument.h"
#include "engine/designer/DesignOperations.h"
#include "engine/designer/ElementClipboard.h"
#include "engine/designer/Snapper.h"

#include <QMimeData>
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

    void snappingPrefersEdgesThenTheGrid()
    {
        Snapper snapper(QRectF(0, 0, 210, 297), 2.0);
        snapper.setGrid(true, 5);
        snapper.addTarget(QRectF(50, 50, 30, 10)); // edges 50, 65, 80 and 50, 55, 60
        // The left edge comes within 2 mm of another's right edge: it lands there.
        Snapper::Result r = snapper.move(QRectF(0, 0, 10, 10), {81.2, 12.1});
        QCOMPARE(r.delta.x(), 80.0);
        QCOMPARE(r.guides.size(), 1);
        QCOMPARE(r.guides[0].x1(), 80.0);
        QCOMPARE(r.delta.y(), 10.0); // no edge near: the grid
        snapper.setEnabled(false);
        QCOMPARE(snapper.move(QRectF(0, 0, 10, 10), {81.2, 12.1}).delta, QPointF(81.2, 12.1));
    }
};

QTEST_MAIN(TestDesigner)
#include "test_designer.moc"

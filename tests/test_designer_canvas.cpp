// The designer control under real mouse, key and wheel events: gestures that meet commands,
// snapping, the property boxes, undo keys, rulers, placing and pasting, and the panel.

#include "app/Application.h"
#include "engine/ReportEngine.h"
#include "engine/designer/DesignOperations.h"
#include "engine/designer/DesignRuler.h"
#include "engine/designer/FieldDragHandle.h"
#include "engine/designer/PropertyPanel.h"
#include "engine/designer/Snapper.h"
#include "platform/FontSetup.h"
#include "support/DesignerEvents.h"
#include "support/FakePrompts.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QToolTip>
#include <QUndoStack>
#include <functional>

namespace {

ReportTemplate shippedLetter()
{
    ReportEngine engine;
    engine.LoadTemplateFile(qEnvironmentVariable("PROGRAM_DIR") +
                            QStringLiteral("/应收帐款确认函.grf"));
    return engine.reportTemplate();
}

ReportElement rectangle(const QRectF &rectMm)
{
    ReportElement e;
    e.kind = ElementKind::Rectangle;
    e.rectMm = rectMm;
    return e;
}

// A designer on a template, shown at 100 %, with prompts a test answers.
struct Designer
{
    FakePrompts prompts;
    ReportEngine engine;
    DesignerControl control;
    DesignCanvas *canvas = control.canvas();
    DesignDocument &document = control.document();
    PropertyPanel *panel = control.propertyPanel();

    explicit Designer(const ReportTemplate &report = shippedLetter(), bool atHundred = true)
    {
        engine.setReportTemplate(report);
        control.AttachReport(engine);
        control.resize(1400, 900);
        control.show();
        Q_UNUSED(QTest::qWaitForWindowExposed(&control));
        QCoreApplication::processEvents();
        if (atHundred)
            canvas->setZoomPercent(100);
        QCoreApplication::processEvents();
    }
    template <typename W> W *child(const char *name) const
    {
        return control.findChild<W *>(QLatin1String(name));
    }
    ElementId named(const char *name) { return elementNamed(&control, QString::fromUtf8(name)); }
    // Selects an element as a user does: a click on it.
    void select(ElementId id)
    {
        const QRectF r = document.element(id).rectMm;
        canvas->centerOn(r.center() * PageUnits::PerMm);
        click(canvas, viewPointOf(canvas, r.center()));
    }
    // Types into a box as a user does: focus, select all, keys.
    void type(QWidget *box, const QString &text)
    {
        box->setFocus();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box, text);
    }
};

// Two boxes and a text, with no 回函区.
ReportTemplate plainPage()
{
    ReportTemplate report;
    report.elements = {rectangle(QRectF(30, 40, 40, 20)), rectangle(QRectF(100, 40, 40, 20))};
    report.elements[0].name = QStringLiteral("甲");
    report.elements[1].name = QStringLiteral("乙");
    ReportElement text;
    text.name = QStringLiteral("丙");
    text.rectMm = QRectF(30, 100, 60, 8);
    text.text = QStringLiteral("正文");
    report.elements.append(text);
    return report;
}

// Pixels of the canvas shaded as 回函区 around a point of the page: greenish, which nothing
// else on the canvas is (the band is yellow, the selection and the grid blue).
int replyShaded(DesignCanvas *canvas, QPointF centreMm)
{
    canvas->centerOn(centreMm * PageUnits::PerMm);
    QCoreApplication::processEvents();
    const QImage shot = canvas->viewport()->grab().toImage();
    int found = 0;
    for (int y = 0; y < shot.height(); y += 2)
        for (int x = 0; x < shot.width(); x += 2) {
            const QRgb p = shot.pixel(x, y);
            found += qGreen(p) - qRed(p) >= 10 && qGreen(p) > qBlue(p);
        }
    return found;
}

bool onGrid(double mm)
{
    return std::abs(mm / 5 - std::round(mm / 5)) < 1e-6;
}

} // namespace

class TestDesignerCanvas : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QSettings().clear();
        QGuiApplication::clipboard()->clear();
    }
    void cleanup() { QCOMPARE(Application::escapedErrors(), 0); }
    // The remembered zoom stays out of the other test programs.
    void cleanupTestCase() { QSettings().clear(); }

    // Any command during a drag or a resize ends the gesture; its release changes nothing
    // the command did not, and nothing reads what the command removed.
    void commandsInMidGestureEndIt_data()
    {
        QTest::addColumn<bool>("resize");
        QTest::addColumn<QKeyCombination>("key");
        const QList<std::pair<const char *, QKeyCombination>> keys{
            {"undo", Qt::ControlModifier | Qt::Key_Z},
            {"redo", Qt::ControlModifier | Qt::Key_Y},
            {"delete", QKeyCombination(Qt::Key_Delete)},
            {"select all", Qt::ControlModifier | Qt::Key_A},
            {"escape", QKeyCombination(Qt::Key_Escape)},
            {"paste", Qt::ControlModifier | Qt::Key_V},
            {"cut", Qt::ControlModifier | Qt::Key_X},
            {"duplicate", Qt::ControlModifier | Qt::Key_D},
        };
        for (bool resize : {true, false})
            for (const auto &[name, key] : keys)
                QTest::addRow("%s during a %s", name, resize ? "resize" : "drag") << resize << key;
    }
    void commandsInMidGestureEndIt()
    {
        QFETCH(bool, resize);
        QFETCH(QKeyCombination, key);
        Designer d;
        const ElementId title = d.named("标题");
        // Something to undo, redo and paste.
        d.canvas->setSelection({d.named("函编号")});
        d.control.copy();
        QTest::keyClick(d.canvas, Qt::Key_Right);
        d.canvas->setSelection({d.named("正文")});
        QTest::keyClick(d.canvas, Qt::Key_Right);
        d.document.undoStack()->undo();
        d.select(title);
        QCOMPARE(d.canvas->selection(), QList<ElementId>{title});
        const QRectF r = d.document.element(title).rectMm;
        const QPoint from =
            resize ? viewPointOf(d.canvas, r.bottomRight()) : viewPointOf(d.canvas, r.center());
        QCOMPARE(d.canvas->handleAt(from) != DesignCanvas::Handle::None, resize);
        QWidget *viewport = d.canvas->viewport();
        mouse(viewport, QEvent::MouseButtonPress, from);
        mouse(viewport, QEvent::MouseMove, from + QPoint(40, 30));
        QVERIFY(d.canvas->inGesture());
        QTest::keyClick(d.canvas, key.key(), key.keyboardModifiers());
        QVERIFY(!d.canvas->inGesture());
        const ReportTemplate afterCommand = d.document.reportTemplate();
        const int steps = d.document.undoStack()->count();
        mouse(viewport, QEvent::MouseMove, from + QPoint(80, 60));
        mouse(viewport, QEvent::MouseButtonRelease, from + QPoint(80, 60));
        QCOMPARE(d.document.reportTemplate(), afterCommand);
        QCOMPARE(d.document.undoStack()->count(), steps);
        // The canvas goes on working.
        d.canvas->setSelection({d.document.ids().constFirst()});
        QTest::keyClick(d.canvas, Qt::Key_Down);
    }

    // A panel edit that lands in the middle of a drag ends the drag the same way.
    void aPanelEditInMidDragEndsIt()
    {
        Designer d;
        const ElementId title = d.named("标题");
        d.select(title);
        const QPoint from = viewPointOf(d.canvas, d.document.element(title).rectMm.center());
        mouse(d.canvas->viewport(), QEvent::MouseButtonPress, from);
        mouse(d.canvas->viewport(), QEvent::MouseMove, from + QPoint(50, 0));
        ReportElement bigger = d.document.element(title);
        bigger.style.pointSize = 30;
        d.document.changeElements({{title, bigger}}, QStringLiteral("修改字号"));
        mouse(d.canvas->viewport(), QEvent::MouseButtonRelease, from + QPoint(50, 0));
        QCOMPARE(d.document.element(title), bigger);
        QCOMPARE(d.document.undoStack()->count(), 1);
    }

    // With the grid on, drags and resizes land on 5 mm steps from the page's corner;
    // an edge within four pixels of another element's edge lands on that edge instead.
    void dragsAndResizesLandOnTheGrid()
    {
        Designer d{ReportTemplate()};
        d.document.insertElements(
            {rectangle(QRectF(52.3, 40.7, 20, 10)), rectangle(QRectF(121.1, 150.9, 27.0, 10))},
            QStringLiteral("插入"));
        const ElementId fixed = d.document.ids()[0], moving = d.document.ids()[1];
        d.select(moving);
        const QRectF start = d.document.element(moving).rectMm;
        const QPoint from = viewPointOf(d.canvas, start.center());
        drag(d.canvas, from, from + QPoint(97, -133)); // nowhere near the other box
        const QRectF moved = d.document.element(moving).rectMm;
        QVERIFY2(onGrid(moved.left()) && onGrid(moved.top()),
                 qPrintable(QStringLiteral("%1, %2").arg(moved.left()).arg(moved.top())));

        // The right edge taken to the grid by its handle.
        const QPoint edge = viewPointOf(d.canvas, QPointF(moved.right(), moved.center().y()));
        QCOMPARE(d.canvas->handleAt(edge), DesignCanvas::Handle::Right);
        drag(d.canvas, edge, edge + QPoint(23, 0));
        QVERIFY(onGrid(d.document.element(moving).rectMm.right()));

        // Three pixels from the fixed box's left edge (52.3): that edge; six: the grid. At
        // 200 %, where four pixels are half a millimetre.
        d.canvas->setZoomPercent(200);
        d.canvas->centerOn(QPointF(70, 150) * PageUnits::PerMm);
        const double pixel = 1 / d.canvas->pixelsPerMm();
        const auto dragLeftEdgeTo = [&](double xMm) {
            const QRectF r = d.document.element(moving).rectMm;
            const QPoint grab = viewPointOf(d.canvas, r.center());
            const QPoint to = viewPointOf(d.canvas, r.center() + QPointF(xMm - r.left(), 0));
            // By way of a point far enough for a drag to begin.
            QWidget *viewport = d.canvas->viewport();
            mouse(viewport, QEvent::MouseButtonPress, grab);
            mouse(viewport, QEvent::MouseMove, grab + QPoint(0, 60));
            mouse(viewport, QEvent::MouseMove, to);
            mouse(viewport, QEvent::MouseButtonRelease, to);
            return d.document.element(moving).rectMm.left();
        };
        const double left = d.document.element(fixed).rectMm.left();
        QCOMPARE(dragLeftEdgeTo(left + 3 * pixel), left);
        const double beyond = dragLeftEdgeTo(left + 6 * pixel);
        QVERIFY2(onGrid(beyond), qPrintable(QString::number(beyond)));
        QCOMPARE(dragLeftEdgeTo(left - 3 * pixel), left);
        // Alt holds both off: the box follows the pointer.
        const QRectF before = d.document.element(moving).rectMm;
        const QPoint grab = viewPointOf(d.canvas, before.center());
        drag(d.canvas, grab, grab + QPoint(31, 0), Qt::AltModifier);
        const double shifted = d.document.element(moving).rectMm.left() - before.left();
        QVERIFY2(std::abs(shifted - 31 / d.canvas->pixelsPerMm()) < 0.3,
                 qPrintable(QString::number(shifted)));
    }

    // In a full letter, whatever the zoom, a drag lands on the grid, or else aligned with
    // another element: its left on a left, its centre on a centre, its right on a right (or
    // any of them on a margin or the page's centre line); at least half on the grid.
    void inAFullLetterDragsLandOnTheGridOrAligned_data()
    {
        QTest::addColumn<bool>("wholePage");
        QTest::newRow("100%") << false;
        QTest::newRow("whole page") << true;
    }
    void inAFullLetterDragsLandOnTheGridOrAligned()
    {
        QFETCH(bool, wholePage);
        Designer d;
        if (wholePage)
            d.canvas->fitPage();
        const ElementId title = d.named("标题");
        const PageSetup &page = d.document.reportTemplate().page;
        const QList<double> lines{page.marginLeftMm, page.pageWidthMm() / 2,
                                  page.pageWidthMm() - page.marginRightMm};
        const QList<double> rows{page.marginTopMm, page.pageHeightMm() - page.marginBottomMm};
        const auto near = [](double a, double b) { return std::abs(a - b) < 1e-6; };
        // Whether the span lands with an edge or its centre on a matching one of 'others'.
        const auto aligned = [&](double low, double high, const QList<double> &marks, auto lowOf,
                                 auto centreOf, auto highOf) {
            for (double mark : marks)
                if (near(low, mark) || near((low + high) / 2, mark) || near(high, mark))
                    return true;
            for (ElementId id : d.document.ids()) {
                if (id == title)
                    continue;
                const QRectF r = d.document.element(id).rectMm.normalized();
                if (near(low, std::invoke(lowOf, r)) ||
                    near((low + high) / 2, std::invoke(centreOf, r)) ||
                    near(high, std::invoke(highOf, r)))
                    return true;
            }
            return false;
        };
        int onTheGrid = 0, drags = 0;
        for (int dx = -60; dx <= 60; dx += 17)
            for (int dy = 40; dy <= 400; dy += 45) {
                d.canvas->setSelection({title});
                const QRectF r = d.document.element(title).rectMm;
                const QPoint grab = viewPointOf(d.canvas, r.center());
                drag(d.canvas, grab, grab + QPoint(dx, dy));
                const QRectF m = d.document.element(title).rectMm;
                const bool xOnGrid = onGrid(m.left()), yOnGrid = onGrid(m.top());
                onTheGrid += xOnGrid && yOnGrid;
                ++drags;
                QVERIFY2(xOnGrid ||
                             aligned(
                                 m.left(), m.right(), lines, &QRectF::left,
                                 [](const QRectF &q) { return q.center().x(); }, &QRectF::right),
                         qPrintable(QString::number(m.left())));
                QVERIFY2(yOnGrid ||
                             aligned(
                                 m.top(), m.bottom(), rows, &QRectF::top,
                                 [](const QRectF &q) { return q.center().y(); }, &QRectF::bottom),
                         qPrintable(QString::number(m.top())));
                d.document.undoStack()->undo();
            }
        QVERIFY2(onTheGrid * 2 >= drags,
                 qPrintable(QStringLiteral("%1 of %2").arg(onTheGrid).arg(drags)));
    }

    // "12.5" typed into 左 stays as typed and is applied whole when the edit ends.
    void aBoxBeingTypedInIsLeftAlone()
    {
        Designer d;
        const ElementId title = d.named("标题");
        d.select(title);
        const QRectF start = d.document.element(title).rectMm;
        auto *left = d.child<QDoubleSpinBox>("spnLeft");
        d.type(left, QStringLiteral("12.5"));
        QVERIFY2(left->text().startsWith(QStringLiteral("12.5")), qPrintable(left->text()));
        QCOMPARE(d.document.element(title).rectMm, start); // nothing yet
        QTest::keyClick(left, Qt::Key_Return);
        QCOMPARE(d.document.element(title).rectMm.left(), 12.5);
        QVERIFY2(left->text().startsWith(QStringLiteral("12.5")), qPrintable(left->text()));
        QCOMPARE(d.document.undoStack()->count(), 1);
        // Tab ends an edit too, as a step of its own.
        d.type(left, QStringLiteral("30"));
        QTest::keyClick(left, Qt::Key_Tab);
        QCOMPARE(d.document.element(title).rectMm.left(), 30.0);
        QCOMPARE(d.document.undoStack()->count(), 2);
    }

    // A number typed with a thousands separator ("12,5" in a locale where the comma groups
    // thousands) is refused, not read as 125: the box and the element keep their value.
    // A number typed as the locale writes it still goes in.
    void aNumberWithAThousandsSeparatorIsRefused()
    {
        Designer d;
        const ElementId title = d.named("标题");
        d.select(title);
        const QRectF start = d.document.element(title).rectMm;
        auto *left = d.child<QDoubleSpinBox>("spnLeft");
        QCOMPARE(left->locale().groupSeparator(), QStringLiteral(","));
        d.type(left, QStringLiteral("12,5"));
        QTest::keyClick(left, Qt::Key_Return);
        QCOMPARE(d.document.element(title).rectMm, start);
        QCOMPARE(d.document.undoStack()->count(), 0);
        QCOMPARE(left->value(), start.left());
        d.type(left, QStringLiteral("12,5"));
        QTest::keyClick(left, Qt::Key_Tab); // leaving the box ends the edit the same way
        QCOMPARE(d.document.element(title).rectMm, start);
        QCOMPARE(left->value(), start.left());
        d.type(left, QStringLiteral("99.5"));
        QTest::keyClick(left, Qt::Key_Return);
        QCOMPARE(d.document.element(title).rectMm.left(), 99.5);
    }

    // An element moved off the page (左 typed 999 instead of 99) is named in the status
    // line until it is back.
    void theStatusLineWarnsOfElementsOffThePage()
    {
        Designer d;
        auto *warning = d.child<QLabel>("lblOutsidePage");
        QVERIFY(warning);
        QCOMPARE(warning->text(), QString());
        const ElementId title = d.named("标题");
        d.select(title);
        auto *left = d.child<QDoubleSpinBox>("spnLeft");
        d.type(left, QStringLiteral("999"));
        QTest::keyClick(left, Qt::Key_Return);
        QCOMPARE(d.document.element(title).rectMm.left(), 999.0);
        QCOMPARE(warning->text(), QStringLiteral("1 个元素超出页面，打印时会被截去：“标题”"));
        QVERIFY(warning->isVisible());
        d.control.undo();
        QCOMPARE(warning->text(), QString());
    }

    // A run of typing that ends where it began leaves no step behind.
    void typingBackLeavesNoStep()
    {
        Designer d;
        d.select(d.named("标题"));
        auto *name = d.child<QLineEdit>("edtName");
        name->setFocus();
        name->end(false);
        QTest::keyClicks(name, QStringLiteral("xy"));
        QCOMPARE(d.document.undoStack()->count(), 1);
        QTest::keyClick(name, Qt::Key_Backspace);
        QTest::keyClick(name, Qt::Key_Backspace);
        QCOMPARE(d.document.undoStack()->count(), 0);
        QVERIFY(!d.control.isModified());
    }

    // Two clicks on a check box are two steps; the second undoes to the first.
    void eachClickOnACheckBoxIsAStep()
    {
        Designer d;
        const ElementId title = d.named("标题");
        d.select(title);
        auto *bold = d.child<QCheckBox>("chkBold");
        const bool was = d.document.element(title).style.bold;
        QTest::mouseClick(bold, Qt::LeftButton);
        QTest::mouseClick(bold, Qt::LeftButton);
        QCOMPARE(d.document.undoStack()->count(), 2);
        d.document.undoStack()->undo();
        QCOMPARE(d.document.element(title).style.bold, !was);
    }

    // The wheel over a box that does not have the focus scrolls the panel and changes
    // nothing; with the focus, it steps the value.
    void theWheelChangesOnlyAFocusedBox()
    {
        Designer d;
        d.control.resize(1000, 500); // the panel scrolls
        d.canvas->setFocus();
        d.control.insertElement(ElementKind::Table);
        const ElementId table = d.canvas->selection().constFirst();
        QCOMPARE(d.document.element(table).columnWidthsMm.size(), 3);
        const int steps = d.document.undoStack()->count();
        auto *columns = d.child<QSpinBox>("spnColumns");
        auto *scroll = d.panel->findChild<QScrollArea *>();
        QVERIFY(columns->isVisibleTo(&d.control) && scroll);
        QTRY_VERIFY(scroll->verticalScrollBar()->maximum() > 0);
        const int scrolled = scroll->verticalScrollBar()->value();
        wheel(columns, -3);
        QCOMPARE(d.document.element(table).columnWidthsMm.size(), 3);
        QCOMPARE(d.document.undoStack()->count(), steps);
        QVERIFY(scroll->verticalScrollBar()->value() > scrolled);
        auto *size = d.child<QDoubleSpinBox>("spnFontSize");
        const double font = d.document.element(table).style.pointSize;
        wheel(size, 1);
        wheel(d.child<QComboBox>("cbbAlignHorizontal"), -1);
        QCOMPARE(d.document.element(table).style.pointSize, font);
        QCOMPARE(d.document.undoStack()->count(), steps);
        columns->setFocus();
        wheel(columns, 1);
        QCOMPARE(d.document.element(table).columnWidthsMm.size(), 4);
    }

    // Ctrl+Z and Ctrl+Y reach the document from a focused box, a typed value first applied.
    void undoKeysWorkInThePanel()
    {
        Designer d;
        const ElementId title = d.named("标题");
        d.select(title);
        const double before = d.document.element(title).style.pointSize;
        auto *size = d.child<QDoubleSpinBox>("spnFontSize");
        d.type(size, QStringLiteral("30"));
        QTest::keyClick(size, Qt::Key_Return);
        QCOMPARE(d.document.element(title).style.pointSize, 30.0);
        QTest::keyClick(size, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(d.document.element(title).style.pointSize, before);
        QTest::keyClick(size, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(d.document.element(title).style.pointSize, 30.0);
        // Typed but not yet applied: applied, then undone, so redo brings it back.
        d.type(size, QStringLiteral("22"));
        QTest::keyClick(size, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(d.document.element(title).style.pointSize, 30.0);
        QTest::keyClick(size, Qt::Key_Z, Qt::ShiftModifier | Qt::ControlModifier);
        QCOMPARE(d.document.element(title).style.pointSize, 22.0);
        // The name box too.
        auto *name = d.child<QLineEdit>("edtName");
        d.type(name, QStringLiteral("Big"));
        QCOMPARE(d.document.element(title).name, QStringLiteral("Big"));
        QTest::keyClick(name, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(d.document.element(title).name, QStringLiteral("标题"));

        // The multi-line text keeps its own typing undo while it has something to undo.
        auto *text = d.child<QPlainTextEdit>("edtText");
        text->setFocus();
        text->moveCursor(QTextCursor::End);
        QTest::keyClicks(text, QStringLiteral("ABC"));
        QVERIFY(d.document.element(title).text.endsWith(QStringLiteral("ABC")));
        QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(text->document()->isRedoAvailable());
        QVERIFY(!d.document.element(title).text.endsWith(QStringLiteral("ABC")));
    }

    // A click ends a run of nudges: the nudges after it are a step of their own.
    void aClickEndsARunOfNudges()
    {
        Designer d;
        const ElementId title = d.named("标题");
        d.select(title);
        QTest::keyClick(d.canvas, Qt::Key_Right);
        QTest::keyClick(d.canvas, Qt::Key_Right);
        QCOMPARE(d.document.undoStack()->count(), 1);
        click(d.canvas, viewPointOf(d.canvas, d.document.element(title).rectMm.center()));
        QTest::keyClick(d.canvas, Qt::Key_Right);
        QCOMPARE(d.document.undoStack()->count(), 2);
    }

    // A duplicate never covers its original, nor a paste the element it was copied from.
    void copiesNeverCoverTheirOriginals()
    {
        Designer d;
        const ElementId title = d.named("标题");
        d.select(title);
        QTest::keyClick(d.canvas, Qt::Key_D, Qt::ControlModifier);
        const ElementId copy = d.canvas->selection().constFirst();
        QVERIFY(copy != title);
        QVERIFY(d.document.element(copy).rectMm.topLeft() !=
                d.document.element(title).rectMm.topLeft());
        d.select(title);
        QTest::keyClick(d.canvas, Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(d.canvas, Qt::Key_V, Qt::ControlModifier);
        const ElementId pasted = d.canvas->selection().constFirst();
        QVERIFY(d.document.element(pasted).rectMm != d.document.element(title).rectMm);
    }

    // Text from another program is pasted where the user looks: inside the margins, in
    // view, selected.
    void textPastedFromElsewhereLandsInView()
    {
        Designer d;
        d.canvas->setZoomPercent(200);
        d.canvas->centerOn(QPointF(150, 200) * PageUnits::PerMm);
        QCoreApplication::processEvents();
        QCursor::setPos(d.control.mapToGlobal(QPoint(-500, -500))); // not over the page
        QGuiApplication::clipboard()->setText(QStringLiteral("来自别处的文字"));
        d.canvas->setFocus();
        QTest::keyClick(d.canvas, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(d.canvas->selection().size(), 1);
        const ReportElement &pasted = d.document.element(d.canvas->selection()[0]);
        QCOMPARE(pasted.text, QStringLiteral("来自别处的文字"));
        const PageSetup &page = d.document.reportTemplate().page;
        QVERIFY(pasted.rectMm.left() >= page.marginLeftMm);
        QVERIFY(pasted.rectMm.top() >= page.marginTopMm);
        const QRectF visible = d.canvas->mapToScene(d.canvas->viewport()->rect()).boundingRect();
        QVERIFY(visible.contains(pasted.rectMm.center() * PageUnits::PerMm));
        QVERIFY(std::abs(pasted.rectMm.center().y() - 200) < 30);
    }

    // A tool is picked, then placed with a click (its own size) or a drag (the dragged
    // size); Esc drops it.
    void toolsPlaceWhereClickedOrDragged()
    {
        Designer d{ReportTemplate()};
        auto *tool = d.control.findChild<QAction *>(QStringLiteral("actInsertRectangle"));
        tool->trigger();
        QCOMPARE(d.canvas->placingTool(), ElementKind::Rectangle);
        click(d.canvas, viewPointOf(d.canvas, QPointF(100, 120)));
        QCOMPARE(d.document.ids().size(), 1);
        QCOMPARE(d.document.element(d.document.ids()[0]).rectMm.topLeft(), QPointF(100, 120));
        QVERIFY(!d.canvas->placingTool());
        QVERIFY(!tool->isChecked());

        tool->trigger();
        drag(d.canvas, viewPointOf(d.canvas, QPointF(30, 200)),
             viewPointOf(d.canvas, QPointF(90, 230)));
        QCOMPARE(d.document.element(d.document.ids()[1]).rectMm, QRectF(30, 200, 60, 30));
        QCOMPARE(d.canvas->selection(), QList<ElementId>{d.document.ids()[1]});

        d.control.findChild<QAction *>(QStringLiteral("actInsertLine"))->trigger();
        QTest::keyClick(d.canvas, Qt::Key_Escape);
        QVERIFY(!d.canvas->placingTool());
        click(d.canvas, viewPointOf(d.canvas, QPointF(150, 250)));
        QCOMPARE(d.document.ids().size(), 2);
    }

    // A picture asks for its file first, in the last picture folder; cancelled, nothing.
    void aCancelledPictureInsertsNothing()
    {
        Designer d;
        const int elements = int(d.document.ids().size());
        d.control.insertElement(ElementKind::Picture);
        QCOMPARE(d.document.ids().size(), elements);
        QCOMPARE(d.document.undoStack()->count(), 0);
        QCOMPARE(d.prompts.shown.last().kind, QStringLiteral("open"));

        const QString svg = QDir::temp().filePath(QStringLiteral("designer-seal.svg"));
        QFile file(svg);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'/>");
        file.close();
        d.prompts.openAnswers = {svg};
        d.control.insertElement(ElementKind::Picture);
        QCOMPARE(d.document.ids().size(), elements + 1);
        d.control.insertElement(ElementKind::Picture);
        QCOMPARE(d.prompts.shown.last().caption, QFileInfo(svg).absolutePath());
        QFile::remove(svg);
    }

    // A field dragged from the field list makes a text showing it where it is dropped.
    void aDroppedFieldBecomesAText()
    {
        Designer d{ReportTemplate()};
        SampleData data;
        data.fields = {{QStringLiteral("地址"), FieldType::Text}};
        d.control.setSampleData(data);
        // What the field list's rows and the inserter's grip carry.
        d.panel->tabs()->setCurrentIndex(2);
        d.document.setFields(data.fields, {}, QStringLiteral("添加字段"));
        auto *list = d.panel->findChild<QTableWidget *>(QStringLiteral("tblFields"));
        const std::unique_ptr<QMimeData> fromList(
            list->model()->mimeData({list->model()->index(0, 0)}));
        QCOMPARE(fromList->data(DesignCanvas::FieldMimeType), QStringLiteral("地址").toUtf8());
        d.document.undoStack()->undo();
        d.panel->tabs()->setCurrentIndex(0);
        const std::unique_ptr<QMimeData> carried(FieldDragHandle::mimeFor(QStringLiteral("地址")));
        QMimeData &mime = *carried;
        const QPoint at = viewPointOf(d.canvas, QPointF(60.9, 89.2));
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(d.canvas->viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(d.canvas->viewport(), &drop);
        QCOMPARE(d.document.ids().size(), 1);
        const ReportElement &text = d.document.element(d.document.ids()[0]);
        QCOMPARE(text.text, QStringLiteral("{地址}"));
        QCOMPARE(text.rectMm.topLeft(), QPointF(60, 90)); // on the grid
        QCOMPARE(d.document.reportTemplate().fieldIndex(QStringLiteral("地址")), 0);
        QCOMPARE(d.document.undoStack()->count(), 1);
        // The inserter's grip stands beside 插入 for a text.
        d.canvas->setSelection({d.document.ids()[0]});
        QVERIFY(d.child<QLabel>("lblDragField")->isVisibleTo(&d.control));
    }

    // A table cell is edited in place with a double click.
    void tableCellsAreEditedInPlace()
    {
        Designer d{ReportTemplate()};
        d.control.insertElement(ElementKind::Table, QRectF(20, 20, 90, 30));
        const ElementId table = d.document.ids()[0];
        const QRectF cell = DesignOperations::tableCellRect(d.document.element(table), 1, 2);
        const QPoint at = viewPointOf(d.canvas, cell.center());
        QTest::mouseDClick(d.canvas->viewport(), Qt::LeftButton, {}, at);
        auto *editor = d.canvas->findChild<QPlainTextEdit *>(QStringLiteral("inPlaceEditor"));
        QVERIFY(editor && editor->isVisible());
        QTest::keyClicks(editor, QStringLiteral("Total"));
        QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(d.document.element(table).cells[1][2].text, QStringLiteral("Total"));
        QVERIFY(d.document.element(table).cells[0][0].text.isEmpty());
    }

    // The context menu offers the editing commands, the order, lock, alignments and 属性.
    void theContextMenuOffersTheCommands()
    {
        Designer d;
        d.select(d.named("标题"));
        QStringList offered;
        const std::function<void(QMenu *)> collect = [&](QMenu *menu) {
            for (QAction *action : menu->actions()) {
                if (action->menu())
                    collect(action->menu());
                else if (!action->isSeparator())
                    offered.append(action->text());
            }
        };
        collect(d.control.contextMenu());
        for (const char *expected : {"剪切", "复制", "粘贴", "再制", "删除", "置顶", "置底",
                                     "锁定/解锁", "左对齐", "垂直等距", "同宽", "属性"})
            QVERIFY2(offered.contains(QString::fromUtf8(expected)), expected);
        // 属性 brings the element's properties forward.
        d.panel->tabs()->setCurrentIndex(2);
        d.control.findChild<QAction *>(QStringLiteral("actProperties"))->trigger();
        QCOMPARE(d.panel->tabs()->currentIndex(), 0);
    }

    // The rulers follow a turn of the page, a zoom and a scroll.
    void rulersFollowTheView()
    {
        Designer d;
        auto *ruler = d.control.findChild<DesignRuler *>(QStringLiteral("rulerHorizontal"));
        const auto expected = [&] {
            const QPoint zero =
                d.canvas->viewport()->mapTo(&d.control, d.canvas->mapFromScene(QPointF(0, 0)));
            return zero.x() - ruler->mapTo(&d.control, QPoint(0, 0)).x();
        };
        d.panel->tabs()->setCurrentIndex(1);
        auto *orientation = d.panel->findChild<QComboBox *>(QStringLiteral("cbbOrientation"));
        orientation->activated(1);
        QCoreApplication::processEvents();
        QCOMPARE(ruler->origin(), double(expected()));
        d.canvas->setZoomPercent(250);
        QCOMPARE(ruler->pixelsPerMm(), d.canvas->pixelsPerMm());
        d.canvas->horizontalScrollBar()->setValue(d.canvas->horizontalScrollBar()->value() + 137);
        QCoreApplication::processEvents();
        QCOMPARE(ruler->origin(), double(expected()));
        // Labels never collide, at any zoom.
        for (double zoom : {10.0, 25.0, 51.0, 100.0, 173.0, 400.0}) {
            d.canvas->setZoomPercent(zoom);
            const int room = ruler->fontMetrics().horizontalAdvance(QStringLiteral("-300"));
            QVERIFY2(ruler->labelStep() * ruler->pixelsPerMm() > room,
                     qPrintable(QString::number(zoom)));
        }
    }

    // A small element's handles stand off its edges: its middle is the element's own.
    void handlesOfSmallElementsStandOff()
    {
        Designer d{ReportTemplate()};
        d.document.insertElements({rectangle(QRectF(50, 50, 3, 2))}, QStringLiteral("插入"));
        const ElementId small = d.document.ids()[0];
        d.canvas->setSelection({small});
        const QRectF r = d.document.element(small).rectMm;
        QCOMPARE(d.canvas->handleAt(viewPointOf(d.canvas, r.center())), DesignCanvas::Handle::None);
        const QPoint right = viewPointOf(d.canvas, QPointF(r.right(), r.center().y()));
        QCOMPARE(d.canvas->handleAt(right + QPoint(5, 0)), DesignCanvas::Handle::Right);
    }

    // Shift+click builds a selection; the element clicked last is the reference.
    void theLastClickedIsTheReference()
    {
        Designer d{ReportTemplate()};
        d.document.insertElements(
            {rectangle(QRectF(20, 20, 30, 10)), rectangle(QRectF(20, 60, 50, 20))},
            QStringLiteral("插入"));
        const ElementId a = d.document.ids()[0], b = d.document.ids()[1];
        click(d.canvas, viewPointOf(d.canvas, QPointF(35, 25)));
        click(d.canvas, viewPointOf(d.canvas, QPointF(40, 70)), Qt::ShiftModifier);
        QCOMPARE(d.canvas->selection().size(), 2);
        QCOMPARE(d.canvas->reference(), b);
        d.control.findChild<QAction *>(QStringLiteral("actSameWidth"))->trigger();
        QCOMPARE(d.document.element(a).rectMm.width(), 50.0);
    }

    // The panel: the element tab comes forward on a canvas selection; 示例 shows the text
    // with sample values; a line offers no fill; moving through the panel scrolls to it.
    void thePanelFollowsTheSelection()
    {
        Designer d;
        d.panel->tabs()->setCurrentIndex(1);
        const ElementId number = d.named("函编号");
        d.select(number);
        QCOMPARE(d.panel->tabs()->currentIndex(), 0);
        auto *example = d.child<QLabel>("lblInsertExample");
        QVERIFY(example->text().startsWith(QStringLiteral("示例：")));
        QVERIFY2(!example->text().contains(QLatin1Char('{')), qPrintable(example->text()));
        QVERIFY(example->text().contains(
            d.document.element(number).text.section(QLatin1Char('{'), 0, 0)));

        d.control.insertElement(ElementKind::Line);
        QVERIFY(d.child<QDoubleSpinBox>("spnPenWidth")->isVisibleTo(&d.control));
        QVERIFY(!d.child<QPushButton>("btnFillColour")->isVisibleTo(&d.control));
        QVERIFY(!d.child<QCheckBox>("chkNoFill")->isVisibleTo(&d.control));
        d.control.insertElement(ElementKind::Rectangle);
        QVERIFY(d.child<QPushButton>("btnFillColour")->isVisibleTo(&d.control));

        d.canvas->setZoomPercent(300);
        auto *top = d.child<QDoubleSpinBox>("spnTop");
        d.type(top, QStringLiteral("250"));
        QTest::keyClick(top, Qt::Key_Return);
        const QRectF r = d.document.element(d.canvas->selection()[0]).rectMm;
        QCOMPARE(r.top(), 250.0);
        const QRectF visible = d.canvas->mapToScene(d.canvas->viewport()->rect()).boundingRect();
        QVERIFY(visible.intersects(
            QRectF(r.topLeft() * PageUnits::PerMm, r.size() * PageUnits::PerMm)));
    }

    // 横向 shows the page's width and height as it lies; typing them keeps the turn.
    void landscapeShowsTheTurnedSize()
    {
        Designer d;
        d.panel->tabs()->setCurrentIndex(1);
        d.panel->findChild<QComboBox *>(QStringLiteral("cbbOrientation"))->activated(1);
        auto *width = d.panel->findChild<QDoubleSpinBox *>(QStringLiteral("spnPaperWidth"));
        auto *height = d.panel->findChild<QDoubleSpinBox *>(QStringLiteral("spnPaperHeight"));
        QCOMPARE(width->value(), 297.0);
        QCOMPARE(height->value(), 210.0);
        d.type(width, QStringLiteral("300"));
        QTest::keyClick(width, Qt::Key_Return);
        const PageSetup &page = d.document.reportTemplate().page;
        QVERIFY(page.landscape);
        QCOMPARE(page.pageWidthMm(), 300.0);
        QCOMPARE(page.pageHeightMm(), 210.0);
    }

    // The detail band is set in the page tab, one undo step each, drawn on the canvas, and
    // cleared by its button.
    void detailBandSetDrawnAndCleared()
    {
        Designer d;
        d.panel->tabs()->setCurrentIndex(1);
        auto *top = d.child<QDoubleSpinBox>("spnBandTop");
        auto *height = d.child<QDoubleSpinBox>("spnBandHeight");
        auto *clear = d.child<QPushButton>("btnClearBand");
        QVERIFY(!clear->isEnabled());
        auto tinted = [&] {
            d.canvas->centerOn(QPointF(105, 120) * PageUnits::PerMm);
            QCoreApplication::processEvents();
            const QImage shot = d.canvas->viewport()->grab().toImage();
            int found = 0;
            for (int y = 0; y < shot.height(); y += 2)
                for (int x = 0; x < shot.width(); x += 2)
                    found += shot.pixel(x, y) == qRgb(0xff, 0xf4, 0xc8);
            return found;
        };
        QCOMPARE(tinted(), 0);
        d.type(top, QStringLiteral("100"));
        QTest::keyClick(top, Qt::Key_Return);
        QVERIFY(!d.document.reportTemplate().band.isSet()); // no height yet: no band
        d.type(height, QStringLiteral("12"));
        QTest::keyClick(height, Qt::Key_Return);
        QCOMPARE(d.document.reportTemplate().band, (DetailBand{100, 12}));
        QVERIFY(clear->isEnabled());
        QVERIFY(tinted() > 100);
        d.document.undoStack()->undo();
        QVERIFY(!d.document.reportTemplate().band.isSet() ||
                d.document.reportTemplate().band.heightMm < 12);
        d.document.undoStack()->redo();
        QCOMPARE(d.document.reportTemplate().band, (DetailBand{100, 12}));
        clear->click();
        QVERIFY(!d.document.reportTemplate().band.isSet());
        QCOMPARE(height->value(), 0.0);
        QCOMPARE(tinted(), 0);
    }

    // 回函区 on elements: one click marks every selected element, one undo step; the canvas
    // shades them and says so under the pointer.
    void replyAreaMarksTheSelectionInOneStep()
    {
        Designer d(plainPage());
        const ElementId first = d.named("甲"), second = d.named("乙"), text = d.named("丙");
        QCOMPARE(replyShaded(d.canvas, QPointF(85, 50)), 0);
        d.select(first);
        click(d.canvas, viewPointOf(d.canvas, QPointF(120, 50)), Qt::ShiftModifier);
        QCOMPARE(d.canvas->selection().size(), 2);
        auto *check = d.child<QCheckBox>("chkReplyArea");
        QVERIFY(check->isVisible());
        QCOMPARE(check->checkState(), Qt::Unchecked);
        const QPoint indicator(6, check->height() / 2); // its box, wherever the row ends
        QTest::mouseClick(check, Qt::LeftButton, {}, indicator);
        QCOMPARE(d.document.undoStack()->count(), 1);
        QVERIFY(d.document.element(first).replyArea);
        QVERIFY(d.document.element(second).replyArea);
        QVERIFY(!d.document.element(text).replyArea);
        QVERIFY(replyShaded(d.canvas, QPointF(85, 50)) > 100);

        QHelpEvent help(QEvent::ToolTip, viewPointOf(d.canvas, QPointF(50, 50)),
                        d.canvas->viewport()->mapToGlobal(viewPointOf(d.canvas, QPointF(50, 50))));
        QCoreApplication::sendEvent(d.canvas->viewport(), &help);
        QCOMPARE(QToolTip::text(), DesignCanvas::ReplyAreaTip);
        QToolTip::hideText();

        // One marked, one not: the box shows both, and a click marks both.
        d.document.undoStack()->undo();
        QCOMPARE(replyShaded(d.canvas, QPointF(85, 50)), 0);
        d.canvas->setSelection({first});
        QTest::mouseClick(check, Qt::LeftButton, {}, indicator);
        QVERIFY(d.document.element(first).replyArea && !d.document.element(second).replyArea);
        d.canvas->setSelection({first, second});
        QCOMPARE(check->checkState(), Qt::PartiallyChecked);
        QTest::mouseClick(check, Qt::LeftButton, {}, indicator);
        QVERIFY(d.document.element(first).replyArea && d.document.element(second).replyArea);
    }

    // Free 回函区 in the page tab: added, moved and sized by number and removed, each one
    // undo step; a size past the paper is taken in as far as the paper goes.
    void freeReplyAreasAreEditedInThePageTab()
    {
        Designer d(plainPage());
        d.panel->tabs()->setCurrentIndex(1);
        auto *list = d.child<QListWidget>("lstReplyAreas");
        auto *left = d.child<QDoubleSpinBox>("spnReplyAreaLeft");
        auto *width = d.child<QDoubleSpinBox>("spnReplyAreaWidth");
        auto *add = d.child<QPushButton>("btnAddReplyArea");
        auto *remove = d.child<QPushButton>("btnRemoveReplyArea");
        const auto areas = [&] { return d.document.reportTemplate().replyAreas; };
        QCOMPARE(list->count(), 0);
        QVERIFY(!remove->isEnabled() && !left->isEnabled());

        add->click();
        QCOMPARE(areas(), (QList<QRectF>{QRectF(85, 128.5, 40, 40)}));
        QCOMPARE(list->count(), 1);
        QVERIFY(remove->isEnabled() && left->isEnabled());
        QCOMPARE(left->value(), 85.0);
        QVERIFY(replyShaded(d.canvas, QPointF(105, 148)) > 100);

        d.type(left, QStringLiteral("115"));
        QTest::keyClick(left, Qt::Key_Return);
        QCOMPARE(areas(), (QList<QRectF>{QRectF(115, 128.5, 40, 40)}));
        d.type(width, QStringLiteral("500"));
        QTest::keyClick(width, Qt::Key_Return);
        QCOMPARE(areas(), (QList<QRectF>{QRectF(115, 128.5, 95, 40)}));
        QCOMPARE(width->value(), 95.0);
        QCOMPARE(list->item(0)->text(), QStringLiteral("左 115，上 128.5，宽 95，高 40 毫米"));
        QCOMPARE(d.document.undoStack()->count(), 3);

        // A second area is edited alone.
        add->click();
        QCOMPARE(list->currentRow(), 1);
        d.type(left, QStringLiteral("20"));
        QTest::keyClick(left, Qt::Key_Return);
        QCOMPARE(areas(), (QList<QRectF>{QRectF(115, 128.5, 95, 40), QRectF(20, 128.5, 40, 40)}));
        list->setCurrentRow(0);
        QCOMPARE(left->value(), 115.0);
        remove->click();
        QCOMPARE(areas(), (QList<QRectF>{QRectF(20, 128.5, 40, 40)}));

        d.document.undoStack()->undo();
        QCOMPARE(areas().size(), 2);
        d.document.undoStack()->undo();
        d.document.undoStack()->undo();
        d.document.undoStack()->undo();
        QCOMPARE(areas(), (QList<QRectF>{QRectF(115, 128.5, 40, 40)}));
        QCOMPARE(list->item(0)->text(), QStringLiteral("左 115，上 128.5，宽 40，高 40 毫米"));
    }

    // Removing a field in use, or one the owner's run needs, asks first and names the uses.
    void removingAFieldInUseAsksFirst()
    {
        Designer d;
        SampleData data = d.canvas->sampleData();
        data.requiredFields = {QStringLiteral("客户单位")};
        d.control.setSampleData(data);
        d.panel->tabs()->setCurrentIndex(2);
        auto *fields = d.panel->findChild<QTableWidget *>(QStringLiteral("tblFields"));
        fields->selectRow(0);
        d.prompts.answerOk = false;
        d.panel->findChild<QPushButton *>(QStringLiteral("btnRemoveField"))->click();
        const QString question = d.prompts.shown.last().text;
        QVERIFY2(question.contains(QStringLiteral("打印时需要字段“客户单位”")),
                 qPrintable(question));
        QVERIFY2(question.contains(QStringLiteral("个元素引用了字段")), qPrintable(question));
        QCOMPARE(d.document.reportTemplate().fields.size(), 5);
    }

    // The page opens at the width of the view; the zoom chosen last is the next one's.
    void theZoomIsFitWidthThenTheLastChosen()
    {
        {
            Designer d(shippedLetter(), false);
            // The page with its desk margins spans the view's width, less a scroll bar.
            const auto deskWidth = [&] {
                const QRectF desk = d.canvas->sceneRect();
                return d.canvas->mapFromScene(desk.topRight()).x() -
                       d.canvas->mapFromScene(desk.topLeft()).x();
            };
            const int view = d.canvas->viewport()->width();
            QTRY_VERIFY2(deskWidth() <= view && deskWidth() > view - 40,
                         qPrintable(QStringLiteral("%1 of %2").arg(deskWidth()).arg(view)));
            // The letter's head is in view, not its middle.
            QVERIFY(d.canvas->mapFromScene(QPointF(0, 0)).y() >= 0);
            auto *zoom = d.child<QComboBox>("cbbDesignZoom");
            zoom->activated(zoom->findText(QStringLiteral("150%")));
        }
        Designer again(shippedLetter(), false);
        QTRY_COMPARE(again.canvas->zoomPercent(), 150.0);
    }
};

int main(int argc, char *argv[])
{
    Application app(argc, argv);
    QStandardPaths::setTestModeEnabled(true); // remembered zoom and folders stay out of ~/.config
    app.setQuitOnLastWindowClosed(false);
    FontSetup::install();
    TestDesignerCanvas test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_designer_canvas.moc"

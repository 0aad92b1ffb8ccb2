// The template designer window and its control as a user meets them: opened from the main
// window, edited with mouse and keys, saved back to the file it loaded, and printed.

#include "app/Application.h"
#include "app/TemplateChooser.h"
#include "app/Tfrmmain.h"
#include "designer/TfrmDesign.h"
#include "engine/PageRenderer.h"
#include "engine/PageUnits.h"
#include "engine/ReportComponent.h"
#include "engine/ReportEngine.h"
#include "engine/designer/DesignCanvas.h"
#include "engine/designer/DesignOperations.h"
#include "engine/designer/DesignerControl.h"
#include "engine/designer/PropertyPanel.h"
#include "platform/FontSetup.h"
#include "report/LetterRun.h"
#include "report/TemplateLocations.h"
#include "support/DesignerEvents.h"
#include "support/FakePrompts.h"
#include "support/PreviewCatcher.h"
#include "support/ProgramTemplates.h"
#include "support/TestData.h"
#include "table/StringGridModel.h"

#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUndoStack>

namespace {

TfrmDesign *openDesigner(Tfrmmain &window)
{
    window.btnDesign->click();
    TfrmDesign *design = frmDesign;
    if (design && !QTest::qWaitForWindowExposed(design))
        return nullptr;
    QCoreApplication::processEvents();
    return design;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void retitle(TfrmDesign *design, const QString &title)
{
    DesignerControl *control = design->GRDesigner1;
    const ElementId id = elementNamed(control, QStringLiteral("标题"));
    ReportElement element = control->document().element(id);
    element.text = title;
    control->document().changeElements({{id, element}}, QStringLiteral("修改文字"));
}

// A template the test makes in the program directory: gone before and after.
struct TemplateMadeByTest
{
    QString path;
    explicit TemplateMadeByTest(const QString &name)
        : path(programDirectory() + name + QStringLiteral(".grf"))
    {
        QFile::remove(path);
    }
    ~TemplateMadeByTest() { QFile::remove(path); }
};

// A template file with nothing in it: a design begun from nothing.
QString blankTemplate(const QString &name)
{
    const QString file = programDirectory() + name + QStringLiteral(".grf");
    ReportEngine engine;
    engine.setReportTemplate(ReportTemplate());
    engine.SaveTemplateFile(file);
    return file;
}

// A designer on a template without elements or fields, under the chooser's empty name.
DesignerControl *designerOnBlankTemplate(Tfrmmain &window)
{
    window.cbb1->setCurrentIndex(-1);
    blankTemplate(QString());
    TfrmDesign *design = openDesigner(window);
    return design ? design->GRDesigner1 : nullptr;
}

// The shipped sample workbook imported by the main window's command.
void importSample(Tfrmmain &window, FakePrompts &prompts)
{
    prompts.openAnswers = {qEnvironmentVariable("PROGRAM_DIR") + QStringLiteral("/导入模板.xls")};
    window.btnImport->click();
}

QString pdfText(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The main window with the shipped letters beside it and a designer open on the first.
struct DesignerOnShippedLetter
{
    TemplatesInProgramDirectory templates;
    FakePrompts prompts;
    Tfrmmain window;
    TfrmDesign *design = nullptr;
    DesignerOnShippedLetter()
    {
        window.show();
        design = openDesigner(window);
    }
};

// The folders of an installed program in a temporary root: the program's, the shipped
// templates' and the user's, each with its trailing separator.
struct InstalledFolders
{
    QTemporaryDir root;
    QString program = root.filePath(QStringLiteral("usr/bin/"));
    QString shipped = root.filePath(QStringLiteral("usr/share/roviradavev/"));
    QString user = root.filePath(QStringLiteral("home/templates/"));
    InstalledFolders()
    {
        for (const QString &folder : {program, shipped, user})
            QDir().mkpath(folder);
    }
    // Puts the build's template file of that name among the shipped ones.
    bool ship(const QString &fileName) const
    {
        return QFile::copy(qEnvironmentVariable("PROGRAM_DIR") + QLatin1Char('/') + fileName,
                           shipped + fileName);
    }
};

} // namespace

class TestDesignerWindow : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<TfrmDesign *>(w))
                w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(Application::escapedErrors(), 0);
    }

    void designCommandOpensAWindowOnTheChosenTemplate()
    {
        TemplatesInProgramDirectory templates;
        FakePrompts prompts;
        Tfrmmain window;
        window.show();
        TfrmDesign *first = openDesigner(window);
        QVERIFY(first);
        QCOMPARE(first->windowTitle(), QStringLiteral("模板设计器"));
        QVERIFY(first->windowState() & Qt::WindowMaximized);
        QCOMPARE(first->mniN1->title(), QStringLiteral("文件(&F)"));
        // 恢复默认模板 is there only where the program is installed.
        QList<QAction *> items = first->mniN1->actions();
        items.removeIf([](QAction *item) { return !item->isVisible(); });
        QCOMPARE(items.size(), 2);
        QCOMPARE(items[0], first->mniN2);
        QCOMPARE(items[0]->text(), QStringLiteral("保存"));
        QCOMPARE(items[1]->text(), QStringLiteral("退出"));
        QVERIFY(items[0]->shortcut().isEmpty() && items[1]->shortcut().isEmpty());
        QCOMPARE(first->GRDesigner1->objectName(), QStringLiteral("GRDesigner1"));
        QCOMPARE(first->Report->objectName(), QStringLiteral("Report"));
        QCOMPARE(first->templateFile(), templates.copied[0]);
        ReportEngine engine;
        engine.LoadTemplateFile(templates.copied[0]);
        QCOMPARE(first->GRDesigner1->document().reportTemplate(), engine.reportTemplate());
        QVERIFY(first->GRDesigner1->findChild<QLabel *>(QStringLiteral("lblDesignName"))
                    ->text()
                    .contains(QStringLiteral("应收帐款确认函.grf")));
        QTRY_VERIFY(first->GRDesigner1->canvas()->hasFocus());
        QVERIFY(prompts.shown.isEmpty());

        // Every command opens one more window; the main window stays usable beside them.
        TfrmDesign *second = openDesigner(window);
        QVERIFY(second && second != first);
        QCOMPARE(frmDesign, second);
        second->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(frmDesign, nullptr);
        window.btnAbout->click();
        QCOMPARE(prompts.shown.last().caption, QStringLiteral("关于"));
    }

    void menuAndDesignerSaveAlikeToTheLoadedFile()
    {
        DesignerOnShippedLetter session;
        auto &[templates, prompts, window, design] = session;
        retitle(design, QStringLiteral("企业询证函（改）"));
        QVERIFY(design->GRDesigner1->findChild<QLabel *>(QStringLiteral("lblModified"))
                    ->text()
                    .contains(QStringLiteral("已修改")));
        design->mniN2->trigger();
        QCOMPARE(prompts.shown.size(), 1);
        QCOMPARE(prompts.shown[0].kind, QStringLiteral("inform"));
        QCOMPARE(prompts.shown[0].caption, QStringLiteral("提示"));
        QCOMPARE(prompts.shown[0].text, QStringLiteral("打印模板已保存！"));
        const QByteArray fromMenu = fileBytes(templates.copied[0]);
        QVERIFY(fromMenu.contains("企业询证函（改）"));
        QVERIFY(design->GRDesigner1->findChild<QLabel *>(QStringLiteral("lblModified"))
                    ->text()
                    .isEmpty());

        QFile::remove(templates.copied[0]);
        QTest::keyClick(design->GRDesigner1->canvas(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(prompts.shown.size(), 2);
        QCOMPARE(prompts.shown[1].text, QStringLiteral("打印模板已保存！"));
        QCOMPARE(fileBytes(templates.copied[0]), fromMenu);
        design->GRDesigner1->findChild<QAction *>(QStringLiteral("actSave"))->trigger();
        QCOMPARE(prompts.shown.size(), 3);
        QCOMPARE(fileBytes(templates.copied[0]), fromMenu);
    }

    void anEditedTemplatePrintsItsChange()
    {
        DesignerOnShippedLetter session;
        auto &[templates, prompts, window, design] = session;
        retitle(design, QStringLiteral("往来款项询证函"));
        design->mniN2->trigger();
        QCOMPARE(prompts.errors(), QStringList());

        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("letters.pdf"));
        QProcess batch;
        batch.start(qEnvironmentVariable("PROGRAM_DIR") + QStringLiteral("/roviradavev-batch"),
                    {QStringLiteral("print"),
                     qEnvironmentVariable("PROGRAM_DIR") + QStringLiteral("/导入模板.xls"),
                     QStringLiteral("--template"), templates.copied[0], QStringLiteral("--pdf"),
                     pdf});
        QVERIFY(batch.waitForFinished(60000));
        QCOMPARE(batch.exitCode(), 0);
        const QString text = pdfText(pdf);
        QCOMPARE(text.count(QStringLiteral("往来款项询证函")), 12);
        QCOMPARE(text.count(QStringLiteral("企业询证函")), 0);
    }

    void twoWindowsEachSaveTheirOwnTemplate()
    {
        TemplatesInProgramDirectory templates;
        FakePrompts prompts;
        Tfrmmain window;
        window.show();
        TfrmDesign *receivable = openDesigner(window);
        window.cbb1->setCurrentIndex(1);
        TfrmDesign *advance = openDesigner(window);
        QCOMPARE(advance->templateFile(), templates.copied[1]);
        // The chooser has moved on: the first window still saves to the file it loaded.
        retitle(receivable, QStringLiteral("应收甲"));
        receivable->mniN2->trigger();
        retitle(advance, QStringLiteral("预收乙"));
        advance->mniN2->trigger();
        QVERIFY(fileBytes(templates.copied[0]).contains("应收甲"));
        QVERIFY(!fileBytes(templates.copied[0]).contains("预收乙"));
        QVERIFY(fileBytes(templates.copied[1]).contains("预收乙"));

        receivable->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        retitle(advance, QStringLiteral("预收丙"));
        advance->mniN2->trigger();
        QVERIFY(fileBytes(templates.copied[1]).contains("预收丙"));
        QCOMPARE(prompts.errors(), QStringList());
    }

    void aMissingTemplateIsCreatedByTheFirstSave()
    {
        FakePrompts prompts;
        Tfrmmain window;
        window.show();
        window.cbb1->setCurrentIndex(-1); // no entry: the name is empty, the file ".grf"
        const QString file = programDirectory() + QStringLiteral(".grf");
        QFile::remove(file);
        TfrmDesign *design = openDesigner(window);
        QVERIFY(prompts.shown.isEmpty());
        // The starter letter, which prints as it is, and a word of where it will be saved.
        const ReportTemplate starter = design->GRDesigner1->document().reportTemplate();
        QCOMPARE(starter.fields.size(), 4);
        for (const QString &field : LetterRun::sampleFields().requiredFields)
            QVERIFY2(
                !DesignOperations::usesOfField(design->GRDesigner1->document(), field).isEmpty(),
                qPrintable(field));
        QVERIFY(design->GRDesigner1->findChild<QLabel *>(QStringLiteral("lblNotice"))
                    ->text()
                    .contains(QStringLiteral("首次保存时将创建")));
        QVERIFY(!design->GRDesigner1->isModified());
        design->GRDesigner1->insertElement(ElementKind::Text);
        design->mniN2->trigger();
        QCOMPARE(prompts.shown.last().text, QStringLiteral("打印模板已保存！"));
        QVERIFY(design->GRDesigner1->findChild<QLabel *>(QStringLiteral("lblNotice"))
                    ->text()
                    .isEmpty());
        ReportEngine engine;
        QVERIFY(engine.LoadTemplateFile(file));
        QCOMPARE(engine.reportTemplate().elements.size(), starter.elements.size() + 1);
        QFile::remove(file);
    }

    void aDamagedTemplateIsNeverOverwritten()
    {
        TemplatesInProgramDirectory templates;
        {
            QFile damaged(templates.copied[0]);
            QVERIFY(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
            damaged.write("{\"format\": \"roviradavev-template\", \"version\": 1, \"elements\": [");
        }
        const QByteArray before = fileBytes(templates.copied[0]);
        FakePrompts prompts;
        Tfrmmain window;
        window.show();
        TfrmDesign *design = openDesigner(window);
        QVERIFY(design && design->isVisible());
        QCOMPARE(prompts.errors().size(), 1);
        QVERIFY2(prompts.errors()[0].contains(QStringLiteral("已损坏")),
                 qPrintable(prompts.errors()[0]));
        QVERIFY(design->GRDesigner1->document().ids().isEmpty());
        design->GRDesigner1->insertElement(ElementKind::Rectangle);
        design->mniN2->trigger();
        QCOMPARE(prompts.errors().size(), 2);
        QVERIFY2(prompts.errors()[1].contains(QStringLiteral("不能保存")),
                 qPrintable(prompts.errors()[1]));
        QCOMPARE(fileBytes(templates.copied[0]), before);
    }

    void aFailedSaveNamesTheFileAndItsCause()
    {
        DesignerOnShippedLetter session;
        auto &[templates, prompts, window, design] = session;
        // A folder where the file should go cannot be written over.
        QFile::remove(templates.copied[0]);
        QVERIFY(QDir().mkdir(templates.copied[0]));
        prompts.confirmAnswer = true; // 覆盖 what is there now
        design->mniN2->trigger();
        QDir(templates.copied[0]).removeRecursively();
        QCOMPARE(prompts.errors().size(), 1);
        QVERIFY2(prompts.errors()[0].contains(QStringLiteral("应收帐款确认函.grf")),
                 qPrintable(prompts.errors()[0]));
        QVERIFY(!prompts.shown.last().text.contains(QStringLiteral("已保存")));
    }

    void clipboardBetweenTwoDesignerWindows()
    {
        TemplatesInProgramDirectory templates;
        FakePrompts prompts;
        Tfrmmain window;
        window.show();
        TfrmDesign *from = openDesigner(window);
        window.cbb1->setCurrentIndex(-1);
        blankTemplate(QString());
        TfrmDesign *to = openDesigner(window);
        QVERIFY(to->GRDesigner1->document().ids().isEmpty());

        DesignCanvas *source = from->GRDesigner1->canvas();
        // As a user would: the window is brought to the front before its keys count.
        from->activateWindow();
        QTRY_VERIFY(from->isActiveWindow());
        source->setSelection({elementNamed(from->GRDesigner1, QStringLiteral("函编号"))});
        QTest::keyClick(source, Qt::Key_C, Qt::ControlModifier);
        to->activateWindow();
        QTRY_VERIFY(to->isActiveWindow());
        QTest::keyClick(to->GRDesigner1->canvas(), Qt::Key_V, Qt::ControlModifier);
        const DesignDocument &pasted = to->GRDesigner1->document();
        QCOMPARE(pasted.ids().size(), 1);
        // The same element, where the user looks in the window it was pasted into.
        ReportElement expected = from->GRDesigner1->document().element(source->selection()[0]);
        const QRectF landed = pasted.element(pasted.ids()[0]).rectMm;
        QCOMPARE(landed.size(), expected.rectMm.size());
        expected.rectMm = landed;
        QCOMPARE(pasted.element(pasted.ids()[0]), expected);
        QCOMPARE(pasted.reportTemplate().fields.size(), 1); // the field it uses came along
        // Pasted again, it does not hide the first copy.
        QTest::keyClick(to->GRDesigner1->canvas(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(pasted.ids().size(), 2);
        QVERIFY(pasted.element(pasted.ids()[0]).rectMm != pasted.element(pasted.ids()[1]).rectMm);
        QCOMPARE(to->GRDesigner1->canvas()->selection(), QList<ElementId>{pasted.ids()[1]});
    }

    void keysWorkOnTheCanvas()
    {
        DesignerOnShippedLetter session;
        auto &[templates, prompts, window, design] = session;
        DesignerControl *control = design->GRDesigner1;
        DesignCanvas *canvas = control->canvas();
        DesignDocument &document = control->document();
        const ReportTemplate loaded = document.reportTemplate();
        QUndoStack *undo = document.undoStack();

        QTest::keyClick(canvas, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(canvas->selection().size(), document.ids().size());
        QTest::keyClick(canvas, Qt::Key_Escape);
        QVERIFY(canvas->selection().isEmpty());

        const ElementId title = elementNamed(control, QStringLiteral("标题"));
        canvas->setSelection({title});
        const QRectF start = document.element(title).rectMm;
        QTest::keyClick(canvas, Qt::Key_Right);
        QTest::keyClick(canvas, Qt::Key_Right);
        QTest::keyClick(canvas, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(document.element(title).rectMm.topLeft(), start.topLeft() + QPointF(2, 0.1));
        QCOMPARE(undo->count(), 1); // a run of nudges is one step
        QTest::keyClick(canvas, Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(document.element(title).rectMm.width(), start.width() + 1);

        QTest::keyClick(canvas, Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(document.ids().size(), loaded.elements.size() + 1);
        QTest::keyClick(canvas, Qt::Key_Delete);
        QCOMPARE(document.ids().size(), loaded.elements.size());
        canvas->setSelection({title});
        QTest::keyClick(canvas, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(document.ids().size(), loaded.elements.size() - 1);
        QTest::keyClick(canvas, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(document.ids().size(), loaded.elements.size());
        QTest::keyClick(canvas, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(document.ids().size(), loaded.elements.size() - 1);
        QTest::keyClick(canvas, Qt::Key_Y, Qt::ControlModifier); // nothing left to redo
        while (undo->canUndo())
            QTest::keyClick(canvas, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(document.reportTemplate(), loaded);
    }

    void dragsAreStepsAndLockedElementsStayPut()
    {
        DesignerOnShippedLetter session;
        auto &[templates, prompts, window, design] = session;
        DesignerControl *control = design->GRDesigner1;
        DesignCanvas *canvas = control->canvas();
        DesignDocument &document = control->document();
        canvas->setZoomPercent(100);
        const ElementId title = elementNamed(control, QStringLiteral("标题"));
        const QRectF start = document.element(title).rectMm;
        canvas->centerOn(start.center() * PageUnits::PerMm);
        QCoreApplication::processEvents();

        // About 30 mm to the right and 40 mm down; the grid takes it to whole 5 mm steps.
        const QPoint from = viewPointOf(canvas, start.center());
        drag(canvas, from,
             from + QPoint(canvas->mapFromScene(QPointF(3000, 4000)) -
                           canvas->mapFromScene(QPointF(0, 0))));
        const QRectF moved = document.element(title).rectMm;
        QVERIFY2(std::abs(moved.top() - start.top() - 40) <= 5,
                 qPrintable(QString::number(moved.top())));
        QVERIFY(std::abs(moved.left() - start.left() - 30) <= 5);
        QCOMPARE(document.undoStack()->count(), 1);
        const QPoint again = viewPointOf(canvas, moved.center());
        drag(canvas, again, again + QPoint(0, 40));
        QCOMPARE(document.undoStack()->count(), 2);
        document.undoStack()->undo();
        QCOMPARE(document.element(title).rectMm, moved);

        // A locked element: a drag leaves it, and a rubber band passes over it.
        document.bringToFront({title});
        ReportElement locked = document.element(title);
        locked.locked = true;
        document.changeElements({{title, locked}}, QStringLiteral("锁定"));
        const QPoint lockedAt = viewPointOf(canvas, moved.center());
        drag(canvas, lockedAt, lockedAt + QPoint(60, 60));
        QCOMPARE(document.element(title).rectMm, moved);
        QCOMPARE(canvas->selection(), QList<ElementId>{title}); // a click still selects it
        canvas->setSelection({});
        const QPoint outside = viewPointOf(canvas, moved.topLeft() - QPointF(3, 3));
        drag(canvas, outside, viewPointOf(canvas, moved.bottomRight() + QPointF(3, 3)));
        QVERIFY(!canvas->selection().contains(title));
    }

    void propertiesEditSeveralElementsAtOnce()
    {
        DesignerOnShippedLetter session;
        auto &[templates, prompts, window, design] = session;
        DesignerControl *control = design->GRDesigner1;
        DesignDocument &document = control->document();
        const QList<ElementId> two{elementNamed(control, QStringLiteral("标题")),
                                   elementNamed(control, QStringLiteral("正文"))};
        control->canvas()->setSelection(two);
        auto *size =
            control->propertyPanel()->findChild<QDoubleSpinBox *>(QStringLiteral("spnFontSize"));
        QVERIFY(size && size->isVisibleTo(control));
        QCOMPARE(size->text(), QStringLiteral("多个值")); // the two differ
        size->setFocus();
        QTest::keyClick(size, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(size, QStringLiteral("16"));
        QTest::keyClick(size, Qt::Key_Return);
        for (ElementId id : two)
            QCOMPARE(document.element(id).style.pointSize, 16.0);
        QCOMPARE(document.undoStack()->count(), 1); // typing in one box is one step
        auto *left =
            control->propertyPanel()->findChild<QDoubleSpinBox *>(QStringLiteral("spnLeft"));
        left->setFocus();
        QTest::keyClick(left, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(left, QStringLiteral("25"));
        QTest::keyClick(left, Qt::Key_Tab);
        QCOMPARE(document.undoStack()->count(), 2);
        for (ElementId id : two)
            QCOMPARE(document.element(id).rectMm.left(), 25.0);
        QVERIFY(!left->accessibleName().isEmpty() && !left->toolTip().isEmpty());
        for (QToolButton *button : control->findChildren<QToolButton *>())
            if (button->objectName().startsWith(QLatin1String("btn_")))
                QVERIFY2(!button->toolTip().isEmpty() && !button->accessibleName().isEmpty(),
                         qPrintable(button->objectName()));
    }

    void pageAndFieldsAreEditedInTheirTabs()
    {
        DesignerOnShippedLetter session;
        auto &[templates, prompts, window, design] = session;
        DesignerControl *control = design->GRDesigner1;
        DesignDocument &document = control->document();
        PropertyPanel *panel = control->propertyPanel();

        panel->tabs()->setCurrentIndex(1);
        auto *paper = panel->findChild<QComboBox *>(QStringLiteral("cbbPaper"));
        QVERIFY(paper);
        QCOMPARE(paper->currentText(), QStringLiteral("A4"));
        paper->activated(paper->findText(QStringLiteral("A5")));
        QCOMPARE(document.reportTemplate().page.widthMm, 148.0);
        document.undoStack()->undo();
        QCOMPARE(document.reportTemplate().page.widthMm, 210.0);
        QCOMPARE(paper->currentText(), QStringLiteral("A4"));

        panel->tabs()->setCurrentIndex(2);
        auto *fields = panel->findChild<QTableWidget *>(QStringLiteral("tblFields"));
        QVERIFY(fields);
        QCOMPARE(fields->rowCount(), 5);
        QCOMPARE(fields->item(0, 0)->text(), QStringLiteral("客户单位"));
        fields->selectRow(0);
        prompts.textAnswers = {QStringLiteral("往来单位")};
        panel->findChild<QPushButton *>(QStringLiteral("btnRenameField"))->click();
        QCOMPARE(document.reportTemplate().fields[0].name, QStringLiteral("往来单位"));
        QVERIFY(DesignOperations::usesOfField(document, QStringLiteral("客户单位")).isEmpty());
        QVERIFY(!DesignOperations::usesOfField(document, QStringLiteral("往来单位")).isEmpty());
        QCOMPARE(document.undoStack()->count(), 1);

        // A field in use is removed only after a warning.
        fields->selectRow(0);
        prompts.answerOk = false;
        panel->findChild<QPushButton *>(QStringLiteral("btnRemoveField"))->click();
        QCOMPARE(prompts.shown.last().kind, QStringLiteral("ask"));
        QCOMPARE(document.reportTemplate().fields.size(), 5);
        prompts.answerOk = true;
        panel->findChild<QPushButton *>(QStringLiteral("btnRemoveField"))->click();
        QCOMPARE(document.reportTemplate().fields.size(), 4);
        // A name already declared is refused with a clear message.
        fields->selectRow(0);
        prompts.textAnswers = {QStringLiteral("函编号")};
        panel->findChild<QPushButton *>(QStringLiteral("btnRenameField"))->click();
        QCOMPARE(prompts.errors(), QStringList{QStringLiteral("模板中已有名为“函编号”的字段.")});
    }

    void theFieldInserterDeclaresTheOwnersFields()
    {
        FakePrompts prompts;
        Tfrmmain window;
        window.show();
        importSample(window, prompts);
        DesignerControl *control = designerOnBlankTemplate(window);
        QCOMPARE(control->canvas()->sampleData().records.size(), 12);
        // A template begun from nothing: the amount in capitals, declared on first use.
        control->propertyPanel()->insertPlaceholder(QStringLiteral("应收金额"),
                                                    QStringLiteral("大写"));
        const ReportTemplate &made = control->document().reportTemplate();
        QCOMPARE(made.fields.size(), 1);
        QCOMPARE(made.fields[0].name, QStringLiteral("应收金额"));
        QCOMPARE(made.fields[0].type, FieldType::Number);
        QCOMPARE(made.elements.size(), 1);
        QCOMPARE(made.elements[0].text, QStringLiteral("{应收金额:大写}"));
        QCOMPARE(control->document().undoStack()->count(), 1);
        control->document().undoStack()->undo();
        QVERIFY(control->document().reportTemplate().fields.isEmpty());
        QFile::remove(programDirectory() + QStringLiteral(".grf"));
    }

    // The field list says where each field comes from and shows its value in the row shown.
    void theFieldListShowsEachFieldsColumn()
    {
        FakePrompts prompts;
        Tfrmmain window;
        window.show();
        importSample(window, prompts);
        DesignerControl *control = designerOnBlankTemplate(window);
        control->document().setFields({{QStringLiteral("客户单位"), FieldType::Text},
                                       {QStringLiteral("地址"), FieldType::Text},
                                       {QStringLiteral("传真"), FieldType::Text}},
                                      {}, QStringLiteral("添加字段"));
        PropertyPanel *panel = control->propertyPanel();
        panel->tabs()->setCurrentIndex(2);
        auto *fields = panel->findChild<QTableWidget *>(QStringLiteral("tblFields"));
        QVERIFY(fields);
        QCOMPARE(fields->rowCount(), 3);
        QCOMPARE(fields->item(0, 2)->text(), QStringLiteral("第 1 列"));
        QCOMPARE(fields->item(0, 3)->text(), QStringLiteral("北京华信科技有限公司"));
        QCOMPARE(fields->item(1, 2)->text(), QStringLiteral("列“地址”（第 6 列）"));
        QCOMPARE(fields->item(1, 3)->text(), QStringLiteral("北京市海淀区中关村大街 18 号"));
        QCOMPARE(fields->item(2, 2)->text(), QStringLiteral("表格中没有此列"));
        QCOMPARE(fields->item(2, 2)->foreground().color(), QColor(Qt::red));
        // Another row shown, another value.
        auto *record = control->findChild<QComboBox *>(QStringLiteral("cbbSampleRecord"));
        record->setCurrentIndex(1);
        record->activated(1);
        QCOMPARE(fields->item(1, 3)->text(), QStringLiteral("上海市浦东新区世纪大道 88 号"));
        QVERIFY(
            !panel->findChild<QLabel *>(QStringLiteral("lblFieldWarnings"))->isVisibleTo(panel));
        QFile::remove(programDirectory() + QStringLiteral(".grf"));
    }

    // The status line says how many rows of the table a selected text does not fit, and
    // shows the first of them.
    void theRowsATextDoesNotFitAreCounted()
    {
        TemplatesInProgramDirectory templates;
        FakePrompts prompts;
        Tfrmmain window;
        window.show();
        prompts.openAnswers = {testDataPath(QStringLiteral("workbooks/long_names.xlsx"))};
        window.btnImport->click();
        TfrmDesign *design = openDesigner(window);
        DesignerControl *control = design->GRDesigner1;
        auto *said = control->findChild<QLabel *>(QStringLiteral("lblRowsOverflow"));
        auto *show = control->findChild<QPushButton *>(QStringLiteral("btnShowOverflow"));
        QVERIFY(said && show);
        control->canvas()->setSelection({elementNamed(control, QStringLiteral("客户单位"))});
        QTRY_COMPARE(said->text(), QStringLiteral("2 行放不下这段文字：第 2 行、第 4 行"));
        QVERIFY(show->isVisibleTo(control));
        show->click();
        QCOMPARE(control->canvas()->record(), 1);
        QCOMPARE(control->findChild<QComboBox *>(QStringLiteral("cbbSampleRecord"))->currentIndex(),
                 1);
        // Another element, which fits every row: nothing to say.
        control->canvas()->setSelection({elementNamed(control, QStringLiteral("函编号"))});
        QTRY_VERIFY(said->text().isEmpty());
        QVERIFY(!show->isVisibleTo(control));
    }

    void textTypedInPlaceIsSaved()
    {
        DesignerOnShippedLetter session;
        auto &[templates, prompts, window, design] = session;
        DesignerControl *control = design->GRDesigner1;
        control->canvas()->setSelection({elementNamed(control, QStringLiteral("标题"))});
        control->setDesignerProperty18(true);
        QVERIFY(control->DesignerProperty18());
        auto *editor = control->findChild<QPlainTextEdit *>(QStringLiteral("inPlaceEditor"));
        QVERIFY(editor && editor->isVisible());
        editor->setPlainText(QStringLiteral("就地编辑的标题"));
        // The save ends the edit first, so what was typed is in the file.
        design->mniN2->trigger();
        QVERIFY(!control->DesignerProperty18());
        QVERIFY(fileBytes(templates.copied[0]).contains("就地编辑的标题"));
        QCOMPARE(control->document().undoStack()->count(), 1);
    }

    void overflowIsMarkedForTheChosenRecord()
    {
        FakePrompts prompts;
        Tfrmmain window;
        window.show();
        window.table()->setColCount(4);
        window.table()->setRowCount(3);
        window.table()->setCells(0, 1, QStringLiteral("短名"));
        window.table()->setCells(
            0, 2,
            QStringLiteral(
                "一个名字很长很长很长很长很长很长很长很长很长很长的客户单位有限责任公司"));
        DesignerControl *control = designerOnBlankTemplate(window);
        control->propertyPanel()->insertPlaceholder(QStringLiteral("客户单位"), QString());
        const ElementId id = control->document().ids().constFirst();
        ReportElement narrow = control->document().element(id);
        narrow.rectMm.setSize(QSizeF(40, 6)); // one line of 12-point text
        control->document().changeElements({{id, narrow}}, QStringLiteral("大小"));
        DesignCanvas *canvas = control->canvas();
        QCOMPARE(canvas->sampleData().records.size(), 2);
        canvas->setRecord(0);
        QVERIFY(!canvas->overflows(id));
        canvas->setRecord(1);
        QVERIFY(canvas->overflows(id));
        canvas->setShowSamples(false); // "{客户单位}" fits
        QVERIFY(!canvas->overflows(id));
        QFile::remove(programDirectory() + QStringLiteral(".grf"));
    }

    // Closing a modified designer asks; 保存 saves and closes, 取消 keeps it open, 不保存
    // closes and leaves the file alone. An unmodified one closes asking nothing.
    void closingAModifiedDesignerAsks_data()
    {
        QTest::addColumn<int>("how"); // 0 menu 退出, 1 close(), as the title bar does
        QTest::newRow("退出") << 0;
        QTest::newRow("title bar") << 1;
    }
    void closingAModifiedDesignerAsks()
    {
        QFETCH(int, how);
        DesignerOnShippedLetter session;
        auto &[templates, prompts, window, design] = session;
        const auto closeIt = [&, how] {
            if (how == 0)
                design->N1->trigger();
            else
                design->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        };
        const QByteArray before = fileBytes(templates.copied[0]);
        QPointer<TfrmDesign> alive(design);
        retitle(design, QStringLiteral("改过的标题"));
        prompts.saveAnswers = {Prompts::SaveChoice::Cancel};
        closeIt();
        QVERIFY(alive && alive->isVisible());
        QCOMPARE(prompts.shown.last().kind, QStringLiteral("save?"));
        QCOMPARE(prompts.shown.last().caption, QStringLiteral("提示"));
        QCOMPARE(prompts.shown.last().text,
                 QStringLiteral("模板“应收帐款确认函”已修改。是否保存？"));
        QCOMPARE(fileBytes(templates.copied[0]), before);

        prompts.saveAnswers = {Prompts::SaveChoice::Save};
        closeIt();
        QVERIFY(!alive);
        QCOMPARE(prompts.shown.last().text, QStringLiteral("打印模板已保存！"));
        QVERIFY(fileBytes(templates.copied[0]).contains("改过的标题"));

        // 不保存: closed, the file as it was; unmodified: nothing asked.
        TfrmDesign *second = openDesigner(window);
        alive = second;
        retitle(second, QStringLiteral("不要的标题"));
        prompts.saveAnswers = {Prompts::SaveChoice::Discard};
        design = second;
        closeIt();
        QVERIFY(!alive);
        QVERIFY(!fileBytes(templates.copied[0]).contains("不要的标题"));
        const qsizetype asked = prompts.shown.size();
        design = openDesigner(window);
        alive = design;
        closeIt();
        QVERIFY(!alive);
        QCOMPARE(prompts.shown.size(), asked);
    }

    // A save that fails on closing keeps the window and its edits.
    void aFailedSaveOnClosingKeepsTheWindow()
    {
        DesignerOnShippedLetter session;
        auto &[templates, prompts, window, design] = session;
        retitle(design, QStringLiteral("保不住的标题"));
        QFile::remove(templates.copied[0]);
        QVERIFY(QDir().mkdir(templates.copied[0]));
        prompts.confirmAnswer = true;
        prompts.saveAnswers = {Prompts::SaveChoice::Save};
        QPointer<TfrmDesign> alive(design);
        design->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QDir(templates.copied[0]).removeRecursively();
        QVERIFY(alive && alive->isVisible());
        QCOMPARE(prompts.errors().size(), 1);
        QVERIFY(design->GRDesigner1->isModified());
        prompts.saveAnswers = {Prompts::SaveChoice::Discard};
    }

    // The program's exit asks each modified designer in turn, before its own question;
    // 取消 anywhere keeps the program running.
    void exitingAsksEveryModifiedDesignerFirst()
    {
        TemplatesInProgramDirectory templates;
        FakePrompts prompts;
        Tfrmmain window;
        window.show();
        TfrmDesign *first = openDesigner(window);
        window.cbb1->setCurrentIndex(1);
        TfrmDesign *second = openDesigner(window);
        TfrmDesign *untouched = openDesigner(window);
        QVERIFY(untouched);
        retitle(first, QStringLiteral("甲"));
        retitle(second, QStringLiteral("乙"));
        QSignalSpy quits(qApp, &QCoreApplication::aboutToQuit);

        prompts.saveAnswers = {Prompts::SaveChoice::Discard, Prompts::SaveChoice::Cancel};
        window.btnExit->click();
        QStringList kinds;
        for (const FakePrompts::Shown &shown : prompts.shown)
            kinds.append(shown.kind);
        QCOMPARE(kinds, (QStringList{QStringLiteral("save?"), QStringLiteral("save?")}));
        QVERIFY(first->isVisible() && second->isVisible());

        // Both saved, then the exit question itself; cancelled there, all stay.
        prompts.shown.clear();
        prompts.saveAnswers = {Prompts::SaveChoice::Save, Prompts::SaveChoice::Save};
        prompts.answerOk = false;
        window.btnExit->click();
        kinds.clear();
        for (const FakePrompts::Shown &shown : prompts.shown)
            kinds.append(shown.kind);
        QCOMPARE(kinds, (QStringList{QStringLiteral("save?"), QStringLiteral("inform"),
                                     QStringLiteral("save?"), QStringLiteral("inform"),
                                     QStringLiteral("ask")}));
        QCOMPARE(prompts.shown.last().text, QStringLiteral("你确定退出软件吗？"));
        QVERIFY(fileBytes(templates.copied[0]).contains("甲"));
        QVERIFY(fileBytes(templates.copied[1]).contains("乙"));

        // The main window's own close asks the designers too, and 取消 keeps it open.
        retitle(first, QStringLiteral("丙"));
        prompts.saveAnswers = {Prompts::SaveChoice::Cancel};
        QVERIFY(!window.close());
        QVERIFY(window.isVisible());
        QCOMPARE(quits.count(), 0);
        prompts.saveAnswers = {Prompts::SaveChoice::Discard};
    }

    // Two windows on one file: the second save asks before it overwrites the first's.
    void aSaveNeverOverwritesAnotherWindowsUnasked()
    {
        DesignerOnShippedLetter session;
        auto &[templates, prompts, window, a] = session;
        TfrmDesign *b = openDesigner(window);
        QCOMPARE(b->templateFile(), a->templateFile());
        DesignDocument &inA = a->GRDesigner1->document();
        inA.removeElements({elementNamed(a->GRDesigner1, QStringLiteral("函编号"))},
                           QStringLiteral("删除"));
        a->mniN2->trigger();
        const QByteArray savedByA = fileBytes(templates.copied[0]);
        QVERIFY(!savedByA.contains("编号：{函编号}"));

        retitle(b, QStringLiteral("乙窗口"));
        prompts.confirmAnswer = false;
        b->mniN2->trigger();
        QCOMPARE(prompts.shown.last().kind, QStringLiteral("confirm:覆盖"));
        QCOMPARE(prompts.shown.last().text,
                 QStringLiteral("模板文件已被修改（可能是另一个设计窗口或程序）。是否覆盖？"));
        QCOMPARE(fileBytes(templates.copied[0]), savedByA);
        QVERIFY(b->GRDesigner1->isModified());
        // Saves in A go on unasked: A wrote what is there.
        retitle(a, QStringLiteral("甲窗口"));
        const qsizetype shown = prompts.shown.size();
        a->mniN2->trigger();
        QCOMPARE(prompts.shown.size(), shown + 1);
        QCOMPARE(prompts.shown.last().text, QStringLiteral("打印模板已保存！"));
        // 覆盖: B's design is written, and B's next save asks no more.
        prompts.confirmAnswer = true;
        b->mniN2->trigger();
        QVERIFY(fileBytes(templates.copied[0]).contains("乙窗口"));
        const qsizetype asked = prompts.shown.size();
        retitle(b, QStringLiteral("乙窗口二"));
        b->mniN2->trigger();
        QCOMPARE(prompts.shown.size(), asked + 1);
        prompts.saveAnswers = {Prompts::SaveChoice::Discard, Prompts::SaveChoice::Discard};
    }

    // The designer follows the main window's table: another import is offered at once,
    // and a chosen row beyond the new count falls back to the last row.
    void theSampleRowsFollowTheTable()
    {
        DesignerOnShippedLetter session;
        auto &[templates, prompts, window, design] = session;
        DesignerControl *control = design->GRDesigner1;
        auto *record = control->findChild<QComboBox *>(QStringLiteral("cbbSampleRecord"));
        importSample(window, prompts);
        QTRY_COMPARE(control->canvas()->sampleData().records.size(), 12);
        QCOMPARE(record->count(), 12);
        record->activated(10);
        QCOMPARE(control->canvas()->record(), 10);
        window.table()->setRowCount(4); // three data rows left
        window.table()->setCells(0, 3, QStringLiteral("新客户"));
        QTRY_COMPARE(control->canvas()->sampleData().records.size(), 3);
        QCOMPARE(control->canvas()->record(), 2);
        QCOMPARE(record->currentIndex(), 2);
        QCOMPARE(
            control->canvas()->sampleData().records[2].values.value(QStringLiteral("客户单位")),
            QVariant(QStringLiteral("新客户")));
    }

    // 另存为 writes under a new name in the template folder and goes on editing that file;
    // the chooser lists it after its two entries, and it prints.
    void saveAsWritesANewTemplateTheChooserOffers()
    {
        DesignerOnShippedLetter session;
        auto &[templates, prompts, window, design] = session;
        const TemplateMadeByTest made(QStringLiteral("甲所专用函"));
        const QString &copy = made.path;
        const QByteArray original = fileBytes(templates.copied[0]);
        retitle(design, QStringLiteral("甲所询证函"));
        prompts.textAnswers = {QStringLiteral("甲所专用函")};
        design->GRDesigner1->findChild<QAction *>(QStringLiteral("actSaveAs"))->trigger();
        QCOMPARE(prompts.errors(), QStringList());
        QCOMPARE(design->templateFile(), copy);
        QVERIFY(fileBytes(copy).contains("甲所询证函"));
        QCOMPARE(fileBytes(templates.copied[0]), original);
        QVERIFY(!design->GRDesigner1->isModified());
        retitle(design, QStringLiteral("甲所询证函二"));
        design->mniN2->trigger();
        QVERIFY(fileBytes(copy).contains("甲所询证函二"));
        QCOMPARE(fileBytes(templates.copied[0]), original);

        window.cbb1->showPopup();
        window.cbb1->hidePopup();
        QCOMPARE(window.cbb1->itemText(0), QStringLiteral("应收帐款确认函"));
        QCOMPARE(window.cbb1->itemText(1), QStringLiteral("预收帐款确认函"));
        const int at = window.cbb1->findText(QStringLiteral("甲所专用函"));
        QVERIFY(at >= 2);
        QCOMPARE(window.cbb1->currentIndex(), 0); // the default stays chosen
        window.cbb1->setCurrentIndex(at);
        const PreviewSeen seen = runAndCatchPreview([&] { window.btnPrint->click(); });
        QVERIFY(seen.shown);
        QCOMPARE(prompts.errors(), QStringList());

        // A name that cannot be a file name is refused.
        prompts.textAnswers = {QStringLiteral("a/b")};
        design->GRDesigner1->findChild<QAction *>(QStringLiteral("actSaveAs"))->trigger();
        QCOMPARE(prompts.errors().size(), 1);
        QVERIFY(prompts.errors()[0].contains(QStringLiteral("模板名称")));
    }

    // 新建 opens the starter letter under the name given, in a window of its own.
    void newOpensTheStarterLetterUnderItsName()
    {
        DesignerOnShippedLetter session;
        auto &[templates, prompts, window, design] = session;
        const TemplateMadeByTest fresh(QStringLiteral("新的询证函"));
        const QString &file = fresh.path;
        prompts.textAnswers = {QStringLiteral("新的询证函")};
        design->GRDesigner1->findChild<QAction *>(QStringLiteral("actNew"))->trigger();
        TfrmDesign *made = frmDesign;
        QVERIFY(made && made != design);
        QVERIFY(QTest::qWaitForWindowExposed(made));
        QCOMPARE(made->templateFile(), file);
        QCOMPARE(made->GRDesigner1->document().reportTemplate().fields.size(), 4);
        made->mniN2->trigger();
        QVERIFY(QFile::exists(file));
        // A name in use is refused.
        prompts.textAnswers = {QStringLiteral("应收帐款确认函")};
        design->GRDesigner1->findChild<QAction *>(QStringLiteral("actNew"))->trigger();
        QVERIFY(prompts.errors().last().contains(QStringLiteral("已存在")));
    }

    // 预览 shows the design as it is, unsaved edits included, with the table's rows, and
    // saves nothing.
    void previewShowsTheUnsavedDesignWithTheTablesRows()
    {
        DesignerOnShippedLetter session;
        auto &[templates, prompts, window, design] = session;
        importSample(window, prompts);
        const QByteArray before = fileBytes(templates.copied[0]);
        retitle(design, QStringLiteral("未保存的标题"));
        QString title;
        const PreviewSeen seen = runAndCatchPreview(
            [&] {
                design->GRDesigner1->findChild<QAction *>(QStringLiteral("actPreview"))->trigger();
            },
            [&](PreviewWindow &preview) {
                for (const ReportElement &e : preview.document().report.elements)
                    if (e.name == QStringLiteral("标题"))
                        title = e.text;
            });
        QVERIFY(seen.shown);
        QCOMPARE(seen.pages, 12);
        QCOMPARE(title, QStringLiteral("未保存的标题"));
        QCOMPARE(fileBytes(templates.copied[0]), before);
        QVERIFY(design->GRDesigner1->isModified());
        prompts.saveAnswers = {Prompts::SaveChoice::Discard};
    }

    void theCanvasDrawsWhatPrints()
    {
        DesignerOnShippedLetter session;
        auto &[templates, prompts, window, design] = session;
        DesignCanvas *canvas = design->GRDesigner1->canvas();
        const ReportTemplate &report = design->GRDesigner1->document().reportTemplate();
        const QSize size(840, 1188); // A4 at 4 pixels a millimetre
        const QRectF page(0, 0, PageUnits::fromMm(210), PageUnits::fromMm(297));

        QImage fromCanvas(size, QImage::Format_ARGB32);
        fromCanvas.fill(Qt::white);
        {
            QPainter painter(&fromCanvas);
            canvas->scene()->render(&painter, QRectF(QPointF(0, 0), size), page);
        }
        const ReportDocument document =
            SamplePreview::document(report, canvas->sampleData(), 0, true);
        PageRenderer renderer(document);
        QImage fromRenderer(size, QImage::Format_ARGB32);
        fromRenderer.fill(Qt::white);
        {
            QPainter painter(&fromRenderer);
            renderer.paintInto(painter, QRectF(QPointF(0, 0), size), 0);
        }
        int dark = 0, differing = 0;
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) {
                const int a = qGray(fromCanvas.pixel(x, y)), b = qGray(fromRenderer.pixel(x, y));
                dark += b < 128;
                differing += std::abs(a - b) > 64;
            }
        QVERIFY(dark > 5000);
        QVERIFY2(differing < dark / 50,
                 qPrintable(QStringLiteral("%1 of %2").arg(differing).arg(dark)));
    }

    // Where the designer saves a shipped letter: the user's folder where the program is
    // installed (the shipped file untouched, 恢复默认模板 offered and working), the program
    // folder where it may be written.
    void theDesignerSavesWhereTheLayoutSays()
    {
        const InstalledFolders folders;
        const QString &program = folders.program, &shipped = folders.shipped, &user = folders.user;
        const QString letter = QStringLiteral("应收帐款确认函.grf");
        QVERIFY(folders.ship(letter));
        const QByteArray shippedBytes = fileBytes(shipped + letter);
        FakePrompts prompts;
        {
            const TemplateLocations installed(program, shipped, user);
            TemplateLocations::setCurrent(&installed);
            const auto restore = qScopeGuard([] { TemplateLocations::setCurrent(nullptr); });
            Tfrmmain window;
            TfrmDesign *design = openDesigner(window);
            QVERIFY(design);
            QVERIFY(design->mniRestore->isVisible());
            QCOMPARE(design->templateFile(), user + letter);
            design->mniN2->trigger();
            QCOMPARE(prompts.shown.last().text, QStringLiteral("打印模板已保存！"));
            QVERIFY(QFileInfo::exists(user + letter));
            QCOMPARE(fileBytes(shipped + letter), shippedBytes);
            prompts.answerOk = true;
            design->mniRestore->trigger();
            QVERIFY(!QFileInfo::exists(user + letter));
            QCOMPARE(fileBytes(shipped + letter), shippedBytes);
            design->close();
        }
        {
            QVERIFY(QFile::copy(shipped + letter, program + letter));
            const TemplateLocations portable(program, shipped, user);
            TemplateLocations::setCurrent(&portable);
            const auto restore = qScopeGuard([] { TemplateLocations::setCurrent(nullptr); });
            Tfrmmain window;
            TfrmDesign *design = openDesigner(window);
            QVERIFY(design);
            QVERIFY(!design->mniRestore->isVisible());
            QCOMPARE(design->templateFile(), program + letter);
            design->mniN2->trigger();
            QVERIFY(!QFileInfo::exists(user + letter));
            design->close();
        }
    }

    // 恢复默认模板 and 另存为 act on the window's own template, never on the one the main
    // window's chooser names by then.
    void restoreActsOnTheWindowsOwnTemplate()
    {
        const InstalledFolders folders;
        const QString &shipped = folders.shipped, &user = folders.user;
        const QString receivable = QStringLiteral("应收帐款确认函.grf"),
                      advance = QStringLiteral("预收帐款确认函.grf");
        for (const QString &letter : {receivable, advance})
            QVERIFY(folders.ship(letter));
        QVERIFY(QFile::copy(shipped + advance, user + advance)); // the user's changed copy
        const QByteArray usersCopy = fileBytes(user + advance);
        const TemplateLocations installed(folders.program, shipped, user);
        TemplateLocations::setCurrent(&installed);
        const auto restore = qScopeGuard([] { TemplateLocations::setCurrent(nullptr); });
        FakePrompts prompts;
        Tfrmmain window;
        TfrmDesign *design = openDesigner(window);
        QVERIFY(design);
        window.cbb1->setCurrentIndex(1);

        QCOMPARE(design->templateName(), QStringLiteral("应收帐款确认函"));
        emit design->mniN1->aboutToShow();
        QVERIFY(!design->mniRestore->isEnabled()); // 应收 has no copy of the user's
        design->mniRestore->trigger();
        QCOMPARE(fileBytes(user + advance), usersCopy);
        QCOMPARE(design->templateFile(), user + receivable);
        QVERIFY(prompts.shown.isEmpty());

        emit design->GRDesigner1->saveAsRequested(); // answered with 取消
        QCOMPARE(prompts.shown.value(0).kind, QStringLiteral("text"));
        QCOMPARE(prompts.shown.value(0).text, QStringLiteral("应收帐款确认函（副本）"));

        // Once it has a copy of its own, it is that copy that goes.
        design->mniN2->trigger();
        emit design->mniN1->aboutToShow();
        QVERIFY(design->mniRestore->isEnabled());
        prompts.shown.clear();
        design->mniRestore->trigger();
        QVERIFY(prompts.shown.value(0).text.contains(QStringLiteral("“应收帐款确认函”")));
        QVERIFY(!QFileInfo::exists(user + receivable));
        QCOMPARE(fileBytes(user + advance), usersCopy);
        QCOMPARE(design->templateFile(), user + receivable);
        QVERIFY(!design->mniRestore->isEnabled());
        design->close();
    }

    // A shipped template gone from a portable folder: the designer says which and where, and
    // never saves a starter letter in the envelope's place.
    void aMissingShippedTemplateIsNamedNotReplaced()
    {
        QTemporaryDir program;
        for (const QString &name :
             {QStringLiteral("应收帐款确认函.grf"), QStringLiteral("信封.grf")})
            QVERIFY(QFile::copy(qEnvironmentVariable("PROGRAM_DIR") + QLatin1Char('/') + name,
                                program.filePath(name)));
        const TemplateLocations portable(program.path(), program.filePath(QStringLiteral("none")),
                                         program.filePath(QStringLiteral("user")));
        TemplateLocations::setCurrent(&portable);
        const auto restore = qScopeGuard([] { TemplateLocations::setCurrent(nullptr); });
        FakePrompts prompts;
        Tfrmmain window;
        window.cbb1->refreshEntries();
        const int envelope = window.cbb1->findText(QStringLiteral("信封"));
        QVERIFY(envelope >= 0);
        window.cbb1->setCurrentIndex(envelope);
        QVERIFY(QFile::rename(program.filePath(QStringLiteral("信封.grf")),
                              program.filePath(QStringLiteral("moved.txt"))));
        TfrmDesign *design = openDesigner(window);
        QVERIFY(design);
        QCOMPARE(prompts.errors().size(), 1);
        QVERIFY2(prompts.errors()[0].startsWith(
                     QStringLiteral("找不到程序自带的模板“信封.grf”，它应在文件夹“%1/”中")
                         .arg(program.path())),
                 qPrintable(prompts.errors()[0]));
        design->mniN2->trigger();
        QVERIFY(!QFileInfo::exists(program.filePath(QStringLiteral("信封.grf"))));
        design->close();
    }
};

int main(int argc, char *argv[])
{
    Application app(argc, argv);
    QStandardPaths::setTestModeEnabled(true); // remembered folders stay out of ~/.config
    app.setQuitOnLastWindowClosed(false);
    FontSetup::install();
    TestDesignerWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_designer_window.moc"

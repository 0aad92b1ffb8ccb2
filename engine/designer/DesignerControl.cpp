#include "DesignerControl.h"

#include "DesignCanvas.h"
#include "DesignOperations.h"
#include "DesignRuler.h"
#include "ElementClipboard.h"
#include "PropertyPanel.h"
#include "engine/ReportEngine.h"
#include "engine/TemplateText.h"
#include "platform/Guard.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QShowEvent>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUndoStack>
#include <QVBoxLayout>

namespace {

struct ZoomChoice
{
    const char *label;
    int percent; // 0: fit page, -1: fit width
};
const ZoomChoice kZooms[] = {{"适合页面", 0}, {"适合宽度", -1}, {"50%", 50},
                             {"75%", 75},     {"100%", 100},    {"150%", 150},
                             {"200%", 200},   {"300%", 300},    {"400%", 400}};

constexpr double kPasteOffsetMm = 5;

} // namespace

DesignerControl::DesignerControl(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("designerControl"));
    setAccessibleName(QStringLiteral("模板设计器"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_canvas = new DesignCanvas(m_document, this);
    m_panel = new PropertyPanel(m_document, *m_canvas, this);
    buildToolBars();
    layout->addWidget(m_tools);
    layout->addWidget(m_arrange);

    auto *splitter = new QSplitter(this);
    auto *canvasArea = new QWidget(splitter);
    auto *grid = new QGridLayout(canvasArea);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    auto *corner = new QWidget(canvasArea);
    corner->setFixedSize(20, 20);
    grid->addWidget(corner, 0, 0);
    grid->addWidget(new DesignRuler(*m_canvas, Qt::Horizontal, canvasArea), 0, 1);
    grid->addWidget(new DesignRuler(*m_canvas, Qt::Vertical, canvasArea), 1, 0);
    grid->addWidget(m_canvas, 1, 1);
    splitter->addWidget(canvasArea);
    splitter->addWidget(m_panel);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    layout->addWidget(splitter, 1);

    auto *status = new QWidget(this);
    status->setObjectName(QStringLiteral("designerStatus"));
    auto *statusLayout = new QHBoxLayout(status);
    statusLayout->setContentsMargins(6, 2, 6, 2);
    m_statusName = new QLabel(status);
    m_statusName->setObjectName(QStringLiteral("lblDesignName"));
    m_statusModified = new QLabel(status);
    m_statusModified->setObjectName(QStringLiteral("lblModified"));
    m_statusSelection = new QLabel(status);
    m_statusSelection->setObjectName(QStringLiteral("lblSelectionCount"));
    m_statusCursor = new QLabel(status);
    m_statusCursor->setObjectName(QStringLiteral("lblCursor"));
    statusLayout->addWidget(m_statusName);
    statusLayout->addWidget(m_statusModified);
    statusLayout->addStretch(1);
    statusLayout->addWidget(m_statusSelection);
    statusLayout->addWidget(m_statusCursor);
    layout->addWidget(status);

    connect(&m_document, &DesignDocument::modifiedChanged, this, &DesignerControl::updateStatus);
    connect(m_canvas, &DesignCanvas::selectionChanged, this, [this] {
        updateStatus();
        updateActions();
    });
    connect(m_canvas, &DesignCanvas::cursorMoved, this, [this](QPointF mm) {
        m_statusCursor->setText(
            QStringLiteral("X: %1 毫米  Y: %2 毫米").arg(mm.x(), 0, 'f', 1).arg(mm.y(), 0, 'f', 1));
    });
    connect(m_canvas, &DesignCanvas::zoomChanged, this, [this](double percent) {
        const QSignalBlocker blocker(m_zoom);
        m_zoom->setEditText(QStringLiteral("%1%").arg(qRound(percent)));
    });
    updateStatus();
    updateActions();
}

DesignerControl::~DesignerControl() = default;

QAction *DesignerControl::addCommand(QToolBar *bar, const char *name, const QString &text,
                                     const QString &tip, const QKeySequence &key,
                                     const std::function<void()> &run)
{
    auto *action = new QAction(text, this);
    action->setObjectName(QLatin1String(name));
    action->setToolTip(
        key.isEmpty()
            ? tip
            : QStringLiteral("%1（%2）").arg(tip, key.toString(QKeySequence::NativeText)));
    if (!key.isEmpty()) {
        action->setShortcut(key);
        // The keys work wherever the focus is inside the designer; an edit box that has
        // the focus keeps its own editing keys.
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
    }
    connect(action, &QAction::triggered, this, Guard::slot([this, run] {
                m_document.endGesture();
                run();
            }));
    if (bar) {
        bar->addAction(action);
        if (QWidget *button = bar->widgetForAction(action)) {
            button->setObjectName(QStringLiteral("btn_") + QLatin1String(name));
            button->setAccessibleName(tip);
        }
    }
    return action;
}

void DesignerControl::buildToolBars()
{
    m_tools = new QToolBar(QStringLiteral("工具"), this);
    m_tools->setObjectName(QStringLiteral("designerTools"));
    m_tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    addCommand(m_tools, "actSave", QStringLiteral("保存"), QStringLiteral("保存模板"),
               QKeySequence(Qt::CTRL | Qt::Key_S), [this] { emit saveReportRequested(); });
    m_tools->addSeparator();
    QUndoStack *undo = m_document.undoStack();
    QAction *undoAction =
        addCommand(m_tools, "actUndo", QStringLiteral("撤销"), QStringLiteral("撤销上一步"),
                   QKeySequence(Qt::CTRL | Qt::Key_Z), [this] {
                       m_canvas->finishTextEdit(true);
                       m_document.undoStack()->undo();
                   });
    QAction *redoAction =
        addCommand(m_tools, "actRedo", QStringLiteral("重做"), QStringLiteral("重做撤销的一步"),
                   QKeySequence(Qt::CTRL | Qt::Key_Y), [this] { m_document.undoStack()->redo(); });
    redoAction->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    connect(undo, &QUndoStack::canUndoChanged, undoAction, &QAction::setEnabled);
    connect(undo, &QUndoStack::canRedoChanged, redoAction, &QAction::setEnabled);
    connect(undo, &QUndoStack::undoTextChanged, undoAction, [undoAction](const QString &text) {
        undoAction->setToolTip(QStringLiteral("撤销：%1（Ctrl+Z）").arg(text));
    });
    undoAction->setEnabled(false);
    redoAction->setEnabled(false);
    m_tools->addSeparator();
    m_needSelection.append(addCommand(m_tools, "actCut", QStringLiteral("剪切"),
                                      QStringLiteral("剪切选中的元素"),
                                      QKeySequence(Qt::CTRL | Qt::Key_X), [this] { cut(); }));
    m_needSelection.append(addCommand(m_tools, "actCopy", QStringLiteral("复制"),
                                      QStringLiteral("复制选中的元素"),
                                      QKeySequence(Qt::CTRL | Qt::Key_C), [this] { copy(); }));
    addCommand(m_tools, "actPaste", QStringLiteral("粘贴"), QStringLiteral("粘贴元素或文字"),
               QKeySequence(Qt::CTRL | Qt::Key_V), [this] { paste(); });
    m_needSelection.append(addCommand(m_tools, "actDuplicate", QStringLiteral("再制"),
                                      QStringLiteral("复制一份选中的元素"),
                                      QKeySequence(Qt::CTRL | Qt::Key_D), [this] { duplicate(); }));
    m_needSelection.append(addCommand(m_tools, "actDelete", QStringLiteral("删除"),
                                      QStringLiteral("删除选中的元素"),
                                      QKeySequence(Qt::Key_Delete), [this] { deleteSelection(); }));
    addCommand(m_tools, "actSelectAll", QStringLiteral("全选"), QStringLiteral("选中全部元素"),
               QKeySequence(Qt::CTRL | Qt::Key_A), [this] { selectAll(); });
    m_tools->addSeparator();
    const struct
    {
        const char *name;
        const char *text;
        const char *tip;
        ElementKind kind;
    } inserts[] = {
        {"actInsertText", "文字", "插入文字（可嵌入字段）", ElementKind::Text},
        {"actInsertField", "字段", "插入字段框", ElementKind::Field},
        {"actInsertSystem", "系统变量", "插入页码、总页数或打印日期", ElementKind::SystemValue},
        {"actInsertLine", "线条", "插入线条", ElementKind::Line},
        {"actInsertRectangle", "矩形", "插入矩形", ElementKind::Rectangle},
        {"actInsertTable", "表格", "插入表格", ElementKind::Table},
        {"actInsertPicture", "图片", "插入图片（PNG、JPEG 或 SVG）", ElementKind::Picture},
    };
    for (const auto &insert : inserts) {
        const ElementKind kind = insert.kind;
        addCommand(m_tools, insert.name, QString::fromUtf8(insert.text),
                   QString::fromUtf8(insert.tip), {}, [this, kind] { insertElement(kind); });
    }

    m_arrange = new QToolBar(QStringLiteral("排列"), this);
    m_arrange->setObjectName(QStringLiteral("designerArrange"));
    m_arrange->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // Each arrangement: the values it gives the selection, as one undo step.
    using DesignOperations::Edge;
    using Values = DesignOperations::Values;
    using Ids = QList<ElementId>;
    const struct
    {
        const char *name;
        const char *text;
        const char *tip;
        const char *step;
        Values (*compute)(const DesignDocument &, const Ids &, ElementId reference);
    } arrangements[] = {
        {"actAlignLeft", "左对齐", "左边对齐", "对齐",
         [](const DesignDocument &d, const Ids &ids, ElementId) {
             return DesignOperations::aligned(d, ids, Edge::Left);
         }},
        {"actAlignRight", "右对齐", "右边对齐", "对齐",
         [](const DesignDocument &d, const Ids &ids, ElementId) {
             return DesignOperations::aligned(d, ids, Edge::Right);
         }},
        {"actAlignTop", "顶对齐", "上边对齐", "对齐",
         [](const DesignDocument &d, const Ids &ids, ElementId) {
             return DesignOperations::aligned(d, ids, Edge::Top);
         }},
        {"actAlignBottom", "底对齐", "下边对齐", "对齐",
         [](const DesignDocument &d, const Ids &ids, ElementId) {
             return DesignOperations::aligned(d, ids, Edge::Bottom);
         }},
        {"actAlignHCentre", "水平居中", "水平中线对齐", "对齐",
         [](const DesignDocument &d, const Ids &ids, ElementId) {
             return DesignOperations::aligned(d, ids, Edge::HorizontalCentre);
         }},
        {"actAlignVCentre", "垂直居中", "垂直中线对齐", "对齐",
         [](const DesignDocument &d, const Ids &ids, ElementId) {
             return DesignOperations::aligned(d, ids, Edge::VerticalCentre);
         }},
        {"actDistributeH", "水平等距", "水平方向等距分布（至少三个元素）", "等距分布",
         [](const DesignDocument &d, const Ids &ids, ElementId) {
             return DesignOperations::distributed(d, ids, Qt::Horizontal);
         }},
        {"actDistributeV", "垂直等距", "垂直方向等距分布（至少三个元素）", "等距分布",
         [](const DesignDocument &d, const Ids &ids, ElementId) {
             return DesignOperations::distributed(d, ids, Qt::Vertical);
         }},
        {"actSameWidth", "同宽", "与最后单击的元素同宽", "同宽",
         [](const DesignDocument &d, const Ids &ids, ElementId reference) {
             return DesignOperations::sameSize(d, ids, reference, Qt::Horizontal);
         }},
        {"actSameHeight", "同高", "与最后单击的元素同高", "同高",
         [](const DesignDocument &d, const Ids &ids, ElementId reference) {
             return DesignOperations::sameSize(d, ids, reference, Qt::Vertical);
         }},
    };
    for (const auto &arrangement : arrangements) {
        const auto compute = arrangement.compute;
        const QString step = QString::fromUtf8(arrangement.step);
        m_needSelection.append(addCommand(
            m_arrange, arrangement.name, QString::fromUtf8(arrangement.text),
            QString::fromUtf8(arrangement.tip), {}, [this, compute, step] {
                m_document.changeElements(
                    compute(m_document, m_canvas->selection(), m_canvas->reference()), step);
            }));
    }
    m_needSelection.append(addCommand(m_arrange, "actFront", QStringLiteral("置顶"),
                                      QStringLiteral("置于顶层"), {},
                                      [this] { m_document.bringToFront(m_canvas->selection()); }));
    m_needSelection.append(addCommand(m_arrange, "actBack", QStringLiteral("置底"),
                                      QStringLiteral("置于底层"), {},
                                      [this] { m_document.sendToBack(m_canvas->selection()); }));
    m_needSelection.append(
        addCommand(m_arrange, "actLock", QStringLiteral("锁定/解锁"),
                   QStringLiteral("锁定的元素不能移动，也不会被框选"), {}, [this] {
                       const QList<ElementId> &ids = m_canvas->selection();
                       bool allLocked = true;
                       for (ElementId id : ids)
                           allLocked = allLocked && m_document.element(id).locked;
                       QHash<ElementId, ReportElement> values;
                       for (ElementId id : ids) {
                           ReportElement element = m_document.element(id);
                           element.locked = !allLocked;
                           values.insert(id, element);
                       }
                       m_document.changeElements(values, allLocked ? QStringLiteral("解锁")
                                                                   : QStringLiteral("锁定"));
                   }));
    m_arrange->addSeparator();
    QAction *grid = addCommand(m_arrange, "actGrid", QStringLiteral("网格"),
                               QStringLiteral("显示网格并吸附到网格（5 毫米）"), {}, [] {});
    grid->setCheckable(true);
    grid->setChecked(true);
    connect(grid, &QAction::toggled, m_canvas, &DesignCanvas::setGridVisible);
    QAction *snap =
        addCommand(m_arrange, "actSnap", QStringLiteral("吸附"),
                   QStringLiteral("拖动时吸附到页边距和其他元素（按住 Alt 暂不吸附）"), {}, [] {});
    snap->setCheckable(true);
    snap->setChecked(true);
    connect(snap, &QAction::toggled, m_canvas, &DesignCanvas::setSnapping);

    m_zoom = new QComboBox(this);
    m_zoom->setObjectName(QStringLiteral("cbbDesignZoom"));
    m_zoom->setToolTip(QStringLiteral("缩放（Ctrl+滚轮）"));
    m_zoom->setAccessibleName(QStringLiteral("缩放"));
    m_zoom->setEditable(true);
    m_zoom->setInsertPolicy(QComboBox::NoInsert);
    for (const ZoomChoice &choice : kZooms)
        m_zoom->addItem(QString::fromUtf8(choice.label), choice.percent);
    connect(m_zoom, &QComboBox::activated, this, [this](int index) {
        const int percent = m_zoom->itemData(index).toInt();
        if (percent == 0)
            m_canvas->fitPage();
        else if (percent < 0)
            m_canvas->fitWidth();
        else
            m_canvas->setZoomPercent(percent);
    });
    connect(m_zoom->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        bool ok = false;
        const double percent =
            m_zoom->currentText().remove(QLatin1Char('%')).trimmed().toDouble(&ok);
        if (ok)
            m_canvas->setZoomPercent(percent);
    });
    m_arrange->addWidget(m_zoom);
    m_arrange->addSeparator();

    m_samples = addCommand(m_arrange, "actSamples", QStringLiteral("示例数据"),
                           QStringLiteral("在画布上显示示例数据，而不是字段名"), {}, [] {});
    m_samples->setCheckable(true);
    m_samples->setChecked(true);
    connect(m_samples, &QAction::toggled, m_canvas, &DesignCanvas::setShowSamples);
    m_record = new QComboBox(this);
    m_record->setObjectName(QStringLiteral("cbbSampleRecord"));
    m_record->setToolTip(QStringLiteral("画布上显示哪一条数据"));
    m_record->setAccessibleName(QStringLiteral("示例数据的记录"));
    m_record->setMinimumContentsLength(16);
    connect(m_record, &QComboBox::activated, m_canvas, &DesignCanvas::setRecord);
    m_arrange->addWidget(m_record);
}

void DesignerControl::updateActions()
{
    const bool any = !m_canvas->selection().isEmpty();
    for (QAction *action : std::as_const(m_needSelection))
        action->setEnabled(any);
}

void DesignerControl::updateStatus()
{
    m_statusName->setText(m_documentName.isEmpty()
                              ? QStringLiteral("模板")
                              : QStringLiteral("模板：%1").arg(m_documentName));
    m_statusModified->setText(m_document.isModified() ? QStringLiteral("（已修改）") : QString());
    const qsizetype count = m_canvas->selection().size();
    m_statusSelection->setText(count == 0 ? QString()
                                          : QStringLiteral("选中 %1 个元素").arg(count));
}

void DesignerControl::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    // Once laid out: the whole page in view and the keys going to the canvas.
    QTimer::singleShot(0, this, [this] {
        m_canvas->fitPage();
        m_canvas->setFocus(Qt::OtherFocusReason);
    });
    m_canvas->setFocus(Qt::OtherFocusReason);
}

void DesignerControl::AttachReport(ReportEngine &engine)
{
    m_engine = &engine;
    m_document.reset(engine.reportTemplate());
    m_canvas->setSelection({});
}

void DesignerControl::CommitDesign()
{
    m_canvas->finishTextEdit(true);
    if (m_engine)
        m_engine->setReportTemplate(m_document.reportTemplate());
}

bool DesignerControl::DesignerProperty18() const
{
    return m_canvas->isEditingText();
}

void DesignerControl::setDesignerProperty18(bool editing)
{
    if (!editing)
        m_canvas->finishTextEdit(true);
    else if (m_canvas->selection().size() == 1)
        m_canvas->startTextEdit(m_canvas->selection()[0]);
}

void DesignerControl::setSampleData(const SampleData &data)
{
    m_canvas->setSampleData(data);
    m_record->clear();
    for (const SampleRecord &record : data.records)
        m_record->addItem(record.label);
    if (data.records.isEmpty())
        m_record->addItem(QStringLiteral("（按字段类型显示示例）"));
    m_record->setCurrentIndex(m_canvas->record());
    m_panel->update();
}

void DesignerControl::setDocumentName(const QString &name)
{
    m_documentName = name;
    updateStatus();
}

void DesignerControl::markSaved()
{
    m_document.markSaved();
    updateStatus();
}

bool DesignerControl::isModified() const
{
    return m_document.isModified();
}

void DesignerControl::insertElement(ElementKind kind)
{
    const PageSetup &page = m_document.reportTemplate().page;
    // Each new element a little below and right of the last, so none hides another.
    const double step = 5.0 * double(m_document.ids().size() % 10);
    ReportElement element;
    element.kind = kind;
    QSizeF size(60, 8);
    QUndoStack *undo = m_document.undoStack();
    undo->beginMacro(QStringLiteral("插入"));
    switch (kind) {
    case ElementKind::Text:
        element.text = QStringLiteral("双击编辑文字");
        break;
    case ElementKind::Field: {
        const SampleData &data = m_canvas->sampleData();
        if (!m_document.reportTemplate().fields.isEmpty()) {
            element.field = m_document.reportTemplate().fields.first().name;
        } else if (!data.fields.isEmpty()) {
            element.field = data.fields.first().name;
            m_document.setFields({data.fields.first()}, {}, QStringLiteral("添加字段"));
        }
        size = QSizeF(40, 8);
        break;
    }
    case ElementKind::SystemValue:
        size = QSizeF(30, 8);
        break;
    case ElementKind::Line:
        size = QSizeF(60, 0);
        break;
    case ElementKind::Rectangle:
        size = QSizeF(40, 20);
        break;
    case ElementKind::Table:
        element.columnWidthsMm = {25, 25, 25};
        element.rowHeightsMm = {8, 8, 8};
        element.cells = QList<QList<TableCell>>(3, QList<TableCell>(3));
        size = QSizeF(75, 24);
        break;
    case ElementKind::Picture:
        size = QSizeF(30, 30);
        break;
    }
    element.rectMm = QRectF(QPointF(page.marginLeftMm + step, page.marginTopMm + step), size);
    const QList<ElementId> ids = m_document.insertElements({element}, QStringLiteral("插入"));
    undo->endMacro();
    m_canvas->setSelection(ids);
    m_canvas->setFocus();
    if (kind == ElementKind::Picture)
        m_panel->choosePicture();
}

void DesignerControl::deleteSelection()
{
    QList<ElementId> ids = m_canvas->selection();
    m_canvas->setSelection({});
    m_document.removeElements(ids, QStringLiteral("删除"));
}

void DesignerControl::selectAll()
{
    m_canvas->setSelection(m_document.ids());
}

void DesignerControl::copy()
{
    if (m_canvas->selection().isEmpty())
        return;
    QGuiApplication::clipboard()->setMimeData(
        ElementClipboard::toMime(DesignOperations::copies(m_document, m_canvas->selection(), {}),
                                 m_document.reportTemplate().fields));
}

void DesignerControl::cut()
{
    copy();
    deleteSelection();
}

void DesignerControl::paste()
{
    std::optional<ReportTemplate> part =
        ElementClipboard::fromMime(QGuiApplication::clipboard()->mimeData());
    if (!part || part->elements.isEmpty())
        return;
    // Where a pasted element would cover one of the same place exactly, all move on a bit.
    const auto covers = [&] {
        for (const ReportElement &pasted : std::as_const(part->elements))
            for (ElementId id : m_document.ids())
                if (m_document.element(id).rectMm == pasted.rectMm)
                    return true;
        return false;
    };
    for (int guard = 0; guard < 50 && covers(); ++guard)
        for (ReportElement &pasted : part->elements)
            pasted.rectMm.translate(kPasteOffsetMm, kPasteOffsetMm);
    for (ReportElement &pasted : part->elements)
        pasted.locked = false;

    QUndoStack *undo = m_document.undoStack();
    undo->beginMacro(QStringLiteral("粘贴"));
    QList<FieldDeclaration> fields = m_document.reportTemplate().fields;
    for (const FieldDeclaration &field : std::as_const(part->fields))
        if (m_document.reportTemplate().fieldIndex(field.name) < 0)
            fields.append(field);
    m_document.setFields(fields, {}, QStringLiteral("添加字段"));
    const QList<ElementId> ids = m_document.insertElements(part->elements, QStringLiteral("粘贴"));
    undo->endMacro();
    m_canvas->setSelection(ids);
}

void DesignerControl::duplicate()
{
    const QList<ElementId> ids =
        m_document.insertElements(DesignOperations::copies(m_document, m_canvas->selection(),
                                                           QPointF(kPasteOffsetMm, kPasteOffsetMm)),
                                  QStringLiteral("再制"));
    m_canvas->setSelection(ids);
}

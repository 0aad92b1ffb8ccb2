#include "DesignerControl.h"

#include "DesignCanvas.h"
#include "DesignOperations.h"
#include "DesignRuler.h"
#include "ElementClipboard.h"
#include "OverflowRows.h"
#include "PictureFile.h"
#include "PropertyPanel.h"
#include "engine/PageBounds.h"
#include "engine/PageUnits.h"
#include "engine/ReportEngine.h"
#include "platform/Guard.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QShowEvent>
#include <QSplitter>
#include <QTextDocument>
#include <QTimer>
#include <QToolBar>
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
constexpr int kFitWidth = -1;
const QString kZoomKey = QStringLiteral("designer/zoom");

constexpr double kPasteOffsetMm = 5;

// The size an element of that kind takes when it is placed without one.
QSizeF defaultSize(ElementKind kind)
{
    switch (kind) {
    case ElementKind::Field:
        return QSizeF(40, 8);
    case ElementKind::SystemValue:
        return QSizeF(30, 8);
    case ElementKind::Line:
        return QSizeF(60, 0);
    case ElementKind::Rectangle:
        return QSizeF(40, 20);
    case ElementKind::Table:
        return QSizeF(75, 24);
    case ElementKind::Picture:
        return QSizeF(30, 30);
    case ElementKind::Barcode:
        return QSizeF(20, 20);
    case ElementKind::Text:
        break;
    }
    return QSizeF(60, 8);
}

// A line dragged mostly along one axis lies on it.
QRectF lineRect(QRectF r)
{
    if (r.height() < r.width() / 4)
        r.setHeight(0);
    else if (r.width() < r.height() / 4)
        r.setWidth(0);
    return r;
}

bool isUndoKey(const QKeyEvent *key)
{
    return key->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_Z);
}

bool isRedoKey(const QKeyEvent *key)
{
    return key->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_Y) ||
           key->keyCombination() ==
               QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z);
}

} // namespace

struct DesignerControl::Command
{
    const char *name;
    const char *text;
    const char *tip;
    QKeySequence key;
    std::function<void()> run;
    bool needsSelection = false;
    bool inContextMenu = false;
};

DesignerControl::DesignerControl(QWidget *parent)
    : QWidget(parent), m_document(std::make_unique<DesignDocument>())
{
    setObjectName(QStringLiteral("designerControl"));
    setAccessibleName(QStringLiteral("模板设计器"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_canvas = new DesignCanvas(*m_document, this);
    m_panel = new PropertyPanel(*m_document, *m_canvas, this);
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
    const auto label = [status](const char *name) {
        auto *l = new QLabel(status);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    m_statusName = label("lblDesignName");
    m_statusModified = label("lblModified");
    m_statusNotice = label("lblNotice");
    m_statusSelection = label("lblSelectionCount");
    m_statusCursor = label("lblCursor");
    statusLayout->addWidget(m_statusName);
    statusLayout->addWidget(m_statusModified);
    statusLayout->addWidget(m_statusNotice);
    // An element moved off the page would vanish from the print without a word.
    m_statusOutside = label("lblOutsidePage");
    m_statusOutside->setStyleSheet(QStringLiteral("color: #c00000"));
    statusLayout->addWidget(m_statusOutside);
    m_statusOverflow = label("lblRowsOverflow");
    m_statusOverflow->setStyleSheet(QStringLiteral("color: #c00000"));
    statusLayout->addWidget(m_statusOverflow);
    m_showOverflow = new QPushButton(QStringLiteral("显示"), status);
    m_showOverflow->setObjectName(QStringLiteral("btnShowOverflow"));
    m_showOverflow->setToolTip(QStringLiteral("在画布上显示第一个放不下的行"));
    m_showOverflow->setAccessibleName(m_showOverflow->toolTip());
    m_showOverflow->hide();
    connect(m_showOverflow, &QPushButton::clicked, this, Guard::slot([this] {
                if (m_overflowRecords.isEmpty())
                    return;
                m_canvas->setRecord(m_overflowRecords.first());
                m_record->setCurrentIndex(m_overflowRecords.first());
                m_panel->refreshSamples();
            }));
    statusLayout->addWidget(m_showOverflow);
    statusLayout->addStretch(1);
    statusLayout->addWidget(m_statusSelection);
    statusLayout->addWidget(m_statusCursor);
    layout->addWidget(status);

    connect(m_document.get(), &DesignDocument::modifiedChanged, this,
            &DesignerControl::updateStatus);
    connect(m_document.get(), &DesignDocument::changed, this, [this] {
        m_statusOutside->setText(PageBounds::warning(m_document->reportTemplate()));
    });
    // Counting the rows a text does not fit lays out every row: once the edits pause.
    m_overflowTimer = new QTimer(this);
    m_overflowTimer->setSingleShot(true);
    m_overflowTimer->setInterval(150);
    connect(m_overflowTimer, &QTimer::timeout, this,
            Guard::slot(this, &DesignerControl::countOverflows));
    connect(m_document.get(), &DesignDocument::changed, m_overflowTimer,
            qOverload<>(&QTimer::start));
    connect(m_canvas, &DesignCanvas::selectionChanged, m_overflowTimer,
            qOverload<>(&QTimer::start));
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
    connect(m_canvas, &DesignCanvas::placeRequested, this, [this](ElementKind kind, QRectF rect) {
        Guard::run([&] {
            if (rect.isEmpty())
                rect.setSize(defaultSize(kind));
            insertElement(kind, kind == ElementKind::Line ? lineRect(rect) : rect);
        });
    });
    connect(m_canvas, &DesignCanvas::fieldDropped, this, [this](const QString &name, QPointF mm) {
        Guard::run([&] { insertField(name, mm); });
    });
    connect(m_canvas, &DesignCanvas::contextMenuRequested, this,
            [this](QPoint at) { contextMenu()->popup(at); });
    connect(m_canvas, &DesignCanvas::placingToolChanged, this, [this] {
        if (!m_canvas->placingTool())
            for (QAction *tool : m_insertTools->actions())
                tool->setChecked(false);
    });
    // Undo and redo keys reach the designer wherever the focus is inside it.
    qApp->installEventFilter(this);
    updateStatus();
    updateActions();
}

DesignerControl::~DesignerControl()
{
    qApp->removeEventFilter(this);
    // The widgets refer to the document: they go while it is still there.
    qDeleteAll(findChildren<QWidget *>(Qt::FindDirectChildrenOnly));
}

QAction *DesignerControl::addCommand(QToolBar *bar, const Command &command)
{
    auto *action = new QAction(QString::fromUtf8(command.text), this);
    action->setObjectName(QLatin1String(command.name));
    const QString tip = QString::fromUtf8(command.tip);
    action->setToolTip(
        command.key.isEmpty()
            ? tip
            : QStringLiteral("%1（%2）").arg(tip, command.key.toString(QKeySequence::NativeText)));
    if (!command.key.isEmpty()) {
        action->setShortcut(command.key);
        // The keys work wherever the focus is inside the designer; an edit box that has
        // the focus keeps its own editing keys.
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
    }
    const auto run = command.run;
    connect(action, &QAction::triggered, this, Guard::slot([this, run] {
                // A command never meets a drag or resize half done.
                m_canvas->cancelGesture();
                m_document->endGesture();
                run();
            }));
    if (bar) {
        bar->addAction(action);
        if (QWidget *button = bar->widgetForAction(action)) {
            button->setObjectName(QStringLiteral("btn_") + QLatin1String(command.name));
            button->setAccessibleName(tip);
        }
    }
    if (command.needsSelection)
        m_needSelection.append(action);
    if (command.inContextMenu)
        m_contextActions.append(action);
    return action;
}

void DesignerControl::buildToolBars()
{
    m_tools = new QToolBar(QStringLiteral("工具"), this);
    m_tools->setObjectName(QStringLiteral("designerTools"));
    m_tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    const auto key = [](QKeyCombination combination) { return QKeySequence(combination); };
    const Command files[] = {
        {"actNew", "新建", "以新名称新建模板", {}, [this] { emit newRequested(); }},
        {"actSave", "保存", "保存模板", key(Qt::CTRL | Qt::Key_S),
         [this] { emit saveReportRequested(); }},
        {"actSaveAs",
         "另存为…",
         "以新名称保存到模板文件夹",
         {},
         [this] { emit saveAsRequested(); }},
        {"actPreview",
         "预览",
         "用表格中的数据预览当前设计（不保存）",
         {},
         [this] { emit previewRequested(); }},
    };
    for (const Command &command : files)
        addCommand(m_tools, command);
    m_tools->addSeparator();
    QAction *undoAction = addCommand(
        m_tools, {"actUndo", "撤销", "撤销上一步", key(Qt::CTRL | Qt::Key_Z), [this] { undo(); }});
    QAction *redoAction = addCommand(m_tools, {"actRedo", "重做", "重做撤销的一步",
                                               key(Qt::CTRL | Qt::Key_Y), [this] { redo(); }});
    redoAction->setShortcuts({key(Qt::CTRL | Qt::Key_Y), key(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    QUndoStack *stack = m_document->undoStack();
    connect(stack, &QUndoStack::canUndoChanged, undoAction, &QAction::setEnabled);
    connect(stack, &QUndoStack::canRedoChanged, redoAction, &QAction::setEnabled);
    connect(stack, &QUndoStack::undoTextChanged, undoAction, [undoAction](const QString &text) {
        undoAction->setToolTip(QStringLiteral("撤销：%1（Ctrl+Z）").arg(text));
    });
    undoAction->setEnabled(false);
    redoAction->setEnabled(false);
    m_tools->addSeparator();
    const Command edits[] = {
        {"actCut", "剪切", "剪切选中的元素", key(Qt::CTRL | Qt::Key_X), [this] { cut(); }, true,
         true},
        {"actCopy", "复制", "复制选中的元素", key(Qt::CTRL | Qt::Key_C), [this] { copy(); }, true,
         true},
        {"actPaste", "粘贴", "粘贴元素或文字", key(Qt::CTRL | Qt::Key_V), [this] { paste(); },
         false, true},
        {"actDuplicate", "再制", "复制一份选中的元素", key(Qt::CTRL | Qt::Key_D),
         [this] { duplicate(); }, true, true},
        {"actDelete", "删除", "删除选中的元素", QKeySequence(Qt::Key_Delete),
         [this] { deleteSelection(); }, true, true},
        {"actSelectAll", "全选", "选中全部元素", key(Qt::CTRL | Qt::Key_A),
         [this] { selectAll(); }},
    };
    for (const Command &command : edits)
        addCommand(m_tools, command);
    m_tools->addSeparator();
    buildInsertTools();
    buildArrangeBar();
    buildViewControls();
}

// Insert tools: pick one, then click on the page to place it there or drag to give its size.
void DesignerControl::buildInsertTools()
{
    m_insertTools = new QActionGroup(this);
    m_insertTools->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
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
        {"actInsertBarcode", "条码", "插入条码（二维码或 Code 128），内容可嵌入字段",
         ElementKind::Barcode},
    };
    for (const auto &insert : inserts) {
        const ElementKind kind = insert.kind;
        const QString tip = QString::fromUtf8(insert.tip) +
                            QStringLiteral("：在页面上单击放置，或拖出大小；Esc 取消");
        QAction *tool = addCommand(m_tools, {insert.name, insert.text, insert.tip, {}, [] {}});
        tool->setToolTip(tip);
        tool->setCheckable(true);
        m_insertTools->addAction(tool);
        connect(tool, &QAction::toggled, this, [this, kind](bool on) {
            if (on)
                m_canvas->setPlacingTool(kind);
            else if (m_canvas->placingTool() == kind)
                m_canvas->setPlacingTool(std::nullopt);
        });
    }
}

void DesignerControl::buildArrangeBar()
{
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
        {"actSameWidth", "同宽", "与参照元素（最后单击的元素）同宽", "同宽",
         [](const DesignDocument &d, const Ids &ids, ElementId reference) {
             return DesignOperations::sameSize(d, ids, reference, Qt::Horizontal);
         }},
        {"actSameHeight", "同高", "与参照元素（最后单击的元素）同高", "同高",
         [](const DesignDocument &d, const Ids &ids, ElementId reference) {
             return DesignOperations::sameSize(d, ids, reference, Qt::Vertical);
         }},
    };
    for (const auto &arrangement : arrangements) {
        const auto compute = arrangement.compute;
        const QString step = QString::fromUtf8(arrangement.step);
        addCommand(m_arrange,
                   {arrangement.name,
                    arrangement.text,
                    arrangement.tip,
                    {},
                    [this, compute, step] {
                        m_document->changeElements(
                            compute(*m_document, m_canvas->selection(), m_canvas->reference()),
                            step);
                    },
                    true,
                    true});
    }
    const Command order[] = {
        {"actFront",
         "置顶",
         "置于顶层",
         {},
         [this] { m_document->bringToFront(m_canvas->selection()); },
         true,
         true},
        {"actBack",
         "置底",
         "置于底层",
         {},
         [this] { m_document->sendToBack(m_canvas->selection()); },
         true,
         true},
        {"actLock",
         "锁定/解锁",
         "锁定的元素不能移动，也不会被框选",
         {},
         [this] {
             const QList<ElementId> &ids = m_canvas->selection();
             bool allLocked = true;
             for (ElementId id : ids)
                 allLocked = allLocked && m_document->element(id).locked;
             QHash<ElementId, ReportElement> values;
             for (ElementId id : ids) {
                 ReportElement element = m_document->element(id);
                 element.locked = !allLocked;
                 values.insert(id, element);
             }
             m_document->changeElements(values, allLocked ? QStringLiteral("解锁")
                                                          : QStringLiteral("锁定"));
         },
         true,
         true},
    };
    for (const Command &command : order)
        addCommand(m_arrange, command);
    // For the context menu only.
    addCommand(nullptr, {"actProperties",
                         "属性",
                         "在属性面板中编辑选中的元素",
                         {},
                         [this] { m_panel->showElementProperties(); },
                         true,
                         true});
    m_arrange->addSeparator();
}

void DesignerControl::buildViewControls()
{
    QAction *grid = addCommand(
        m_arrange,
        {"actGrid", "网格", "显示网格，移动和调整大小时落在网格上（5 毫米）", {}, [] {}});
    grid->setCheckable(true);
    grid->setChecked(true);
    connect(grid, &QAction::toggled, m_canvas, &DesignCanvas::setGridVisible);
    QAction *snap = addCommand(
        m_arrange,
        {"actSnap", "吸附", "靠近其他元素、页边距或页面中线时吸附（按住 Alt 暂不吸附）", {}, [] {
         }});
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
        applyZoomChoice(percent);
        QSettings().setValue(kZoomKey, percent);
    });
    connect(m_zoom->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        bool ok = false;
        const double percent =
            m_zoom->currentText().remove(QLatin1Char('%')).trimmed().toDouble(&ok);
        if (ok) {
            m_canvas->setZoomPercent(percent);
            QSettings().setValue(kZoomKey, qRound(m_canvas->zoomPercent()));
        }
    });
    m_arrange->addWidget(m_zoom);
    m_arrange->addSeparator();

    m_samples = addCommand(
        m_arrange, {"actSamples", "示例数据", "在画布上显示示例数据，而不是字段名", {}, [] {}});
    m_samples->setCheckable(true);
    m_samples->setChecked(true);
    connect(m_samples, &QAction::toggled, m_canvas, &DesignCanvas::setShowSamples);
    m_record = new QComboBox(this);
    m_record->setObjectName(QStringLiteral("cbbSampleRecord"));
    m_record->setToolTip(QStringLiteral("画布上显示哪一条数据"));
    m_record->setAccessibleName(QStringLiteral("示例数据的记录"));
    m_record->setMinimumContentsLength(16);
    connect(m_record, &QComboBox::activated, this, [this](int index) {
        m_canvas->setRecord(index);
        m_panel->refreshSamples();
    });
    m_arrange->addWidget(m_record);
}

void DesignerControl::applyZoomChoice(int percent)
{
    if (percent == 0)
        m_canvas->fitPage();
    else if (percent < 0)
        m_canvas->fitWidth();
    else
        m_canvas->setZoomPercent(percent);
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
    m_statusModified->setText(m_document->isModified() ? QStringLiteral("（已修改）") : QString());
    const qsizetype count = m_canvas->selection().size();
    m_statusSelection->setText(count == 0 ? QString()
                                          : QStringLiteral("选中 %1 个元素").arg(count));
}

void DesignerControl::countOverflows()
{
    const QList<ElementId> selection = m_canvas->selection();
    m_overflowRecords = selection.size() == 1
                            ? OverflowRows::of(m_document->reportTemplate(), m_canvas->sampleData(),
                                               m_document->indexOf(selection.first()))
                            : QList<int>();
    m_statusOverflow->setText(
        m_overflowRecords.isEmpty()
            ? QString()
            : QStringLiteral("%1 行放不下这段文字：%2")
                  .arg(m_overflowRecords.size())
                  .arg(OverflowRows::describe(m_canvas->sampleData(), m_overflowRecords)));
    m_showOverflow->setVisible(!m_overflowRecords.isEmpty());
}

void DesignerControl::setNotice(const QString &notice)
{
    m_statusNotice->setText(notice);
}

void DesignerControl::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    // Once laid out: the page at the zoom the user chose last (fit width at first), and
    // the keys going to the canvas.
    QTimer::singleShot(0, this, [this] {
        applyZoomChoice(QSettings().value(kZoomKey, kFitWidth).toInt());
        m_canvas->showPageTop();
        m_canvas->setFocus(Qt::OtherFocusReason);
    });
    m_canvas->setFocus(Qt::OtherFocusReason);
}

bool DesignerControl::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ShortcutOverride || !watched->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(watched);
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool undoKey = isUndoKey(key), redoKey = isRedoKey(key);
    if ((!undoKey && !redoKey) || !isAncestorOf(widget))
        return false;
    // A multi-line text keeps its own typing undo while it has something to undo.
    if (auto *text = qobject_cast<QPlainTextEdit *>(widget)) {
        const QTextDocument *typed = text->document();
        if (undoKey ? typed->isUndoAvailable() : typed->isRedoAvailable())
            return false;
    }
    // Not taken by the box: the designer's own shortcut runs.
    return true;
}

void DesignerControl::undo()
{
    m_panel->applyTyping();
    m_canvas->finishTextEdit(true);
    m_document->undoStack()->undo();
}

void DesignerControl::redo()
{
    m_panel->applyTyping();
    m_canvas->finishTextEdit(true);
    m_document->undoStack()->redo();
}

QMenu *DesignerControl::contextMenu()
{
    if (!m_contextMenu) {
        m_contextMenu = new QMenu(this);
        m_contextMenu->setObjectName(QStringLiteral("designerContextMenu"));
        const auto named = [this](const QString &name) {
            for (QAction *action : std::as_const(m_contextActions))
                if (action->objectName() == name)
                    return action;
            return static_cast<QAction *>(nullptr);
        };
        for (const char *name : {"actCut", "actCopy", "actPaste", "actDuplicate", "actDelete"})
            m_contextMenu->addAction(named(QLatin1String(name)));
        m_contextMenu->addSeparator();
        for (const char *name : {"actFront", "actBack", "actLock"})
            m_contextMenu->addAction(named(QLatin1String(name)));
        QMenu *align = m_contextMenu->addMenu(QStringLiteral("对齐和分布"));
        align->setObjectName(QStringLiteral("designerAlignMenu"));
        for (QAction *action : std::as_const(m_contextActions))
            if (action->objectName().startsWith(QLatin1String("actAlign")) ||
                action->objectName().startsWith(QLatin1String("actDistribute")) ||
                action->objectName().startsWith(QLatin1String("actSame")))
                align->addAction(action);
        m_contextMenu->addSeparator();
        m_contextMenu->addAction(named(QStringLiteral("actProperties")));
    }
    return m_contextMenu;
}

void DesignerControl::AttachReport(ReportEngine &engine)
{
    m_engine = &engine;
    m_document->reset(engine.reportTemplate());
    m_canvas->setSelection({});
}

void DesignerControl::CommitDesign()
{
    m_panel->applyTyping();
    m_canvas->finishTextEdit(true);
    if (m_engine)
        m_engine->setReportTemplate(m_document->reportTemplate());
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
    const QSignalBlocker blocker(m_record);
    m_record->clear();
    for (const SampleRecord &record : data.records)
        m_record->addItem(record.label);
    if (data.records.isEmpty())
        m_record->addItem(QStringLiteral("（按字段类型显示示例）"));
    m_record->setCurrentIndex(m_canvas->record());
    m_panel->refreshSamples();
    m_overflowTimer->start();
}

void DesignerControl::setDocumentName(const QString &name)
{
    m_documentName = name;
    updateStatus();
}

void DesignerControl::markSaved()
{
    m_document->markSaved();
    updateStatus();
}

bool DesignerControl::isModified() const
{
    return m_document->isModified() || m_canvas->isEditingText() || m_panel->isTyping();
}

// New elements land where the user is looking, selected and in view, as one step.
void DesignerControl::insertPlaced(QList<ReportElement> elements, const QString &step)
{
    const QList<ElementId> ids = m_document->insertElements(elements, step);
    m_canvas->setSelection(ids);
    m_canvas->revealSelection();
    m_canvas->setFocus();
}

void DesignerControl::insertElement(ElementKind kind, std::optional<QRectF> rectMm)
{
    ReportElement element;
    element.kind = kind;
    const QSizeF size = rectMm ? rectMm->size() : defaultSize(kind);
    element.rectMm = QRectF(rectMm ? rectMm->topLeft() : m_canvas->placementFor(size), size);
    std::optional<PictureFile> picture;
    if (kind == ElementKind::Picture) {
        picture = PictureFile::choose(this);
        if (!picture)
            return; // cancelled: nothing is inserted
        element = picture->appliedTo(element);
    }
    QUndoStack *undo = m_document->undoStack();
    undo->beginMacro(QStringLiteral("插入"));
    switch (kind) {
    case ElementKind::Text:
        element.text = QStringLiteral("双击编辑文字");
        break;
    case ElementKind::Barcode:
        // The code of the record: its first field, as the owner's data declares it.
        element.text = m_document->reportTemplate().fields.isEmpty()
                           ? QStringLiteral("条码内容")
                           : QLatin1Char('{') + m_document->reportTemplate().fields.first().name +
                                 QLatin1Char('}');
        break;
    case ElementKind::Field: {
        const SampleData &data = m_canvas->sampleData();
        if (!m_document->reportTemplate().fields.isEmpty()) {
            element.field = m_document->reportTemplate().fields.first().name;
        } else if (!data.fields.isEmpty()) {
            element.field = data.fields.first().name;
            m_document->setFields({data.fields.first()}, {}, QStringLiteral("添加字段"));
        }
        break;
    }
    case ElementKind::Table: {
        ReportElement table = element;
        table.columnWidthsMm = {25, 25, 25};
        table.rowHeightsMm = {8, 8, 8};
        table.cells = QList<QList<TableCell>>(3, QList<TableCell>(3));
        table.rectMm.setSize(QSizeF(75, 24));
        element = DesignOperations::withRect(table, element.rectMm);
        break;
    }
    default:
        break;
    }
    insertPlaced({element}, QStringLiteral("插入"));
    undo->endMacro();
}

void DesignerControl::insertField(const QString &name, QPointF atMm)
{
    if (name.isEmpty())
        return;
    QUndoStack *undo = m_document->undoStack();
    undo->beginMacro(QStringLiteral("插入字段"));
    m_panel->declareField(name);
    ReportElement element;
    element.text = QLatin1Char('{') + name + QLatin1Char('}');
    element.rectMm = QRectF(atMm, defaultSize(ElementKind::Text));
    insertPlaced({element}, QStringLiteral("插入字段"));
    undo->endMacro();
}

void DesignerControl::deleteSelection()
{
    QList<ElementId> ids = m_canvas->selection();
    m_canvas->setSelection({});
    m_document->removeElements(ids, QStringLiteral("删除"));
}

void DesignerControl::selectAll()
{
    m_canvas->setSelection(m_document->ids());
}

void DesignerControl::copy()
{
    if (m_canvas->selection().isEmpty())
        return;
    QGuiApplication::clipboard()->setMimeData(
        ElementClipboard::toMime(DesignOperations::copies(*m_document, m_canvas->selection(), {}),
                                 m_document->reportTemplate().fields));
}

void DesignerControl::cut()
{
    copy();
    deleteSelection();
}

void DesignerControl::paste()
{
    const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
    std::optional<ReportTemplate> part = ElementClipboard::fromMime(mime);
    if (!part || part->elements.isEmpty())
        return;
    // Elements keep their place when it is in view; text from elsewhere, or elements whose
    // place is out of sight, go where the user is looking.
    const QRectF bounds = DesignOperations::boundsOf(part->elements);
    const QRectF visible = m_canvas->mapToScene(m_canvas->viewport()->rect()).boundingRect();
    const QRectF boundsUnits(bounds.topLeft() * PageUnits::PerMm, bounds.size() * PageUnits::PerMm);
    if (!mime->hasFormat(ElementClipboard::MimeType) || !visible.contains(boundsUnits))
        DesignOperations::placeAt(part->elements, m_canvas->placementFor(bounds.size()));
    // Where a pasted element would cover one of the same place exactly, all move on a bit.
    const auto covers = [&] {
        for (const ReportElement &pasted : std::as_const(part->elements))
            for (ElementId id : m_document->ids())
                if (m_document->element(id).rectMm == pasted.rectMm)
                    return true;
        return false;
    };
    for (int guard = 0; guard < 50 && covers(); ++guard)
        for (ReportElement &pasted : part->elements)
            pasted.rectMm.translate(kPasteOffsetMm, kPasteOffsetMm);
    for (ReportElement &pasted : part->elements)
        pasted.locked = false;

    QUndoStack *undo = m_document->undoStack();
    undo->beginMacro(QStringLiteral("粘贴"));
    QList<FieldDeclaration> fields = m_document->reportTemplate().fields;
    for (const FieldDeclaration &field : std::as_const(part->fields))
        if (m_document->reportTemplate().fieldIndex(field.name) < 0)
            fields.append(field);
    m_document->setFields(fields, {}, QStringLiteral("添加字段"));
    insertPlaced(part->elements, QStringLiteral("粘贴"));
    undo->endMacro();
}

void DesignerControl::duplicate()
{
    insertPlaced(DesignOperations::copies(*m_document, m_canvas->selection(),
                                          QPointF(kPasteOffsetMm, kPasteOffsetMm)),
                 QStringLiteral("再制"));
}

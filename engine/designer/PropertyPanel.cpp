#include "PropertyPanel.h"

#include "DesignCanvas.h"
#include "DesignOperations.h"
#include "EditBoxes.h"
#include "ElementProperties.h"
#include "FieldDragHandle.h"
#include "FieldTypeName.h"
#include "FieldsTab.h"
#include "PageTab.h"
#include "PictureFile.h"
#include "engine/DisplayFormat.h"
#include "engine/TemplateText.h"
#include "platform/Guard.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QScrollArea>
#include <QSet>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextCursor>
#include <QUndoStack>
#include <QVBoxLayout>

using ElementProperties::Editor;
using ElementProperties::Property;

namespace {

// Merge keys: a run of typing in one box is one undo step; clicks never merge.
constexpr int kTypingKeys = 100;
enum Key
{
    KeyText = 1000,
    KeyTable,
    KeyCells,
};

const char *const kFamilies[] = {"宋体", "黑体", "楷体", "仿宋"};

bool typed(Editor editor)
{
    return editor != Editor::Check && editor != Editor::Choice && editor != Editor::Colour;
}

bool isNumber(Editor editor)
{
    return editor == Editor::Millimetres || editor == Editor::Size || editor == Editor::Points ||
           editor == Editor::Spacing || editor == Editor::PenWidth;
}

QDoubleSpinBox *numberBox(Editor editor)
{
    switch (editor) {
    case Editor::Millimetres:
        return EditBoxes::number(-1000, 2000, 2, 0.5, QStringLiteral(" 毫米"));
    case Editor::Size:
        return EditBoxes::number(0, 2000, 2, 0.5, QStringLiteral(" 毫米"));
    case Editor::Points:
        return EditBoxes::number(4, 144, 1, 0.5, QStringLiteral(" 磅"));
    case Editor::Spacing:
        return EditBoxes::number(0.5, 10, 2, 0.1, QStringLiteral(" 倍"));
    default:
        return EditBoxes::number(0, 10, 2, 0.1, QStringLiteral(" 毫米"));
    }
}

QString joined(const QList<double> &values)
{
    QStringList parts;
    for (double v : values)
        parts.append(QString::number(v, 'g', 6));
    return parts.join(QStringLiteral(", "));
}

QList<double> numbersIn(const QString &text)
{
    QList<double> values;
    for (const QString &part :
         text.split(QRegularExpression(QStringLiteral("[,，\\s]+")), Qt::SkipEmptyParts)) {
        bool ok = false;
        const double v = part.toDouble(&ok);
        if (ok && v > 0)
            values.append(v);
    }
    return values;
}

void showColour(QPushButton *button, const QVariant &value)
{
    const QColor colour = value.value<QColor>();
    button->setText(!value.isValid()   ? QStringLiteral("多个值")
                    : colour.isValid() ? colour.name()
                                       : QStringLiteral("无"));
    QPixmap swatch(14, 14);
    swatch.fill(colour.isValid() ? colour : Qt::transparent);
    button->setIcon(QIcon(swatch));
}

template <typename W> W *named(W *widget, const char *name, const QString &tip)
{
    widget->setObjectName(QLatin1String(name));
    widget->setToolTip(tip);
    widget->setAccessibleName(tip);
    return widget;
}

} // namespace

PropertyPanel::PropertyPanel(DesignDocument &document, DesignCanvas &canvas, QWidget *parent)
    : QWidget(parent), m_document(document), m_canvas(canvas)
{
    setObjectName(QStringLiteral("propertyPanel"));
    setMinimumWidth(360);
    setAccessibleName(QStringLiteral("属性"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("propertyTabs"));
    layout->addWidget(m_tabs);
    buildElementTab();
    // The page and field tabs are made when first opened: the designer opens sooner.
    m_tabs->addTab(new QWidget, QStringLiteral("页面"));
    m_tabs->addTab(new QWidget, QStringLiteral("字段"));
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        const auto make = [this, index](QWidget *tab) {
            auto *holder = new QVBoxLayout(m_tabs->widget(index));
            holder->setContentsMargins(0, 0, 0, 0);
            holder->addWidget(tab);
        };
        if (index == 1 && !m_pageTab)
            make(m_pageTab = new PageTab(m_document));
        else if (index == 2 && !m_fieldsTab)
            make(m_fieldsTab = new FieldsTab(m_document, m_canvas));
        refresh();
    });

    connect(&m_canvas, &DesignCanvas::selectionChanged, this, [this] {
        refreshElement();
        // A selection made on the canvas shows its properties, whichever tab was open.
        if (!m_canvas.selection().isEmpty() && m_canvas.hasFocus())
            showElementProperties();
    });
    connect(&m_document, &DesignDocument::changed, this, &PropertyPanel::refresh);
    // Leaving a box ends its gesture: the next edit there is a step of its own.
    m_focusWatch =
        connect(qApp, &QApplication::focusChanged, this, [this] { m_document.endGesture(); });
    refresh();
}

PropertyPanel::~PropertyPanel()
{
    // The boxes give up the focus while they go, after this object is no longer a panel.
    disconnect(m_focusWatch);
}

void PropertyPanel::showElementProperties()
{
    m_tabs->setCurrentIndex(0);
}

void PropertyPanel::buildElementTab()
{
    m_scroll = new QScrollArea;
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_elementTab = new QWidget;
    m_scroll->setWidget(m_elementTab);
    m_tabs->addTab(m_scroll, QStringLiteral("元素"));
    auto *layout = new QVBoxLayout(m_elementTab);
    m_selectionLabel = named(new QLabel, "lblSelection", QStringLiteral("选中的元素"));
    m_selectionLabel->setWordWrap(true);
    layout->addWidget(m_selectionLabel);
    layout->addStretch(1);
}

// The boxes for element properties, made when an element is first selected: the designer
// opens sooner without them.
void PropertyPanel::buildElementBoxes()
{
    auto *layout = static_cast<QVBoxLayout *>(m_elementTab->layout());
    delete layout->takeAt(layout->count() - 1); // the stretch goes below the boxes
    buildTextGroup(layout);
    buildPropertyGroups(layout);
    buildTableGroup(layout);
    buildPictureGroup(layout);
    layout->addStretch(1);
    EditBoxes::guardWheel(m_elementTab);
    m_built = true;
}

// The text with embedded fields, the inserter and the text as it prints.
void PropertyPanel::buildTextGroup(QLayout *layout)
{
    m_textBox = new QGroupBox(QStringLiteral("文字"));
    auto *text = new QVBoxLayout(m_textBox);
    m_text = named(new QPlainTextEdit, "edtText",
                   QStringLiteral("元素的文字；字段写作 {字段名} 或 {字段名:格式}"));
    m_text->setMinimumHeight(90);
    text->addWidget(m_text);
    connect(m_text, &QPlainTextEdit::textChanged, this, [this] {
        const QString value = m_text->toPlainText();
        edit(KeyText, QStringLiteral("修改文字"), [&](ReportElement &e) {
            if (e.kind == ElementKind::Text || e.kind == ElementKind::Barcode)
                e.text = value;
        });
    });
    m_insertName = named(new QComboBox, "cbbInsertName", QStringLiteral("要插入的字段或系统变量"));
    m_insertName->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_insertName->setMinimumContentsLength(14);
    m_insertFormat = named(new QComboBox, "cbbInsertFormat", QStringLiteral("显示格式"));
    m_insertFormat->setEditable(true);
    m_insertFormat->setMinimumContentsLength(10);
    m_insert = named(new QPushButton(QStringLiteral("插入")), "btnInsertField",
                     QStringLiteral("在文字的光标处插入字段"));
    auto *inserter = new QFormLayout;
    inserter->addRow(QStringLiteral("字段："), m_insertName);
    auto *formatRow = new QHBoxLayout;
    formatRow->addWidget(m_insertFormat, 1);
    formatRow->addWidget(m_insert);
    formatRow->addWidget(new FieldDragHandle([this] {
        // The page takes fields; system values go in through 插入.
        const QString name = m_insertName->currentData().toString();
        return name.startsWith(QLatin1Char('#')) ? QString() : name;
    }));
    inserter->addRow(QStringLiteral("格式："), formatRow);
    text->addLayout(inserter);
    m_example = named(new QLabel, "lblInsertExample", QStringLiteral("按示例数据显示的文字"));
    m_example->setWordWrap(true);
    m_example->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text->addWidget(m_example);
    connect(m_insertName, &QComboBox::currentIndexChanged, this, [this] {
        if (m_refreshing)
            return;
        const QString name = m_insertName->currentData().toString();
        m_insertFormat->clear();
        m_insertFormat->addItems(formatsFor(name, typeOf(name)));
    });
    connect(m_insertFormat, &QComboBox::currentTextChanged, this, [this] {
        const QString name = m_insertName->currentData().toString();
        m_insert->setToolTip(
            name.isEmpty()
                ? QString()
                : QStringLiteral("插入后显示为：") +
                      DisplayFormat::apply(sampleValue(name), m_insertFormat->currentText()));
    });
    connect(m_insert, &QPushButton::clicked, this, Guard::slot([this] {
                insertPlaceholder(m_insertName->currentData().toString(),
                                  m_insertFormat->currentText());
            }));
    layout->addWidget(m_textBox);
}

// Every property of the table, each in its group.
void PropertyPanel::buildPropertyGroups(QLayout *layout)
{
    const QList<Property> &properties = ElementProperties::all();
    QHBoxLayout *checks = nullptr; // check boxes of one group share a row
    for (int i = 0; i < properties.size(); ++i) {
        const Property &p = properties[i];
        const int group = int(p.group);
        if (!m_groups.contains(group)) {
            auto *box = new QGroupBox(QString::fromUtf8(ElementProperties::groupTitle(p.group)));
            m_groups.insert(group, box);
            m_groupForms.insert(group, new QFormLayout(box));
            layout->addWidget(box);
            checks = nullptr;
        }
        QFormLayout *form = m_groupForms.value(group);
        QWidget *box = makeBox(i);
        m_boxes.append(box);
        if (p.editor == Editor::Check) {
            if (!checks) {
                checks = new QHBoxLayout;
                form->addRow(checks);
            }
            checks->addWidget(box);
        } else {
            checks = nullptr;
            form->addRow(QString::fromUtf8(p.label), box);
        }
    }
}

QWidget *PropertyPanel::makeBox(int index)
{
    const Property &p = ElementProperties::all()[index];
    const QString tip = QString::fromUtf8(p.tip);
    switch (p.editor) {
    case Editor::Check: {
        auto *box = named(new QCheckBox(QString::fromUtf8(p.label)), p.name, tip);
        connect(box, &QCheckBox::clicked, this,
                [this, index](bool on) { applyProperty(index, on); });
        return box;
    }
    case Editor::Choice: {
        auto *box = named(new QComboBox, p.name, tip);
        box->addItems(p.choices);
        const bool byText = p.items != ElementProperties::Items::Fixed;
        connect(box, &QComboBox::activated, this, [this, index, box, byText](int at) {
            applyProperty(index, byText ? QVariant(box->itemText(at)) : QVariant(at));
        });
        return box;
    }
    case Editor::EditableChoice: {
        auto *box = named(new QComboBox, p.name, tip);
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        connect(box, &QComboBox::currentTextChanged, this,
                [this, index](const QString &text) { applyProperty(index, text); });
        return box;
    }
    case Editor::Colour: {
        auto *box = named(new QPushButton, p.name, tip);
        connect(box, &QPushButton::clicked, this, [this, index] { chooseColour(index); });
        return box;
    }
    case Editor::Line: {
        auto *box = named(new QLineEdit, p.name, tip);
        connect(box, &QLineEdit::textEdited, this,
                [this, index](const QString &text) { applyProperty(index, text); });
        return box;
    }
    default:
        break;
    }
    QDoubleSpinBox *box = named(numberBox(p.editor), p.name, tip);
    connect(box, &QDoubleSpinBox::valueChanged, this, [this, index, box](double value) {
        // "多个值" stands at the minimum until the user types a value for all.
        if (m_refreshing || (value == box->minimum() && !box->specialValueText().isEmpty()))
            return;
        applyProperty(index, value);
        // Each value entered is a step of its own.
        m_document.endGesture();
    });
    return box;
}

// Table grids: rows, columns, their sizes and the cells' texts.
void PropertyPanel::buildTableGroup(QLayout *layout)
{
    m_tableBox = new QGroupBox(QStringLiteral("表格"));
    auto *table = new QFormLayout(m_tableBox);
    m_rows = named(EditBoxes::count(1, 200), "spnRows", QStringLiteral("表格的行数"));
    m_columns = named(EditBoxes::count(1, 50), "spnColumns", QStringLiteral("表格的列数"));
    m_columnWidths =
        named(new QLineEdit, "edtColumnWidths", QStringLiteral("各列宽度（毫米），用逗号分隔"));
    m_rowHeights =
        named(new QLineEdit, "edtRowHeights", QStringLiteral("各行高度（毫米），用逗号分隔"));
    m_cells = named(new QTableWidget, "tblCells",
                    QStringLiteral("单元格文字；也可在页面上双击单元格编辑"));
    m_cells->setMinimumHeight(120);
    table->addRow(QStringLiteral("行数："), m_rows);
    table->addRow(QStringLiteral("列数："), m_columns);
    table->addRow(QStringLiteral("列宽："), m_columnWidths);
    table->addRow(QStringLiteral("行高："), m_rowHeights);
    table->addRow(m_cells);
    const auto reshape = [this] {
        const int rows = m_rows->value(), columns = m_columns->value();
        edit(KeyTable, QStringLiteral("修改表格"), [&](ReportElement &e) {
            if (e.kind != ElementKind::Table)
                return;
            const double lastWidth = e.columnWidthsMm.isEmpty() ? 20 : e.columnWidthsMm.last();
            const double lastHeight = e.rowHeightsMm.isEmpty() ? 8 : e.rowHeightsMm.last();
            e.columnWidthsMm.resize(columns, lastWidth);
            e.rowHeightsMm.resize(rows, lastHeight);
            e.cells.resize(rows);
            for (QList<TableCell> &row : e.cells)
                row.resize(columns);
            double w = 0, h = 0;
            for (double v : e.columnWidthsMm)
                w += v;
            for (double v : e.rowHeightsMm)
                h += v;
            e.rectMm.setSize(QSizeF(w, h));
        });
    };
    connect(m_rows, &QSpinBox::valueChanged, this, reshape);
    connect(m_columns, &QSpinBox::valueChanged, this, reshape);
    const auto sizesEdit = [this](QLineEdit *box, bool columns) {
        connect(box, &QLineEdit::editingFinished, this, [this, box, columns] {
            const QList<double> sizes = numbersIn(box->text());
            edit(KeyTable, QStringLiteral("修改表格"), [&](ReportElement &e) {
                QList<double> &list = columns ? e.columnWidthsMm : e.rowHeightsMm;
                if (e.kind != ElementKind::Table || sizes.size() != list.size())
                    return;
                list = sizes;
                double total = 0;
                for (double v : sizes)
                    total += v;
                columns ? e.rectMm.setWidth(total) : e.rectMm.setHeight(total);
            });
        });
    };
    sizesEdit(m_columnWidths, true);
    sizesEdit(m_rowHeights, false);
    connect(m_cells, &QTableWidget::cellChanged, this, [this](int row, int column) {
        const QString value = m_cells->item(row, column)->text();
        edit(KeyCells, QStringLiteral("修改单元格"), [&](ReportElement &e) {
            if (e.kind == ElementKind::Table && row < e.cells.size() &&
                column < e.cells[row].size())
                e.cells[row][column].text = value;
        });
    });
    layout->addWidget(m_tableBox);
}

void PropertyPanel::buildPictureGroup(QLayout *layout)
{
    m_pictureBox = new QGroupBox(QStringLiteral("图片"));
    auto *picture = new QVBoxLayout(m_pictureBox);
    auto *choose = named(new QPushButton(QStringLiteral("选择图片文件…")), "btnPicture",
                         QStringLiteral("从 PNG、JPEG 或 SVG 文件载入图片"));
    auto *keepAspect = named(new QCheckBox(QStringLiteral("保持长宽比")), "chkKeepAspect",
                             QStringLiteral("缩放时保持图片的长宽比"));
    m_keepAspect = keepAspect;
    picture->addWidget(choose);
    picture->addWidget(keepAspect);
    connect(choose, &QPushButton::clicked, this, Guard::slot(this, &PropertyPanel::choosePicture));
    connect(keepAspect, &QCheckBox::clicked, this, [this](bool on) {
        edit(0, QStringLiteral("保持长宽比"), [&](ReportElement &e) { e.keepAspect = on; });
    });
    layout->addWidget(m_pictureBox);
}

QStringList PropertyPanel::formatsFor(const QString &name, FieldType type)
{
    if (name == TemplateText::PageNumber || name == TemplateText::PageCount)
        return {QString()};
    switch (type) {
    case FieldType::Date:
        return {DisplayFormat::DefaultDate, QStringLiteral("yyyy-MM-dd"),
                QStringLiteral("yyyy/M/d"), QStringLiteral("yyyy年MM月dd日")};
    case FieldType::Number:
        return {QStringLiteral("#,##0.00"), QStringLiteral("¥#,##0.00"),
                QStringLiteral("#,##0.00元"), QStringLiteral("0.00"),
                DisplayFormat::ChineseCapitals};
    case FieldType::Text:
        break;
    }
    return {QString()};
}

QList<FieldDeclaration> PropertyPanel::knownFields() const
{
    QList<FieldDeclaration> fields = m_document.reportTemplate().fields;
    for (const FieldDeclaration &field : m_canvas.sampleData().fields)
        if (m_document.reportTemplate().fieldIndex(field.name) < 0)
            fields.append(field);
    return fields;
}

FieldType PropertyPanel::typeOf(const QString &name) const
{
    if (name == TemplateText::PrintDate)
        return FieldType::Date;
    if (name == TemplateText::PageNumber || name == TemplateText::PageCount)
        return FieldType::Number;
    const int declared = m_document.reportTemplate().fieldIndex(name);
    return declared >= 0 ? m_document.reportTemplate().fields[declared].type
                         : m_canvas.sampleData().typeOf(name);
}

QVariant PropertyPanel::sampleValue(const QString &name) const
{
    if (name == TemplateText::PrintDate)
        return SamplePreview::placeholder(FieldType::Date);
    if (name == TemplateText::PageNumber)
        return QStringLiteral("1");
    if (name == TemplateText::PageCount)
        return QStringLiteral("12");
    const SampleData &data = m_canvas.sampleData();
    if (m_canvas.record() < data.records.size() &&
        data.records[m_canvas.record()].values.contains(name))
        return data.records[m_canvas.record()].values.value(name);
    return SamplePreview::placeholder(typeOf(name));
}

QStringList PropertyPanel::itemsFor(int index, const QList<ReportElement> &elements) const
{
    const Property &p = ElementProperties::all()[index];
    switch (p.items) {
    case ElementProperties::Items::FieldNames: {
        QStringList names;
        for (const FieldDeclaration &field : knownFields())
            names.append(field.name);
        return names;
    }
    case ElementProperties::Items::FieldFormats: {
        const QString field = elements.isEmpty() ? QString() : elements.first().field;
        return formatsFor(field, typeOf(field));
    }
    case ElementProperties::Items::DateFormats:
        return formatsFor(TemplateText::PrintDate, FieldType::Date);
    case ElementProperties::Items::Families: {
        QStringList families;
        for (const char *family : kFamilies)
            families.append(QString::fromUtf8(family));
        return families;
    }
    case ElementProperties::Items::Fixed:
        break;
    }
    return p.choices;
}

void PropertyPanel::applyProperty(int index, const QVariant &value)
{
    if (m_refreshing)
        return;
    const Property &p = ElementProperties::all()[index];
    // Called straight from the boxes' signals: the guard is the boundary here.
    Guard::run([&] {
        QHash<ElementId, ReportElement> values;
        for (ElementId id : m_canvas.selection()) {
            QList<ReportElement> one{m_document.element(id)};
            ElementProperties::apply(p, one, value);
            values.insert(id, one.first());
        }
        m_document.changeElements(values, QString::fromUtf8(p.step),
                                  typed(p.editor) ? kTypingKeys + index : 0);
        if (p.geometry)
            m_canvas.revealSelection();
    });
}

void PropertyPanel::edit(int key, const QString &what,
                         const std::function<void(ReportElement &)> &change)
{
    if (m_refreshing)
        return;
    Guard::run([&] {
        QHash<ElementId, ReportElement> values;
        for (ElementId id : m_canvas.selection()) {
            ReportElement element = m_document.element(id);
            change(element);
            values.insert(id, element);
        }
        m_document.changeElements(values, what, key);
    });
}

void PropertyPanel::chooseColour(int index)
{
    const QList<ElementId> &selection = m_canvas.selection();
    if (selection.isEmpty())
        return;
    const Property &p = ElementProperties::all()[index];
    const QColor current = p.get(m_document.element(selection[0])).value<QColor>();
    const QColor chosen = QColorDialog::getColor(current.isValid() ? current : QColor(Qt::white),
                                                 this, QStringLiteral("选择颜色"));
    if (chosen.isValid())
        applyProperty(index, chosen);
}

void PropertyPanel::choosePicture()
{
    const std::optional<PictureFile> picture = PictureFile::choose(this);
    if (!picture)
        return;
    edit(0, QStringLiteral("更换图片"), [&](ReportElement &e) { e = picture->appliedTo(e); });
}

void PropertyPanel::declareField(const QString &name)
{
    if (name.startsWith(QLatin1Char('#')) || m_document.reportTemplate().fieldIndex(name) >= 0)
        return;
    QList<FieldDeclaration> fields = m_document.reportTemplate().fields;
    fields.append({name, typeOf(name)});
    m_document.setFields(fields, {}, QStringLiteral("添加字段"));
}

void PropertyPanel::insertPlaceholder(const QString &name, const QString &format)
{
    if (name.isEmpty())
        return;
    const QString placeholder = QLatin1Char('{') + name +
                                (format.isEmpty() ? QString() : QLatin1Char(':') + format) +
                                QLatin1Char('}');
    QUndoStack *undo = m_document.undoStack();
    undo->beginMacro(QStringLiteral("插入字段"));
    declareField(name);
    const QList<ElementId> &selection = m_canvas.selection();
    if (selection.size() == 1 && (m_document.element(selection[0]).kind == ElementKind::Text ||
                                  m_document.element(selection[0]).kind == ElementKind::Barcode)) {
        ReportElement element = m_document.element(selection[0]);
        const QTextCursor cursor = m_text ? m_text->textCursor() : QTextCursor();
        const int at = m_text && (m_text->hasFocus() || cursor.position() > 0)
                           ? std::min(int(element.text.size()), cursor.position())
                           : int(element.text.size());
        element.text.insert(at, placeholder);
        m_document.changeElements({{selection[0], element}}, QStringLiteral("插入字段"));
    } else {
        ReportElement element;
        element.text = placeholder;
        element.rectMm = QRectF(m_canvas.placementFor(QSizeF(60, 8)), QSizeF(60, 8));
        m_canvas.setSelection(m_document.insertElements({element}, QStringLiteral("插入字段")));
        m_canvas.revealSelection();
    }
    undo->endMacro();
}

void PropertyPanel::applyTyping()
{
    EditBoxes::applyTyping(QApplication::focusWidget());
}

bool PropertyPanel::isTyping() const
{
    for (const QWidget *box : findChildren<QAbstractSpinBox *>())
        if (EditBoxes::isTyping(box))
            return true;
    return false;
}

void PropertyPanel::refresh()
{
    refreshElement();
    if (m_pageTab)
        m_pageTab->refresh();
    if (m_fieldsTab)
        m_fieldsTab->refresh();
}

void PropertyPanel::refreshSamples()
{
    if (m_fieldsTab)
        m_fieldsTab->refresh();
    if (m_built && m_textBox->isVisibleTo(this)) {
        refreshInserter();
        refreshExample();
    }
}

void PropertyPanel::refreshInserter()
{
    const QScopedValueRollback refreshing(m_refreshing, true);
    const QString current = m_insertName->currentData().toString();
    m_insertName->clear();
    for (const FieldDeclaration &field : knownFields())
        m_insertName->addItem(QStringLiteral("%1（%2）").arg(field.name, fieldTypeName(field.type)),
                              field.name);
    m_insertName->addItem(QStringLiteral("页码"), TemplateText::PageNumber);
    m_insertName->addItem(QStringLiteral("总页数"), TemplateText::PageCount);
    m_insertName->addItem(QStringLiteral("打印日期"), TemplateText::PrintDate);
    m_insertName->setCurrentIndex(std::max(0, m_insertName->findData(current)));
    const QString name = m_insertName->currentData().toString();
    const QString format = m_insertFormat->currentText();
    m_insertFormat->clear();
    m_insertFormat->addItems(formatsFor(name, typeOf(name)));
    if (const int at = m_insertFormat->findText(format); at >= 0)
        m_insertFormat->setCurrentIndex(at);
}

// The selected text as it prints with the chosen sample record.
void PropertyPanel::refreshExample()
{
    const QList<ElementId> &ids = m_canvas.selection();
    if (ids.size() != 1)
        return;
    const QString text = TemplateText::expand(
        m_document.element(ids[0]).text,
        [this](const QString &name, const QString &format) -> std::optional<QString> {
            if (!name.startsWith(QLatin1Char('#')) &&
                m_document.reportTemplate().fieldIndex(name) < 0)
                return std::nullopt;
            return DisplayFormat::apply(sampleValue(name), format);
        });
    m_example->setText(QStringLiteral("示例：") + text);
}

void PropertyPanel::refreshElement()
{
    const QScopedValueRollback refreshing(m_refreshing, true);
    const QList<ElementId> &ids = m_canvas.selection();
    QList<ReportElement> elements;
    QSet<ElementKind> kinds;
    for (ElementId id : ids) {
        elements.append(m_document.element(id));
        kinds.insert(elements.last().kind);
    }
    m_selectionLabel->setText(
        ids.isEmpty()     ? QStringLiteral("未选中元素：在画布上单击或框选元素。")
        : ids.size() == 1 ? QStringLiteral("选中 1 个元素")
                          : QStringLiteral("选中 %1 个元素，修改将应用于全部").arg(ids.size()));
    if (!m_built) {
        if (ids.isEmpty())
            return;
        buildElementBoxes();
    }
    m_textBox->setVisible(ids.size() == 1 && (kinds.contains(ElementKind::Text) ||
                                              kinds.contains(ElementKind::Barcode)));
    m_tableBox->setVisible(ids.size() == 1 && kinds.contains(ElementKind::Table));
    m_pictureBox->setVisible(!ids.isEmpty() && kinds == QSet<ElementKind>{ElementKind::Picture});
    // Each group shown when any of its rows is: hiding a group, even for a moment, would
    // take the focus from the box being typed in.
    QSet<int> shownGroups;
    for (int i = 0; i < m_boxes.size(); ++i)
        if (refreshProperty(i, elements))
            shownGroups.insert(int(ElementProperties::all()[i].group));
    for (auto it = m_groups.begin(); it != m_groups.end(); ++it)
        it.value()->setVisible(shownGroups.contains(it.key()));
    if (ids.isEmpty())
        return;

    if (m_textBox->isVisible()) {
        const QString &text = elements.first().text;
        if (m_text->toPlainText() != text) {
            const QSignalBlocker blocker(m_text);
            m_text->setPlainText(text);
        }
        refreshInserter();
        refreshExample();
    }
    if (m_tableBox->isVisible())
        refreshTable(elements.first());
    if (m_pictureBox->isVisible())
        static_cast<QCheckBox *>(m_keepAspect)->setChecked(elements.first().keepAspect);
}

bool PropertyPanel::refreshProperty(int index, const QList<ReportElement> &elements)
{
    const Property &p = ElementProperties::all()[index];
    QWidget *box = m_boxes[index];
    bool shown = false;
    for (const ReportElement &element : elements)
        shown = shown || p.appliesTo(element.kind);
    if (box->isVisibleTo(m_elementTab) != shown) {
        if (p.editor == Editor::Check)
            box->setVisible(shown); // check boxes share a row with others
        else
            m_groupForms.value(int(p.group))->setRowVisible(box, shown);
    }
    if (!shown)
        return false;
    const QVariant value = ElementProperties::common(p, elements);
    if (isNumber(p.editor)) {
        auto *spin = static_cast<QDoubleSpinBox *>(box);
        if (EditBoxes::isTyping(spin))
            return true; // the user's typing stands until the edit ends
        // Differing values show as "多个值" until the user types one for all.
        spin->setSpecialValueText(value.isValid() ? QString() : QStringLiteral("多个值"));
        spin->setValue(value.isValid() ? value.toDouble() : spin->minimum());
        return true;
    }
    switch (p.editor) {
    case Editor::Check: {
        auto *check = static_cast<QCheckBox *>(box);
        check->setTristate(!value.isValid());
        check->setCheckState(!value.isValid() ? Qt::PartiallyChecked
                             : value.toBool() ? Qt::Checked
                                              : Qt::Unchecked);
        break;
    }
    case Editor::Choice: {
        auto *combo = static_cast<QComboBox *>(box);
        if (p.items != ElementProperties::Items::Fixed) {
            combo->clear();
            combo->addItems(itemsFor(index, elements));
            combo->setCurrentIndex(combo->findText(value.toString()));
        } else {
            combo->setCurrentIndex(value.isValid() ? value.toInt() : -1);
        }
        break;
    }
    case Editor::EditableChoice: {
        auto *combo = static_cast<QComboBox *>(box);
        if (combo->hasFocus() && combo->currentText() == value.toString())
            break;
        const QStringList items = itemsFor(index, elements);
        if (items != [combo] {
                QStringList now;
                for (int i = 0; i < combo->count(); ++i)
                    now.append(combo->itemText(i));
                return now;
            }()) {
            combo->clear();
            combo->addItems(items);
        }
        combo->setCurrentText(value.toString());
        break;
    }
    case Editor::Colour:
        showColour(static_cast<QPushButton *>(box), value);
        break;
    case Editor::Line: {
        auto *line = static_cast<QLineEdit *>(box);
        if (line->text() != value.toString() && !line->hasFocus())
            line->setText(value.toString());
        line->setPlaceholderText(value.isValid() ? QString() : QStringLiteral("多个值"));
        break;
    }
    default:
        break;
    }
    return true;
}

void PropertyPanel::refreshTable(const ReportElement &table)
{
    if (!EditBoxes::isTyping(m_rows))
        m_rows->setValue(int(table.rowHeightsMm.size()));
    if (!EditBoxes::isTyping(m_columns))
        m_columns->setValue(int(table.columnWidthsMm.size()));
    if (!m_columnWidths->hasFocus())
        m_columnWidths->setText(joined(table.columnWidthsMm));
    if (!m_rowHeights->hasFocus())
        m_rowHeights->setText(joined(table.rowHeightsMm));
    m_cells->setRowCount(int(table.cells.size()));
    m_cells->setColumnCount(int(table.columnWidthsMm.size()));
    for (int r = 0; r < table.cells.size(); ++r)
        for (int c = 0; c < table.cells[r].size(); ++c) {
            QTableWidgetItem *item = m_cells->item(r, c);
            if (!item)
                m_cells->setItem(r, c, item = new QTableWidgetItem);
            if (item->text() != table.cells[r][c].text)
                item->setText(table.cells[r][c].text);
        }
}

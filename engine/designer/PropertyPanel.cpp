#include "PropertyPanel.h"

#include "DesignCanvas.h"
#include "DesignOperations.h"
#include "engine/DisplayFormat.h"
#include "engine/TemplateText.h"
#include "platform/Exception.h"
#include "platform/Guard.h"
#include "platform/Prompts.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
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

namespace {

// Merge keys: typing in one box merges into one undo step.
enum Key
{
    KeyX = 100,
    KeyY,
    KeyWidth,
    KeyHeight,
    KeyName,
    KeyLocked,
    KeyText,
    KeyField,
    KeyFieldFormat,
    KeySystem,
    KeySystemFormat,
    KeyFamily,
    KeySize,
    KeySpacing,
    KeyBold,
    KeyItalic,
    KeyUnderline,
    KeyWrap,
    KeyAlign,
    KeyTextColour,
    KeyPenWidth,
    KeyPenColour,
    KeyFill,
    KeyDashed,
    KeyTable,
    KeyCells,
    KeyPicture,
    KeyAspect
};

struct Paper
{
    const char *name;
    double width, height;
};
const Paper kPapers[] = {
    {"A4", 210, 297}, {"A5", 148, 210}, {"B5", 176, 250}, {"Letter", 215.9, 279.4}};

const char *const kFamilies[] = {"宋体", "黑体", "楷体", "仿宋"};

QString typeName(FieldType type)
{
    switch (type) {
    case FieldType::Date:
        return QStringLiteral("日期");
    case FieldType::Number:
        return QStringLiteral("数值");
    case FieldType::Text:
        break;
    }
    return QStringLiteral("文本");
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

QDoubleSpinBox *millimetres(double minimum = -1000)
{
    auto *box = new QDoubleSpinBox;
    box->setRange(minimum, 2000);
    box->setDecimals(1);
    box->setSingleStep(0.5);
    box->setSuffix(QStringLiteral(" 毫米"));
    box->setKeyboardTracking(true);
    return box;
}

void showColour(QPushButton *button, const QColor &colour)
{
    button->setText(colour.isValid() ? colour.name() : QStringLiteral("无"));
    QPixmap swatch(14, 14);
    swatch.fill(colour.isValid() ? colour : Qt::transparent);
    button->setIcon(QIcon(swatch));
}

// A value shared by every selected element, or nothing when they differ.
template <typename T, typename Get>
std::optional<T> common(const DesignDocument &document, const QList<ElementId> &ids, Get get)
{
    std::optional<T> value;
    for (ElementId id : ids) {
        const T v = get(document.element(id));
        if (!value)
            value = v;
        else if (!(*value == v))
            return std::nullopt;
    }
    return value;
}

} // namespace

template <typename W> W *PropertyPanel::named(W *widget, const char *name, const QString &tip)
{
    widget->setObjectName(QLatin1String(name));
    widget->setToolTip(tip);
    widget->setAccessibleName(tip);
    return widget;
}

PropertyPanel::PropertyPanel(DesignDocument &document, DesignCanvas &canvas, QWidget *parent)
    : QWidget(parent), m_document(document), m_canvas(canvas)
{
    setObjectName(QStringLiteral("propertyPanel"));
    setMinimumWidth(340);
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
        if (index == 1 && !m_title)
            buildPageTab();
        else if (index == 2 && !m_fields)
            buildFieldsTab();
        refresh();
    });

    connect(&m_canvas, &DesignCanvas::selectionChanged, this, &PropertyPanel::refreshElement);
    connect(&m_document, &DesignDocument::changed, this, &PropertyPanel::refresh);
    // Leaving a box ends its gesture: the next edit there is a step of its own.
    connect(qApp, &QApplication::focusChanged, this, [this] { m_document.endGesture(); });
    refresh();
}

void PropertyPanel::buildElementTab()
{
    auto *scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_elementTab = new QWidget;
    scroll->setWidget(m_elementTab);
    m_tabs->addTab(scroll, QStringLiteral("元素"));
    auto *layout = new QVBoxLayout(m_elementTab);
    m_selectionLabel = named(new QLabel, "lblSelection", QStringLiteral("选中的元素"));
    layout->addWidget(m_selectionLabel);
    layout->addStretch(1);
}

// The boxes for element properties, made when an element is first selected: the designer
// opens sooner without them.
void PropertyPanel::buildElementBoxes()
{
    auto *layout = static_cast<QVBoxLayout *>(m_elementTab->layout());
    delete layout->takeAt(layout->count() - 1); // the stretch goes below the boxes
    // Position, size, name and lock.
    m_geometryBox = new QGroupBox(QStringLiteral("位置和大小"));
    auto *geometry = new QFormLayout(m_geometryBox);
    m_x = named(millimetres(), "spnLeft", QStringLiteral("左边距页面左边的距离（毫米）"));
    m_y = named(millimetres(), "spnTop", QStringLiteral("上边距页面上边的距离（毫米）"));
    m_width = named(millimetres(0), "spnWidth", QStringLiteral("宽度（毫米）"));
    m_height = named(millimetres(0), "spnHeight", QStringLiteral("高度（毫米）"));
    geometry->addRow(QStringLiteral("左："), m_x);
    geometry->addRow(QStringLiteral("上："), m_y);
    geometry->addRow(QStringLiteral("宽："), m_width);
    geometry->addRow(QStringLiteral("高："), m_height);
    m_name = named(new QLineEdit, "edtName", QStringLiteral("元素名称"));
    geometry->addRow(QStringLiteral("名称："), m_name);
    m_locked = named(new QCheckBox(QStringLiteral("锁定（不能移动）")), "chkLocked",
                     QStringLiteral("锁定后不能用鼠标或方向键移动，也不会被框选"));
    geometry->addRow(m_locked);
    layout->addWidget(m_geometryBox);
    const auto geometryEdit = [this](QDoubleSpinBox *box, int key, auto apply) {
        connect(box, &QDoubleSpinBox::valueChanged, this, [this, box, key, apply](double v) {
            if (box->value() == box->minimum() && !box->specialValueText().isEmpty())
                return;
            editGeometry(key, [&](QRectF &r) { apply(r, v); });
        });
    };
    geometryEdit(m_x, KeyX, [](QRectF &r, double v) { r.moveLeft(v); });
    geometryEdit(m_y, KeyY, [](QRectF &r, double v) { r.moveTop(v); });
    geometryEdit(m_width, KeyWidth, [](QRectF &r, double v) { r.setWidth(v); });
    geometryEdit(m_height, KeyHeight, [](QRectF &r, double v) { r.setHeight(v); });
    connect(m_name, &QLineEdit::textEdited, this, [this](const QString &text) {
        edit(KeyName, QStringLiteral("修改名称"), [&](ReportElement &e) { e.name = text; });
    });
    connect(m_locked, &QCheckBox::clicked, this, [this](bool on) {
        edit(KeyLocked, on ? QStringLiteral("锁定") : QStringLiteral("解锁"),
             [&](ReportElement &e) { e.locked = on; });
    });

    // The text with embedded fields, and the inserter.
    m_textBox = new QGroupBox(QStringLiteral("文字"));
    auto *text = new QVBoxLayout(m_textBox);
    m_text = named(new QPlainTextEdit, "edtText",
                   QStringLiteral("元素的文字；字段写作 {字段名} 或 {字段名:格式}"));
    m_text->setMinimumHeight(90);
    text->addWidget(m_text);
    connect(m_text, &QPlainTextEdit::textChanged, this, [this] {
        const QString value = m_text->toPlainText();
        edit(KeyText, QStringLiteral("修改文字"), [&](ReportElement &e) {
            if (e.kind == ElementKind::Text)
                e.text = value;
        });
    });
    auto *inserter = new QHBoxLayout;
    m_insertName = named(new QComboBox, "cbbInsertName", QStringLiteral("要插入的字段或系统变量"));
    m_insertFormat = named(new QComboBox, "cbbInsertFormat", QStringLiteral("显示格式"));
    m_insertFormat->setEditable(true);
    auto *insert = named(new QPushButton(QStringLiteral("插入")), "btnInsertField",
                         QStringLiteral("在文字的光标处插入字段"));
    inserter->addWidget(m_insertName, 2);
    inserter->addWidget(m_insertFormat, 2);
    inserter->addWidget(insert);
    text->addLayout(inserter);
    m_insertExample = named(new QLabel, "lblInsertExample", QStringLiteral("显示效果示例"));
    text->addWidget(m_insertExample);
    connect(m_insertName, &QComboBox::currentIndexChanged, this, [this] {
        if (m_refreshing)
            return;
        const QString name = m_insertName->currentData().toString();
        m_insertFormat->clear();
        m_insertFormat->addItems(formatsFor(name, typeOf(name)));
    });
    connect(m_insertFormat, &QComboBox::currentTextChanged, this, [this] {
        const QString name = m_insertName->currentData().toString();
        m_insertExample->setText(
            name.isEmpty()
                ? QString()
                : QStringLiteral("示例：") +
                      DisplayFormat::apply(sampleValue(name), m_insertFormat->currentText()));
    });
    connect(insert, &QPushButton::clicked, this, Guard::slot([this] {
                insertPlaceholder(m_insertName->currentData().toString(),
                                  m_insertFormat->currentText());
            }));
    layout->addWidget(m_textBox);

    // A field box and a system value.
    m_fieldBox = new QGroupBox(QStringLiteral("字段"));
    auto *fieldForm = new QFormLayout(m_fieldBox);
    m_field = named(new QComboBox, "cbbField", QStringLiteral("显示的字段"));
    m_fieldFormat = named(new QComboBox, "cbbFieldFormat", QStringLiteral("字段的显示格式"));
    m_fieldFormat->setEditable(true);
    fieldForm->addRow(QStringLiteral("字段："), m_field);
    fieldForm->addRow(QStringLiteral("格式："), m_fieldFormat);
    connect(m_field, &QComboBox::currentTextChanged, this, [this](const QString &name) {
        edit(KeyField, QStringLiteral("修改字段"), [&](ReportElement &e) { e.field = name; });
    });
    connect(m_fieldFormat, &QComboBox::currentTextChanged, this, [this](const QString &format) {
        edit(KeyFieldFormat, QStringLiteral("修改格式"),
             [&](ReportElement &e) { e.format = format; });
    });
    layout->addWidget(m_fieldBox);

    m_systemBox = new QGroupBox(QStringLiteral("系统变量"));
    auto *systemForm = new QFormLayout(m_systemBox);
    m_systemValue = named(new QComboBox, "cbbSystemValue", QStringLiteral("显示的系统变量"));
    m_systemValue->addItems(
        {QStringLiteral("页码"), QStringLiteral("总页数"), QStringLiteral("打印日期")});
    m_systemFormat = named(new QComboBox, "cbbSystemFormat", QStringLiteral("日期的显示格式"));
    m_systemFormat->setEditable(true);
    m_systemFormat->addItems(formatsFor(TemplateText::PrintDate, FieldType::Date));
    systemForm->addRow(QStringLiteral("变量："), m_systemValue);
    systemForm->addRow(QStringLiteral("格式："), m_systemFormat);
    connect(m_systemValue, &QComboBox::currentIndexChanged, this, [this](int index) {
        edit(KeySystem, QStringLiteral("修改系统变量"),
             [&](ReportElement &e) { e.systemValue = SystemValueKind(index); });
    });
    connect(m_systemFormat, &QComboBox::currentTextChanged, this, [this](const QString &format) {
        edit(KeySystemFormat, QStringLiteral("修改格式"),
             [&](ReportElement &e) { e.format = format; });
    });
    layout->addWidget(m_systemBox);

    // Font, alignment and colour of texts.
    m_fontBox = new QGroupBox(QStringLiteral("字体"));
    auto *font = new QFormLayout(m_fontBox);
    m_family = named(new QComboBox, "cbbFontFamily", QStringLiteral("字体"));
    m_family->setEditable(true);
    // The faces letters are set in; any other installed family can be typed.
    for (const char *family : kFamilies)
        m_family->addItem(QString::fromUtf8(family));
    m_pointSize = named(new QDoubleSpinBox, "spnFontSize", QStringLiteral("字号（磅）"));
    m_pointSize->setRange(4, 144);
    m_pointSize->setDecimals(1);
    m_pointSize->setSuffix(QStringLiteral(" 磅"));
    m_lineSpacing = named(new QDoubleSpinBox, "spnLineSpacing", QStringLiteral("行距（倍）"));
    m_lineSpacing->setRange(0.5, 10);
    m_lineSpacing->setSingleStep(0.1);
    m_lineSpacing->setSuffix(QStringLiteral(" 倍"));
    auto *styles = new QHBoxLayout;
    m_bold = named(new QCheckBox(QStringLiteral("粗体")), "chkBold", QStringLiteral("粗体"));
    m_italic = named(new QCheckBox(QStringLiteral("斜体")), "chkItalic", QStringLiteral("斜体"));
    m_underline =
        named(new QCheckBox(QStringLiteral("下划线")), "chkUnderline", QStringLiteral("下划线"));
    m_wrap = named(new QCheckBox(QStringLiteral("自动换行")), "chkWrap",
                   QStringLiteral("文字超出宽度时自动换行"));
    for (QCheckBox *box : {m_bold, m_italic, m_underline, m_wrap})
        styles->addWidget(box);
    m_horizontal = named(new QComboBox, "cbbAlignHorizontal", QStringLiteral("水平对齐"));
    m_horizontal->addItems({QStringLiteral("左对齐"), QStringLiteral("居中"),
                            QStringLiteral("右对齐"), QStringLiteral("两端对齐")});
    m_vertical = named(new QComboBox, "cbbAlignVertical", QStringLiteral("垂直对齐"));
    m_vertical->addItems({QStringLiteral("顶端"), QStringLiteral("居中"), QStringLiteral("底端")});
    m_textColour = named(new QPushButton, "btnTextColour", QStringLiteral("文字颜色"));
    font->addRow(QStringLiteral("字体："), m_family);
    font->addRow(QStringLiteral("字号："), m_pointSize);
    font->addRow(styles);
    font->addRow(QStringLiteral("水平："), m_horizontal);
    font->addRow(QStringLiteral("垂直："), m_vertical);
    font->addRow(QStringLiteral("行距："), m_lineSpacing);
    font->addRow(QStringLiteral("颜色："), m_textColour);
    connect(m_family, &QComboBox::currentTextChanged, this, [this](const QString &family) {
        if (!family.trimmed().isEmpty())
            edit(KeyFamily, QStringLiteral("修改字体"),
                 [&](ReportElement &e) { e.style.family = family.trimmed(); });
    });
    connect(m_pointSize, &QDoubleSpinBox::valueChanged, this, [this](double size) {
        edit(KeySize, QStringLiteral("修改字号"),
             [&](ReportElement &e) { e.style.pointSize = size; });
    });
    connect(m_lineSpacing, &QDoubleSpinBox::valueChanged, this, [this](double spacing) {
        edit(KeySpacing, QStringLiteral("修改行距"),
             [&](ReportElement &e) { e.style.lineSpacing = spacing; });
    });
    const auto styleCheck = [this](QCheckBox *box, int key, const QString &what,
                                   bool TextStyle::*member) {
        connect(box, &QCheckBox::clicked, this, [this, key, what, member](bool on) {
            edit(key, what, [&](ReportElement &e) { e.style.*member = on; });
        });
    };
    styleCheck(m_bold, KeyBold, QStringLiteral("粗体"), &TextStyle::bold);
    styleCheck(m_italic, KeyItalic, QStringLiteral("斜体"), &TextStyle::italic);
    styleCheck(m_underline, KeyUnderline, QStringLiteral("下划线"), &TextStyle::underline);
    styleCheck(m_wrap, KeyWrap, QStringLiteral("自动换行"), &TextStyle::wrap);
    const auto alignEdit = [this] {
        static const Qt::Alignment horizontal[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight,
                                                   Qt::AlignJustify};
        static const Qt::Alignment vertical[] = {Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom};
        const int h = m_horizontal->currentIndex(), v = m_vertical->currentIndex();
        edit(KeyAlign, QStringLiteral("修改对齐"), [&](ReportElement &e) {
            if (h >= 0)
                e.style.alignment = (e.style.alignment & ~Qt::AlignHorizontal_Mask) | horizontal[h];
            if (v >= 0)
                e.style.alignment = (e.style.alignment & ~Qt::AlignVertical_Mask) | vertical[v];
        });
    };
    connect(m_horizontal, &QComboBox::activated, this, alignEdit);
    connect(m_vertical, &QComboBox::activated, this, alignEdit);
    connect(m_textColour, &QPushButton::clicked, this,
            [this] { chooseColour(KeyTextColour, false); });
    layout->addWidget(m_fontBox);

    // Lines, borders and fill.
    m_lineBox = new QGroupBox(QStringLiteral("线条和填充"));
    auto *line = new QFormLayout(m_lineBox);
    m_penWidth = named(new QDoubleSpinBox, "spnPenWidth", QStringLiteral("线宽（毫米）"));
    m_penWidth->setRange(0, 10);
    m_penWidth->setDecimals(2);
    m_penWidth->setSingleStep(0.1);
    m_penWidth->setSuffix(QStringLiteral(" 毫米"));
    m_penColour = named(new QPushButton, "btnPenColour", QStringLiteral("线条颜色"));
    m_dashed = named(new QCheckBox(QStringLiteral("虚线")), "chkDashed", QStringLiteral("虚线"));
    m_fillColour = named(new QPushButton, "btnFillColour", QStringLiteral("填充颜色"));
    m_noFill = named(new QCheckBox(QStringLiteral("不填充")), "chkNoFill",
                     QStringLiteral("矩形不填充颜色"));
    line->addRow(QStringLiteral("线宽："), m_penWidth);
    line->addRow(QStringLiteral("颜色："), m_penColour);
    line->addRow(m_dashed);
    line->addRow(QStringLiteral("填充："), m_fillColour);
    line->addRow(m_noFill);
    connect(m_penWidth, &QDoubleSpinBox::valueChanged, this, [this](double width) {
        edit(KeyPenWidth, QStringLiteral("修改线宽"),
             [&](ReportElement &e) { e.penWidthMm = width; });
    });
    connect(m_penColour, &QPushButton::clicked, this, [this] { chooseColour(KeyPenColour, true); });
    connect(m_dashed, &QCheckBox::clicked, this, [this](bool on) {
        edit(KeyDashed, QStringLiteral("虚线"), [&](ReportElement &e) { e.dashed = on; });
    });
    connect(m_fillColour, &QPushButton::clicked, this, [this] { chooseColour(KeyFill, false); });
    connect(m_noFill, &QCheckBox::clicked, this, [this](bool on) {
        edit(KeyFill, QStringLiteral("修改填充"), [&](ReportElement &e) {
            e.fillColor = on ? QColor() : (e.fillColor.isValid() ? e.fillColor : QColor(Qt::white));
        });
    });
    layout->addWidget(m_lineBox);

    // Table grids.
    m_tableBox = new QGroupBox(QStringLiteral("表格"));
    auto *table = new QFormLayout(m_tableBox);
    m_rows = named(new QSpinBox, "spnRows", QStringLiteral("表格的行数"));
    m_rows->setRange(1, 200);
    m_columns = named(new QSpinBox, "spnColumns", QStringLiteral("表格的列数"));
    m_columns->setRange(1, 50);
    m_columnWidths =
        named(new QLineEdit, "edtColumnWidths", QStringLiteral("各列宽度（毫米），用逗号分隔"));
    m_rowHeights =
        named(new QLineEdit, "edtRowHeights", QStringLiteral("各行高度（毫米），用逗号分隔"));
    m_cells = named(new QTableWidget, "tblCells", QStringLiteral("单元格文字"));
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

    // Pictures.
    m_pictureBox = new QGroupBox(QStringLiteral("图片"));
    auto *picture = new QVBoxLayout(m_pictureBox);
    m_picture = named(new QPushButton(QStringLiteral("选择图片文件…")), "btnPicture",
                      QStringLiteral("从 PNG、JPEG 或 SVG 文件载入图片"));
    m_keepAspect = named(new QCheckBox(QStringLiteral("保持长宽比")), "chkKeepAspect",
                         QStringLiteral("缩放时保持图片的长宽比"));
    picture->addWidget(m_picture);
    picture->addWidget(m_keepAspect);
    connect(m_picture, &QPushButton::clicked, this,
            Guard::slot(this, &PropertyPanel::choosePicture));
    connect(m_keepAspect, &QCheckBox::clicked, this, [this](bool on) {
        edit(KeyAspect, QStringLiteral("保持长宽比"), [&](ReportElement &e) { e.keepAspect = on; });
    });
    layout->addWidget(m_pictureBox);
    layout->addStretch(1);
}

void PropertyPanel::buildPageTab()
{
    QWidget *page = m_tabs->widget(1);
    auto *form = new QFormLayout(page);
    m_title = named(new QLineEdit, "edtTitle", QStringLiteral("报表标题，也是导出文件的默认名称"));
    m_paper = named(new QComboBox, "cbbPaper", QStringLiteral("纸张大小"));
    for (const Paper &paper : kPapers)
        m_paper->addItem(QString::fromLatin1(paper.name));
    m_paper->addItem(QStringLiteral("自定义"));
    m_paperWidth = named(millimetres(10), "spnPaperWidth", QStringLiteral("纸张宽度（毫米）"));
    m_paperHeight = named(millimetres(10), "spnPaperHeight", QStringLiteral("纸张高度（毫米）"));
    m_orientation = named(new QComboBox, "cbbOrientation", QStringLiteral("纸张方向"));
    m_orientation->addItems({QStringLiteral("纵向"), QStringLiteral("横向")});
    m_marginLeft = named(millimetres(0), "spnMarginLeft", QStringLiteral("左页边距（毫米）"));
    m_marginTop = named(millimetres(0), "spnMarginTop", QStringLiteral("上页边距（毫米）"));
    m_marginRight = named(millimetres(0), "spnMarginRight", QStringLiteral("右页边距（毫米）"));
    m_marginBottom = named(millimetres(0), "spnMarginBottom", QStringLiteral("下页边距（毫米）"));
    form->addRow(QStringLiteral("标题："), m_title);
    form->addRow(QStringLiteral("纸张："), m_paper);
    form->addRow(QStringLiteral("宽度："), m_paperWidth);
    form->addRow(QStringLiteral("高度："), m_paperHeight);
    form->addRow(QStringLiteral("方向："), m_orientation);
    form->addRow(QStringLiteral("左边距："), m_marginLeft);
    form->addRow(QStringLiteral("上边距："), m_marginTop);
    form->addRow(QStringLiteral("右边距："), m_marginRight);
    form->addRow(QStringLiteral("下边距："), m_marginBottom);
    connect(m_title, &QLineEdit::editingFinished, this, [this] {
        if (!m_refreshing)
            m_document.setPage(m_document.reportTemplate().page, m_title->text());
    });
    connect(m_paper, &QComboBox::activated, this, [this](int index) {
        if (index < int(std::size(kPapers)))
            editPage([&](PageSetup &p) {
                p.widthMm = kPapers[index].width;
                p.heightMm = kPapers[index].height;
            });
    });
    connect(m_orientation, &QComboBox::activated, this,
            [this](int index) { editPage([&](PageSetup &p) { p.landscape = index == 1; }); });
    const auto pageEdit = [this](QDoubleSpinBox *box, double PageSetup::*member) {
        connect(box, &QDoubleSpinBox::editingFinished, this,
                [this, box, member] { editPage([&](PageSetup &p) { p.*member = box->value(); }); });
    };
    pageEdit(m_paperWidth, &PageSetup::widthMm);
    pageEdit(m_paperHeight, &PageSetup::heightMm);
    pageEdit(m_marginLeft, &PageSetup::marginLeftMm);
    pageEdit(m_marginTop, &PageSetup::marginTopMm);
    pageEdit(m_marginRight, &PageSetup::marginRightMm);
    pageEdit(m_marginBottom, &PageSetup::marginBottomMm);
}

void PropertyPanel::buildFieldsTab()
{
    auto *layout = new QVBoxLayout(m_tabs->widget(2));
    m_fields = named(new QTableWidget(0, 2), "tblFields", QStringLiteral("模板声明的字段"));
    m_fields->setHorizontalHeaderLabels({QStringLiteral("字段名"), QStringLiteral("类型")});
    m_fields->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_fields->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_fields->setSelectionMode(QAbstractItemView::SingleSelection);
    m_fields->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(m_fields);
    auto *buttons = new QHBoxLayout;
    auto *add = named(new QPushButton(QStringLiteral("添加…")), "btnAddField",
                      QStringLiteral("声明一个新字段"));
    auto *rename = named(new QPushButton(QStringLiteral("改名…")), "btnRenameField",
                         QStringLiteral("改字段名，模板中的引用一并修改"));
    auto *remove = named(new QPushButton(QStringLiteral("删除")), "btnRemoveField",
                         QStringLiteral("删除选中的字段"));
    for (QPushButton *b : {add, rename, remove})
        buttons->addWidget(b);
    layout->addLayout(buttons);
    connect(add, &QPushButton::clicked, this, Guard::slot(this, &PropertyPanel::addField));
    connect(rename, &QPushButton::clicked, this, Guard::slot(this, &PropertyPanel::renameField));
    connect(remove, &QPushButton::clicked, this, Guard::slot(this, &PropertyPanel::removeField));
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
    for (const FieldDeclaration &field : knownFields())
        if (field.name == name)
            return field.type;
    return FieldType::Text;
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

void PropertyPanel::edit(int key, const QString &what,
                         const std::function<void(ReportElement &)> &change)
{
    if (m_refreshing)
        return;
    // Called straight from the boxes' signals: the guard is the boundary here.
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

void PropertyPanel::editGeometry(int key, const std::function<void(QRectF &)> &change)
{
    if (m_refreshing)
        return;
    Guard::run([&] {
        QHash<ElementId, ReportElement> values;
        for (ElementId id : m_canvas.selection()) {
            const ReportElement &element = m_document.element(id);
            if (element.locked)
                continue;
            QRectF r = element.rectMm;
            change(r);
            values.insert(id, DesignOperations::withRect(element, r));
        }
        m_document.changeElements(values, QStringLiteral("修改位置和大小"), key);
    });
}

void PropertyPanel::editPage(const std::function<void(PageSetup &)> &change)
{
    if (m_refreshing)
        return;
    Guard::run([&] {
        PageSetup page = m_document.reportTemplate().page;
        change(page);
        m_document.setPage(page, m_document.reportTemplate().title);
    });
}

void PropertyPanel::chooseColour(int key, bool pen)
{
    const QList<ElementId> &selection = m_canvas.selection();
    if (selection.isEmpty())
        return;
    const ReportElement &first = m_document.element(selection[0]);
    const QColor current = key == KeyTextColour ? first.style.color
                           : pen                ? first.penColor
                                                : first.fillColor;
    const QColor chosen = QColorDialog::getColor(current.isValid() ? current : QColor(Qt::white),
                                                 this, QStringLiteral("选择颜色"));
    if (!chosen.isValid())
        return;
    edit(key, QStringLiteral("修改颜色"), [&](ReportElement &e) {
        if (key == KeyTextColour)
            e.style.color = chosen;
        else if (pen)
            e.penColor = chosen;
        else
            e.fillColor = chosen;
    });
}

void PropertyPanel::choosePicture()
{
    const QString path = Prompts::current().openFileName(
        this, {QStringLiteral("图片 (*.png *.jpg *.jpeg *.svg)"), QString(), QString()});
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("无法读取图片“%1”：%2")
                            .arg(QFileInfo(path).fileName(), file.errorString()));
    const QByteArray data = file.read(32 * 1024 * 1024);
    const bool svg = data.trimmed().startsWith("<");
    QImage image;
    if (!svg && !image.loadFromData(data))
        throw Exception(
            QStringLiteral("“%1”不是可用的 PNG、JPEG 或 SVG 图片").arg(QFileInfo(path).fileName()));
    edit(KeyPicture, QStringLiteral("更换图片"), [&](ReportElement &e) {
        if (e.kind != ElementKind::Picture)
            return;
        e.imageData = data;
        // A new picture keeps its own proportions in the box's width.
        if (!svg && e.keepAspect && image.width() > 0)
            e.rectMm.setHeight(e.rectMm.width() * image.height() / image.width());
    });
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
    // A field of the owner's that the template does not declare yet is declared now.
    if (!name.startsWith(QLatin1Char('#')) && m_document.reportTemplate().fieldIndex(name) < 0) {
        QList<FieldDeclaration> fields = m_document.reportTemplate().fields;
        fields.append({name, typeOf(name)});
        m_document.setFields(fields, {}, QStringLiteral("添加字段"));
    }
    const QList<ElementId> &selection = m_canvas.selection();
    if (selection.size() == 1 && m_document.element(selection[0]).kind == ElementKind::Text) {
        ReportElement element = m_document.element(selection[0]);
        QTextCursor cursor = m_text->textCursor();
        const int at = m_text->hasFocus() || cursor.position() > 0
                           ? std::min(int(element.text.size()), cursor.position())
                           : int(element.text.size());
        element.text.insert(at, placeholder);
        m_document.changeElements({{selection[0], element}}, QStringLiteral("插入字段"));
    } else {
        ReportElement element;
        element.text = placeholder;
        const PageSetup &page = m_document.reportTemplate().page;
        element.rectMm = QRectF(page.marginLeftMm, page.marginTopMm, 60, 8);
        m_canvas.setSelection(m_document.insertElements({element}, QStringLiteral("插入字段")));
    }
    undo->endMacro();
}

void PropertyPanel::addField()
{
    const QString name =
        Prompts::current()
            .askText(this, QStringLiteral("添加字段"), QStringLiteral("字段名："), QString())
            .trimmed();
    if (name.isEmpty())
        return;
    if (name.contains(QLatin1Char('{')) || name.contains(QLatin1Char('}')) ||
        name.contains(QLatin1Char(':')) || name.startsWith(QLatin1Char('#')))
        throw Exception(QStringLiteral("字段名“%1”不能含有 { } : 或以 # 开头").arg(name));
    if (m_document.reportTemplate().fieldIndex(name) >= 0)
        throw Exception(QStringLiteral("模板中已有名为“%1”的字段").arg(name));
    QList<FieldDeclaration> fields = m_document.reportTemplate().fields;
    fields.append({name, typeOf(name)});
    m_document.setFields(fields, {}, QStringLiteral("添加字段"));
}

void PropertyPanel::renameField()
{
    const int row = m_fields->currentRow();
    QList<FieldDeclaration> fields = m_document.reportTemplate().fields;
    if (row < 0 || row >= fields.size())
        return;
    const QString from = fields[row].name;
    const QString to = Prompts::current()
                           .askText(this, QStringLiteral("字段改名"),
                                    QStringLiteral("“%1”的新名称：").arg(from), from)
                           .trimmed();
    if (to.isEmpty() || to == from)
        return;
    if (to.contains(QLatin1Char('{')) || to.contains(QLatin1Char('}')) ||
        to.contains(QLatin1Char(':')) || to.startsWith(QLatin1Char('#')))
        throw Exception(QStringLiteral("字段名“%1”不能含有 { } : 或以 # 开头").arg(to));
    if (m_document.reportTemplate().fieldIndex(to) >= 0)
        throw Exception(QStringLiteral("模板中已有名为“%1”的字段").arg(to));
    fields[row].name = to;
    m_document.setFields(fields, DesignOperations::withFieldRenamed(m_document, from, to),
                         QStringLiteral("字段改名"));
}

void PropertyPanel::removeField()
{
    const int row = m_fields->currentRow();
    QList<FieldDeclaration> fields = m_document.reportTemplate().fields;
    if (row < 0 || row >= fields.size())
        return;
    const QString name = fields[row].name;
    const qsizetype uses = DesignOperations::usesOfField(m_document, name).size();
    if (uses > 0 &&
        !Prompts::current().askOkCancel(
            this, QStringLiteral("提示"),
            QStringLiteral("有 %1 个元素引用了字段“%2”，删除后它们将原样显示“{%2}”。确定删除吗？")
                .arg(uses)
                .arg(name)))
        return;
    fields.removeAt(row);
    m_document.setFields(fields, {}, QStringLiteral("删除字段"));
}

void PropertyPanel::setFieldType(int row, FieldType type)
{
    QList<FieldDeclaration> fields = m_document.reportTemplate().fields;
    if (row < 0 || row >= fields.size() || fields[row].type == type)
        return;
    fields[row].type = type;
    m_document.setFields(fields, {}, QStringLiteral("修改字段类型"));
}

void PropertyPanel::refresh()
{
    refreshElement();
    refreshPage();
    refreshFields();
}

void PropertyPanel::refreshInserter()
{
    const QString current = m_insertName->currentData().toString();
    m_insertName->clear();
    for (const FieldDeclaration &field : knownFields())
        m_insertName->addItem(QStringLiteral("%1（%2）").arg(field.name, typeName(field.type)),
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
    m_insertExample->setText(
        QStringLiteral("示例：") +
        DisplayFormat::apply(sampleValue(name), m_insertFormat->currentText()));
}

void PropertyPanel::refreshElement()
{
    const QScopedValueRollback refreshing(m_refreshing, true);
    const QList<ElementId> &ids = m_canvas.selection();
    const DesignDocument &d = m_document;
    QSet<ElementKind> kinds;
    for (ElementId id : ids)
        kinds.insert(d.element(id).kind);
    const auto any = [&](std::initializer_list<ElementKind> list) {
        for (ElementKind k : list)
            if (kinds.contains(k))
                return true;
        return false;
    };
    m_selectionLabel->setText(
        ids.isEmpty()     ? QStringLiteral("未选中元素：在画布上单击或框选元素。")
        : ids.size() == 1 ? QStringLiteral("选中 1 个元素")
                          : QStringLiteral("选中 %1 个元素，修改将应用于全部").arg(ids.size()));
    if (!m_geometryBox) {
        if (ids.isEmpty())
            return;
        buildElementBoxes();
    }
    m_geometryBox->setVisible(!ids.isEmpty());
    m_textBox->setVisible(ids.size() == 1 && any({ElementKind::Text}));
    m_fieldBox->setVisible(!ids.isEmpty() && kinds == QSet<ElementKind>{ElementKind::Field});
    m_systemBox->setVisible(!ids.isEmpty() && kinds == QSet<ElementKind>{ElementKind::SystemValue});
    m_fontBox->setVisible(
        any({ElementKind::Text, ElementKind::Field, ElementKind::SystemValue, ElementKind::Table}));
    m_lineBox->setVisible(any({ElementKind::Line, ElementKind::Rectangle, ElementKind::Table}));
    m_tableBox->setVisible(ids.size() == 1 && any({ElementKind::Table}));
    m_pictureBox->setVisible(!ids.isEmpty() && kinds == QSet<ElementKind>{ElementKind::Picture});
    if (ids.isEmpty())
        return;

    const auto showNumber = [](QDoubleSpinBox *box, std::optional<double> value) {
        // Differing values show as "多个值" until the user types one for all.
        box->setSpecialValueText(value ? QString() : QStringLiteral("多个值"));
        box->setValue(value ? *value : box->minimum());
    };
    showNumber(m_x, common<double>(d, ids, [](const ReportElement &e) { return e.rectMm.x(); }));
    showNumber(m_y, common<double>(d, ids, [](const ReportElement &e) { return e.rectMm.y(); }));
    showNumber(m_width,
               common<double>(d, ids, [](const ReportElement &e) { return e.rectMm.width(); }));
    showNumber(m_height,
               common<double>(d, ids, [](const ReportElement &e) { return e.rectMm.height(); }));
    const auto name = common<QString>(d, ids, [](const ReportElement &e) { return e.name; });
    if (m_name->text() != name.value_or(QString()))
        m_name->setText(name.value_or(QString()));
    m_name->setPlaceholderText(name ? QString() : QStringLiteral("多个值"));
    const auto locked = common<bool>(d, ids, [](const ReportElement &e) { return e.locked; });
    m_locked->setTristate(!locked);
    m_locked->setCheckState(!locked ? Qt::PartiallyChecked : *locked ? Qt::Checked : Qt::Unchecked);

    if (m_textBox->isVisible()) {
        const QString text = d.element(ids[0]).text;
        if (m_text->toPlainText() != text)
            m_text->setPlainText(text);
        refreshInserter();
    }
    if (m_fieldBox->isVisible()) {
        m_field->clear();
        for (const FieldDeclaration &field : knownFields())
            m_field->addItem(field.name);
        const ReportElement &first = d.element(ids[0]);
        m_field->setCurrentText(first.field);
        m_fieldFormat->clear();
        m_fieldFormat->addItems(formatsFor(first.field, typeOf(first.field)));
        m_fieldFormat->setCurrentText(first.format);
    }
    if (m_systemBox->isVisible()) {
        const ReportElement &first = d.element(ids[0]);
        m_systemValue->setCurrentIndex(int(first.systemValue));
        m_systemFormat->setCurrentText(first.format);
    }
    if (m_fontBox->isVisible()) {
        const auto style = [&](auto get) {
            return common<std::decay_t<decltype(get(TextStyle()))>>(
                d, ids, [&](const ReportElement &e) { return get(e.style); });
        };
        const auto family = style([](const TextStyle &s) { return s.family; });
        m_family->setCurrentText(family.value_or(QString()));
        showNumber(m_pointSize, style([](const TextStyle &s) { return s.pointSize; }));
        showNumber(m_lineSpacing, style([](const TextStyle &s) { return s.lineSpacing; }));
        const auto check = [](QCheckBox *box, std::optional<bool> on) {
            box->setTristate(!on);
            box->setCheckState(!on ? Qt::PartiallyChecked : *on ? Qt::Checked : Qt::Unchecked);
        };
        check(m_bold, style([](const TextStyle &s) { return s.bold; }));
        check(m_italic, style([](const TextStyle &s) { return s.italic; }));
        check(m_underline, style([](const TextStyle &s) { return s.underline; }));
        check(m_wrap, style([](const TextStyle &s) { return s.wrap; }));
        const auto horizontal = style([](const TextStyle &s) {
            const Qt::Alignment h = s.alignment & Qt::AlignHorizontal_Mask;
            return h & Qt::AlignJustify ? 3 : h & Qt::AlignHCenter ? 1 : h & Qt::AlignRight ? 2 : 0;
        });
        const auto vertical = style([](const TextStyle &s) {
            const Qt::Alignment v = s.alignment & Qt::AlignVertical_Mask;
            return v & Qt::AlignVCenter ? 1 : v & Qt::AlignBottom ? 2 : 0;
        });
        m_horizontal->setCurrentIndex(horizontal.value_or(-1));
        m_vertical->setCurrentIndex(vertical.value_or(-1));
        showColour(m_textColour, d.element(ids[0]).style.color);
    }
    if (m_lineBox->isVisible()) {
        showNumber(m_penWidth,
                   common<double>(d, ids, [](const ReportElement &e) { return e.penWidthMm; }));
        showColour(m_penColour, d.element(ids[0]).penColor);
        showColour(m_fillColour, d.element(ids[0]).fillColor);
        m_dashed->setChecked(d.element(ids[0]).dashed);
        m_noFill->setChecked(!d.element(ids[0]).fillColor.isValid());
    }
    if (m_tableBox->isVisible()) {
        const ReportElement &table = d.element(ids[0]);
        m_rows->setValue(int(table.rowHeightsMm.size()));
        m_columns->setValue(int(table.columnWidthsMm.size()));
        m_columnWidths->setText(joined(table.columnWidthsMm));
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
    if (m_pictureBox->isVisible())
        m_keepAspect->setChecked(d.element(ids[0]).keepAspect);
}

void PropertyPanel::refreshPage()
{
    if (!m_title)
        return;
    const QScopedValueRollback refreshing(m_refreshing, true);
    const PageSetup &page = m_document.reportTemplate().page;
    if (m_title->text() != m_document.reportTemplate().title)
        m_title->setText(m_document.reportTemplate().title);
    int paper = int(std::size(kPapers));
    for (int i = 0; i < int(std::size(kPapers)); ++i)
        if (std::abs(kPapers[i].width - page.widthMm) < 0.05 &&
            std::abs(kPapers[i].height - page.heightMm) < 0.05)
            paper = i;
    m_paper->setCurrentIndex(paper);
    m_paperWidth->setValue(page.widthMm);
    m_paperHeight->setValue(page.heightMm);
    m_orientation->setCurrentIndex(page.landscape ? 1 : 0);
    m_marginLeft->setValue(page.marginLeftMm);
    m_marginTop->setValue(page.marginTopMm);
    m_marginRight->setValue(page.marginRightMm);
    m_marginBottom->setValue(page.marginBottomMm);
}

void PropertyPanel::refreshFields()
{
    if (!m_fields)
        return;
    const QScopedValueRollback refreshing(m_refreshing, true);
    const QList<FieldDeclaration> &fields = m_document.reportTemplate().fields;
    const int current = m_fields->currentRow();
    m_fields->setRowCount(int(fields.size()));
    for (int row = 0; row < fields.size(); ++row) {
        m_fields->setItem(row, 0, new QTableWidgetItem(fields[row].name));
        auto *type = new QComboBox;
        type->setAccessibleName(QStringLiteral("字段“%1”的类型").arg(fields[row].name));
        type->addItems(
            {typeName(FieldType::Text), typeName(FieldType::Date), typeName(FieldType::Number)});
        type->setCurrentIndex(int(fields[row].type));
        connect(type, &QComboBox::activated, this, [this, row](int index) {
            Guard::run([&] { setFieldType(row, FieldType(index)); });
        });
        m_fields->setCellWidget(row, 1, type);
    }
    if (current >= 0 && current < fields.size())
        m_fields->selectRow(current);
}

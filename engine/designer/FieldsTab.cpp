#include "FieldsTab.h"

#include "DesignCanvas.h"
#include "DesignOperations.h"
#include "EditBoxes.h"
#include "FieldDragHandle.h"
#include "FieldTypeName.h"
#include "platform/Exception.h"
#include "platform/Guard.h"
#include "platform/Prompts.h"
#include "platform/QuotedContent.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// Rows drag their field's name onto the page.
class FieldTable : public QTableWidget
{
public:
    FieldTable() : QTableWidget(0, 4)
    {
        setDragEnabled(true);
        setDragDropMode(QAbstractItemView::DragOnly);
    }

protected:
    QStringList mimeTypes() const override { return {DesignCanvas::FieldMimeType}; }
    QMimeData *mimeData(const QList<QTableWidgetItem *> &items) const override
    {
        if (items.isEmpty())
            return nullptr;
        return FieldDragHandle::mimeFor(item(items.first()->row(), 0)->text());
    }
};

void checkName(const DesignDocument &document, const QString &name)
{
    if (name.contains(QLatin1Char('{')) || name.contains(QLatin1Char('}')) ||
        name.contains(QLatin1Char(':')) || name.startsWith(QLatin1Char('#')))
        throw Exception(
            QStringLiteral("字段名“%1”不能含有 { } : 或以 # 开头").arg(QuotedContent::of(name)));
    if (document.reportTemplate().fieldIndex(name) >= 0)
        throw Exception(QStringLiteral("模板中已有名为“%1”的字段").arg(QuotedContent::of(name)));
}

// How an element is named to the user: its own name, else its kind and a little of its text.
QString describe(const ReportElement &element)
{
    if (!element.name.isEmpty())
        return QStringLiteral("“%1”").arg(element.name);
    QString text = element.kind == ElementKind::Field
                       ? QLatin1Char('{') + element.field + QLatin1Char('}')
                       : element.text.simplified();
    if (text.size() > 16)
        text = text.left(15) + QStringLiteral("…");
    return QStringLiteral("“%1”").arg(text);
}

} // namespace

FieldsTab::FieldsTab(DesignDocument &document, DesignCanvas &canvas, QWidget *parent)
    : QWidget(parent), m_document(document), m_canvas(canvas)
{
    auto *layout = new QVBoxLayout(this);
    m_fields = new FieldTable;
    m_fields->setObjectName(QStringLiteral("tblFields"));
    m_fields->setToolTip(QStringLiteral("模板声明的字段；可把字段拖到页面上"));
    m_fields->setAccessibleName(QStringLiteral("模板声明的字段"));
    m_fields->setHorizontalHeaderLabels({QStringLiteral("字段名"), QStringLiteral("类型"),
                                         QStringLiteral("来源"), QStringLiteral("当前行的值")});
    // The name, type and source as wide as they need; the value takes the rest.
    for (int column = 0; column < 3; ++column)
        m_fields->horizontalHeader()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    m_fields->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
    m_fields->setWordWrap(false);
    m_fields->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_fields->setSelectionMode(QAbstractItemView::SingleSelection);
    m_fields->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(m_fields);
    m_warnings = new QLabel;
    m_warnings->setObjectName(QStringLiteral("lblFieldWarnings"));
    m_warnings->setWordWrap(true);
    m_warnings->setStyleSheet(QStringLiteral("color: #b35900"));
    m_warnings->hide();
    layout->addWidget(m_warnings);
    auto *buttons = new QHBoxLayout;
    const auto button = [&](const char *name, const QString &text, const QString &tip,
                            void (FieldsTab::*run)()) {
        auto *b = new QPushButton(text);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(tip);
        b->setAccessibleName(tip);
        buttons->addWidget(b);
        connect(b, &QPushButton::clicked, this, Guard::slot(this, run));
    };
    button("btnAddField", QStringLiteral("添加…"), QStringLiteral("声明一个新字段"),
           &FieldsTab::addField);
    button("btnRenameField", QStringLiteral("改名…"),
           QStringLiteral("改字段名，模板中的引用一并修改"), &FieldsTab::renameField);
    button("btnRemoveField", QStringLiteral("删除"), QStringLiteral("删除选中的字段"),
           &FieldsTab::removeField);
    layout->addLayout(buttons);
    refresh();
}

void FieldsTab::refresh()
{
    const QList<FieldDeclaration> &fields = m_document.reportTemplate().fields;
    const int current = m_fields->currentRow();
    m_fields->setRowCount(int(fields.size()));
    for (int row = 0; row < fields.size(); ++row) {
        auto *name = new QTableWidgetItem(fields[row].name);
        name->setFlags(name->flags() | Qt::ItemIsDragEnabled);
        m_fields->setItem(row, 0, name);
        auto *type = new QComboBox;
        type->setAccessibleName(QStringLiteral("字段“%1”的类型").arg(fields[row].name));
        type->addItems({fieldTypeName(FieldType::Text), fieldTypeName(FieldType::Date),
                        fieldTypeName(FieldType::Number)});
        type->setCurrentIndex(int(fields[row].type));
        connect(type, &QComboBox::activated, this,
                [this, row](int index) { Guard::run([&] { setFieldType(row, index); }); });
        m_fields->setCellWidget(row, 1, type);
        showSource(row, fields[row].name);
    }
    if (current >= 0 && current < fields.size())
        m_fields->selectRow(current);
    const SampleData &data = m_canvas.sampleData();
    const QStringList warnings = data.warningsFor ? data.warningsFor(fields) : QStringList();
    m_warnings->setText(warnings.join(QLatin1Char('\n')));
    m_warnings->setVisible(!warnings.isEmpty());
    EditBoxes::guardWheel(m_fields);
}

// Where the owner takes the field's values from, and its value in the record shown.
void FieldsTab::showSource(int row, const QString &field)
{
    const SampleData &data = m_canvas.sampleData();
    auto *source = new QTableWidgetItem;
    if (data.sourceOf) {
        const FieldSource where = data.sourceOf(field);
        source->setText(where.where);
        if (!where.found) {
            source->setForeground(Qt::red);
            source->setToolTip(QStringLiteral("打印时将因缺少此列而停止"));
        }
    }
    m_fields->setItem(row, 2, source);
    QString value;
    if (m_canvas.record() >= 0 && m_canvas.record() < data.records.size()) {
        const QVariant sample = data.records[m_canvas.record()].values.value(field);
        value = sample.typeId() == QMetaType::QDate    ? sample.toDate().toString(Qt::ISODate)
                : sample.typeId() == QMetaType::Double ? QString::number(sample.toDouble(), 'g', 15)
                                                       : sample.toString();
    }
    auto *shown = new QTableWidgetItem(value);
    shown->setToolTip(value);
    m_fields->setItem(row, 3, shown);
}

void FieldsTab::addField()
{
    const QString name =
        Prompts::current()
            .askText(this, QStringLiteral("添加字段"), QStringLiteral("字段名："), QString())
            .trimmed();
    if (name.isEmpty())
        return;
    checkName(m_document, name);
    QList<FieldDeclaration> fields = m_document.reportTemplate().fields;
    fields.append({name, m_canvas.sampleData().typeOf(name)});
    m_document.setFields(fields, {}, QStringLiteral("添加字段"));
}

void FieldsTab::renameField()
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
    checkName(m_document, to);
    fields[row].name = to;
    m_document.setFields(fields, DesignOperations::withFieldRenamed(m_document, from, to),
                         QStringLiteral("字段改名"));
}

QString FieldsTab::removalQuestion(const DesignDocument &document, const QString &name,
                                   bool required)
{
    const QList<ElementId> uses = DesignOperations::usesOfField(document, name);
    QStringList lines;
    if (required)
        lines.append(QStringLiteral("打印时需要字段“%1”，删除后将无法打印。").arg(name));
    if (!uses.isEmpty()) {
        QStringList names;
        for (ElementId id : uses)
            names.append(describe(document.element(id)));
        lines.append(QStringLiteral("有 %1 个元素引用了字段“%2”：%3。删除后它们将原样显示“{%2}”。")
                         .arg(uses.size())
                         .arg(name, names.join(QStringLiteral("、"))));
    }
    if (lines.isEmpty())
        return QString();
    lines.append(QStringLiteral("确定删除吗？"));
    return lines.join(QLatin1Char('\n'));
}

void FieldsTab::removeField()
{
    const int row = m_fields->currentRow();
    QList<FieldDeclaration> fields = m_document.reportTemplate().fields;
    if (row < 0 || row >= fields.size())
        return;
    const QString name = fields[row].name;
    const QString question =
        removalQuestion(m_document, name, m_canvas.sampleData().requiredFields.contains(name));
    if (!question.isEmpty() &&
        !Prompts::current().askOkCancel(this, QStringLiteral("提示"), question))
        return;
    fields.removeAt(row);
    m_document.setFields(fields, {}, QStringLiteral("删除字段"));
}

void FieldsTab::setFieldType(int row, int type)
{
    QList<FieldDeclaration> fields = m_document.reportTemplate().fields;
    if (row < 0 || row >= fields.size() || fields[row].type == FieldType(type))
        return;
    fields[row].type = FieldType(type);
    m_document.setFields(fields, {}, QStringLiteral("修改字段类型"));
}

#include "ReplyAreaList.h"

#include "DesignDocument.h"
#include "DesignOperations.h"
#include "EditBoxes.h"
#include "platform/Guard.h"

#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QVBoxLayout>

namespace {

struct Measure
{
    const char *name;
    const char *label;
    const char *tip;
};
const Measure kMeasures[] = {
    {"spnReplyAreaLeft", "左：", "回函区左边距纸张左边的距离（毫米）"},
    {"spnReplyAreaTop", "上：", "回函区上边距纸张顶端的距离（毫米）"},
    {"spnReplyAreaWidth", "宽：", "回函区的宽度（毫米）"},
    {"spnReplyAreaHeight", "高：", "回函区的高度（毫米）"},
};

// A new area: a seal's size, in the middle of the paper.
constexpr double kNewWidthMm = 40, kNewHeightMm = 40;

template <typename W> W *named(W *widget, const char *name, const QString &tip)
{
    widget->setObjectName(QLatin1String(name));
    widget->setToolTip(tip);
    widget->setAccessibleName(tip);
    return widget;
}

QString describe(const QRectF &area)
{
    return QStringLiteral("左 %1，上 %2，宽 %3，高 %4 毫米")
        .arg(area.x(), 0, 'g', 6)
        .arg(area.y(), 0, 'g', 6)
        .arg(area.width(), 0, 'g', 6)
        .arg(area.height(), 0, 'g', 6);
}

} // namespace

ReplyAreaList::ReplyAreaList(DesignDocument &document, QWidget *parent)
    : QWidget(parent), m_document(document)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_list = named(new QListWidget, "lstReplyAreas",
                   QStringLiteral("不属于任何元素的回函区，如被询证单位盖章处；核对回函时不比较"));
    m_list->setMaximumHeight(90);
    layout->addWidget(m_list);
    auto *form = new QFormLayout;
    for (const Measure &measure : kMeasures) {
        QDoubleSpinBox *box = EditBoxes::number(0, 2000, 1, 0.5, QStringLiteral(" 毫米"));
        named(box, measure.name, QString::fromUtf8(measure.tip));
        form->addRow(QString::fromUtf8(measure.label), box);
        m_measures.append(box);
        connect(box, &QDoubleSpinBox::valueChanged, this, [this] {
            if (!m_refreshing)
                Guard::run([this] { editChosen(); });
        });
    }
    layout->addLayout(form);
    auto *buttons = new QHBoxLayout;
    m_add = named(new QPushButton(QStringLiteral("添加回函区")), "btnAddReplyArea",
                  QStringLiteral("在纸张中间添加一个回函区，再按数字调整位置和大小"));
    m_remove = named(new QPushButton(QStringLiteral("删除回函区")), "btnRemoveReplyArea",
                     QStringLiteral("删除选中的回函区"));
    buttons->addWidget(m_add);
    buttons->addWidget(m_remove);
    layout->addLayout(buttons);
    connect(m_add, &QPushButton::clicked, this, [this] { Guard::run([this] { add(); }); });
    connect(m_remove, &QPushButton::clicked, this, [this] { Guard::run([this] { remove(); }); });
    connect(m_list, &QListWidget::currentRowChanged, this, [this] {
        if (!m_refreshing)
            showChosen();
    });
    refresh();
}

void ReplyAreaList::add()
{
    const PageSetup &page = m_document.reportTemplate().page;
    QList<QRectF> areas = m_document.reportTemplate().replyAreas;
    areas.append(DesignOperations::onPaper(QRectF((page.pageWidthMm() - kNewWidthMm) / 2,
                                                  (page.pageHeightMm() - kNewHeightMm) / 2,
                                                  kNewWidthMm, kNewHeightMm),
                                           page));
    m_document.setReplyAreas(areas, QStringLiteral("添加回函区"));
    m_list->setCurrentRow(int(areas.size()) - 1);
}

void ReplyAreaList::remove()
{
    QList<QRectF> areas = m_document.reportTemplate().replyAreas;
    const int row = m_list->currentRow();
    if (row < 0 || row >= areas.size())
        return;
    areas.removeAt(row);
    m_document.setReplyAreas(areas, QStringLiteral("删除回函区"));
}

void ReplyAreaList::editChosen()
{
    QList<QRectF> areas = m_document.reportTemplate().replyAreas;
    const int row = m_list->currentRow();
    if (row < 0 || row >= areas.size())
        return;
    const QRectF typed(m_measures[0]->value(), m_measures[1]->value(), m_measures[2]->value(),
                       m_measures[3]->value());
    areas[row] = DesignOperations::onPaper(typed, m_document.reportTemplate().page);
    m_document.setReplyAreas(areas, QStringLiteral("修改回函区"));
    // A value past the paper was taken in as far as it goes: the box shows what was kept.
    showChosen(true);
}

void ReplyAreaList::refresh()
{
    const QScopedValueRollback refreshing(m_refreshing, true);
    const QList<QRectF> &areas = m_document.reportTemplate().replyAreas;
    const int row = m_list->currentRow();
    while (m_list->count() > areas.size())
        delete m_list->takeItem(m_list->count() - 1);
    for (int i = 0; i < areas.size(); ++i) {
        if (i >= m_list->count())
            m_list->addItem(QString());
        m_list->item(i)->setText(describe(areas[i]));
    }
    if (!areas.isEmpty())
        m_list->setCurrentRow(std::clamp(row, 0, int(areas.size()) - 1));
    showChosen();
}

void ReplyAreaList::showChosen(bool evenTyped)
{
    const QScopedValueRollback refreshing(m_refreshing, true);
    const QList<QRectF> &areas = m_document.reportTemplate().replyAreas;
    const int row = m_list->currentRow();
    const bool chosen = row >= 0 && row < areas.size();
    const QRectF area = chosen ? areas[row] : QRectF();
    const double values[] = {area.x(), area.y(), area.width(), area.height()};
    for (int i = 0; i < m_measures.size(); ++i) {
        m_measures[i]->setEnabled(chosen);
        if (evenTyped || !EditBoxes::isTyping(m_measures[i]))
            m_measures[i]->setValue(values[i]);
    }
    m_remove->setEnabled(chosen);
}

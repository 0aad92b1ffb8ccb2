#include "PageTab.h"

#include "DesignDocument.h"
#include "EditBoxes.h"
#include "ElementProperties.h"
#include "ReplyAreaList.h"
#include "platform/Guard.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QVBoxLayout>

namespace {

struct Paper
{
    const char *name;
    double width, height;
};
const Paper kPapers[] = {
    {"A4", 210, 297}, {"A5", 148, 210}, {"B5", 176, 250}, {"Letter", 215.9, 279.4}};

} // namespace

PageTab::PageTab(DesignDocument &document, QWidget *parent) : QWidget(parent), m_document(document)
{
    auto *form = new QFormLayout(this);
    const auto named = [](QWidget *w, const char *name, const QString &tip) {
        w->setObjectName(QLatin1String(name));
        w->setToolTip(tip);
        w->setAccessibleName(tip);
        return w;
    };
    m_title = new QLineEdit;
    named(m_title, "edtTitle", QStringLiteral("报表标题，也是导出文件的默认名称"));
    m_paper = new QComboBox;
    named(m_paper, "cbbPaper", QStringLiteral("纸张大小"));
    for (const Paper &paper : kPapers)
        m_paper->addItem(QString::fromLatin1(paper.name));
    m_paper->addItem(QStringLiteral("自定义"));
    m_orientation = new QComboBox;
    named(m_orientation, "cbbOrientation", QStringLiteral("纸张方向"));
    m_orientation->addItems({QStringLiteral("纵向"), QStringLiteral("横向")});
    form->addRow(QStringLiteral("标题："), m_title);
    form->addRow(QStringLiteral("纸张："), m_paper);
    form->addRow(QStringLiteral("方向："), m_orientation);

    const auto editPage = [this](const std::function<void(PageSetup &)> &change) {
        if (m_refreshing)
            return;
        Guard::run([&] {
            PageSetup page = m_document.reportTemplate().page;
            change(page);
            m_document.setPage(page, m_document.reportTemplate().title);
        });
    };
    for (const ElementProperties::PageProperty &measure : ElementProperties::pageMeasures()) {
        QDoubleSpinBox *box =
            EditBoxes::number(measure.minimum, 2000, 1, 0.5, QStringLiteral(" 毫米"));
        named(box, measure.name, QString::fromUtf8(measure.tip));
        form->addRow(QString::fromUtf8(measure.label), box);
        m_measures.append(box);
        const auto set = measure.set;
        connect(box, &QDoubleSpinBox::valueChanged, this,
                [editPage, set](double value) { editPage([&](PageSetup &p) { set(p, value); }); });
    }
    // 明细区: its elements print once per record, as many records a page as fit.
    m_bandTop = EditBoxes::number(0, 2000, 1, 0.5, QStringLiteral(" 毫米"));
    named(m_bandTop, "spnBandTop", QStringLiteral("明细区上边距纸张顶端的距离"));
    m_bandHeight = EditBoxes::number(0, 2000, 1, 0.5, QStringLiteral(" 毫米"));
    named(m_bandHeight, "spnBandHeight",
          QStringLiteral("明细区的高度，即每条记录占的高度；为 0 时每页只印一条记录"));
    m_bandHeight->setSpecialValueText(QStringLiteral("无（每页一条记录）"));
    m_clearBand = new QPushButton(QStringLiteral("清除明细区"));
    named(m_clearBand, "btnClearBand", QStringLiteral("清除明细区，每页只印一条记录"));
    form->addRow(QStringLiteral("明细区顶端："), m_bandTop);
    form->addRow(QStringLiteral("明细区高度："), m_bandHeight);
    form->addRow(QString(), m_clearBand);
    const auto editBand = [this] {
        if (!m_refreshing)
            Guard::run([this] { m_document.setBand({m_bandTop->value(), m_bandHeight->value()}); });
    };
    connect(m_bandTop, &QDoubleSpinBox::valueChanged, this, editBand);
    connect(m_bandHeight, &QDoubleSpinBox::valueChanged, this, editBand);
    connect(m_clearBand, &QPushButton::clicked, this,
            [this] { Guard::run([this] { m_document.setBand({}); }); });
    // 回函区 of elements are marked in the element tab; these are the free ones.
    auto *replyBox = new QGroupBox(QStringLiteral("回函区"));
    replyBox->setObjectName(QStringLiteral("grpReplyAreas"));
    m_replyAreas = new ReplyAreaList(m_document);
    (new QVBoxLayout(replyBox))->addWidget(m_replyAreas);
    form->addRow(replyBox);
    connect(m_title, &QLineEdit::editingFinished, this, [this] {
        if (!m_refreshing)
            Guard::run(
                [this] { m_document.setPage(m_document.reportTemplate().page, m_title->text()); });
    });
    connect(m_paper, &QComboBox::activated, this, [editPage](int index) {
        if (index < int(std::size(kPapers)))
            editPage([&](PageSetup &p) {
                p.widthMm = kPapers[index].width;
                p.heightMm = kPapers[index].height;
            });
    });
    connect(m_orientation, &QComboBox::activated, this,
            [editPage](int index) { editPage([&](PageSetup &p) { p.landscape = index == 1; }); });
    EditBoxes::guardWheel(this);
    refresh();
}

void PageTab::refresh()
{
    const QScopedValueRollback refreshing(m_refreshing, true);
    const PageSetup &page = m_document.reportTemplate().page;
    if (m_title->text() != m_document.reportTemplate().title && !m_title->hasFocus())
        m_title->setText(m_document.reportTemplate().title);
    int paper = int(std::size(kPapers));
    for (int i = 0; i < int(std::size(kPapers)); ++i)
        if (std::abs(kPapers[i].width - page.widthMm) < 0.05 &&
            std::abs(kPapers[i].height - page.heightMm) < 0.05)
            paper = i;
    m_paper->setCurrentIndex(paper);
    m_orientation->setCurrentIndex(page.landscape ? 1 : 0);
    const QList<ElementProperties::PageProperty> &measures = ElementProperties::pageMeasures();
    for (int i = 0; i < measures.size(); ++i)
        if (!EditBoxes::isTyping(m_measures[i]))
            m_measures[i]->setValue(measures[i].get(page));
    const DetailBand &band = m_document.reportTemplate().band;
    if (!EditBoxes::isTyping(m_bandTop))
        m_bandTop->setValue(band.topMm);
    if (!EditBoxes::isTyping(m_bandHeight))
        m_bandHeight->setValue(band.heightMm);
    m_clearBand->setEnabled(band.isSet());
    m_replyAreas->refresh();
}

#include "PageTab.h"

#include "DesignDocument.h"
#include "EditBoxes.h"
#include "ElementProperties.h"
#include "platform/Guard.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QScopedValueRollback>

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
}

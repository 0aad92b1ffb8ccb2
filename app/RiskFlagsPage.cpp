#include "RiskFlagsPage.h"

#include "PartiesDialog.h"
#include "WindowParts.h"

#include "ledger/LedgerStore.h"
#include "platform/Guard.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

using WindowParts::named;

RiskFlagsPage::RiskFlagsPage(QWidget *parent)
    : QWidget(parent), m_model(new QStandardItemModel(this))
{
    setObjectName(QStringLiteral("tabFlags"));
    m_model->setHorizontalHeaderLabels(RiskFlags::titles());
    tblFlags =
        WindowParts::tableView(this, m_model, "tblFlags", QStringLiteral("风险提示"), {16, 60, 18});
    tblFlags->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblFlags->setWordWrap(true);
    tblFlags->horizontalHeader()->setStretchLastSection(true);
    lblFlags = named(new QLabel(this), "lblFlags");
    spnFlagMinutes = named(new QSpinBox(this), "spnFlagMinutes");
    spnFlagMinutes->setRange(1, 1440);
    spnFlagMinutes->setSuffix(QStringLiteral(" 分钟"));
    spnFlagMinutes->setValue(RiskFlags::minutes());
    spnFlagMinutes->setToolTip(
        QStringLiteral("不同单位以传真或电子邮件发来的回函相隔不超过这么久时列入风险提示"));
    btnParties = named(new QPushButton(QStringLiteral("关联方名单…"), this), "btnParties");
    btnParties->setToolTip(
        QStringLiteral("被审计单位和关联方的名称：回函单位是其中之一时列入风险提示"));
    auto *top = new QHBoxLayout;
    top->addWidget(WindowParts::labelFor(spnFlagMinutes, QStringLiteral("回函集中时限(&N)：")));
    top->addWidget(spnFlagMinutes);
    top->addWidget(lblFlags, 1);
    top->addWidget(btnParties);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(tblFlags, 1);

    connect(spnFlagMinutes, &QSpinBox::valueChanged, this, [this](int minutes) {
        QSettings().setValue(RiskFlags::minutesKey(), minutes);
        Guard::run([this] { refresh(); });
    });
    connect(btnParties, &QPushButton::clicked, this,
            Guard::slot(this, &RiskFlagsPage::partiesClick));
    connect(tblFlags->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (current.isValid() && current.row() < m_flags.size())
                    emit lettersChosen(m_flags[current.row()].numbers);
            });
    setStore(nullptr);
}

void RiskFlagsPage::setStore(LedgerStore *store, bool readNow)
{
    m_store = store;
    if (readNow || !store)
        refresh();
}

void RiskFlagsPage::refresh()
{
    m_flags = m_store ? RiskFlags::find(RiskFlags::custodyOf(*m_store), spnFlagMinutes->value())
                      : QList<RiskFlag>();
    m_model->removeRows(0, m_model->rowCount());
    for (const RiskFlag &flag : m_flags)
        m_model->appendRow({new QStandardItem(flag.rule), new QStandardItem(flag.explanation),
                            new QStandardItem(RiskFlags::numbersText(flag))});
    lblFlags->setText(!m_store ? QString()
                      : m_flags.isEmpty()
                          ? QStringLiteral("未发现风险提示")
                          : QStringLiteral("%1 条风险提示，请逐条核实").arg(m_flags.size()));
    btnParties->setEnabled(m_store && !m_store->readOnly());
}

void RiskFlagsPage::partiesClick()
{
    if (!m_store)
        return;
    PartiesDialog dialog(this, *m_store);
    if (dialog.exec() == QDialog::Accepted)
        refresh();
}

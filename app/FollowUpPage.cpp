#include "FollowUpPage.h"

#include "WindowParts.h"

#include "control/FollowUpModel.h"
#include "ledger/LedgerStore.h"
#include "platform/Exception.h"
#include "platform/Guard.h"

#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {
const QString DaysKey = QStringLiteral("ledger/followUpDays");
}

using WindowParts::labelFor;
using WindowParts::named;

FollowUpPage::FollowUpPage(QWidget *parent) : QWidget(parent), m_model(new FollowUpModel(this))
{
    setObjectName(QStringLiteral("tabFollowUp"));
    spnFollowUpDays = named(new QSpinBox(this), "spnFollowUpDays");
    spnFollowUpDays->setRange(0, 365);
    spnFollowUpDays->setSuffix(QStringLiteral(" 天"));
    spnFollowUpDays->setValue(QSettings().value(DaysKey, FollowUp::DefaultDays).toInt());
    spnFollowUpDays->setToolTip(QStringLiteral("发出后过了这么多天仍未回函的询证函列入待催收"));
    tblFollowUp = WindowParts::tableView(this, m_model, "tblFollowUp", QStringLiteral("待催收"),
                                         {9, 14, 7, 6, 10, 12});
    tblFollowUp->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lblFollowUp = named(new QLabel(this), "lblFollowUp");
    btnSecondRequests =
        named(new QPushButton(QStringLiteral("打印第二次询证函…"), this), "btnSecondRequests");
    btnReminders = named(new QPushButton(QStringLiteral("发送催收邮件…"), this), "btnReminders");
    for (QPushButton *button : {btnSecondRequests, btnReminders})
        button->setToolTip(QStringLiteral("对选中的询证函；未选中时对列表中的全部询证函"));

    auto *top = new QHBoxLayout;
    top->addWidget(labelFor(spnFollowUpDays, QStringLiteral("发出后未回函超过(&D)：")));
    top->addWidget(spnFollowUpDays);
    top->addWidget(lblFollowUp, 1);
    top->addWidget(btnSecondRequests);
    top->addWidget(btnReminders);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(tblFollowUp, 1);

    connect(spnFollowUpDays, &QSpinBox::valueChanged, this, [this](int days) {
        QSettings().setValue(DaysKey, days);
        Guard::run([this] { refresh(); });
    });
    connect(btnSecondRequests, &QPushButton::clicked, this,
            [this] { Guard::run([this] { chase(&FollowUpPage::secondRequestsWanted); }); });
    connect(btnReminders, &QPushButton::clicked, this,
            [this] { Guard::run([this] { chase(&FollowUpPage::remindersWanted); }); });
    setStore(nullptr);
}

void FollowUpPage::setStore(LedgerStore *store, bool readNow)
{
    m_store = store;
    if (readNow || !store)
        refresh();
}

void FollowUpPage::refresh()
{
    m_model->setStore(m_store, QDate::currentDate(), spnFollowUpDays->value());
    lblFollowUp->setText(m_store ? QStringLiteral("%1 封询证函待催收").arg(m_model->rowCount())
                                 : QString());
    btnSecondRequests->setEnabled(m_store && !m_store->readOnly() && m_model->rowCount());
    btnReminders->setEnabled(m_store && !m_store->readOnly() && m_model->rowCount());
}

QStringList FollowUpPage::chosenNumbers() const
{
    QList<int> rows;
    for (const QModelIndex &index : tblFollowUp->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return m_model->numbers(rows);
}

void FollowUpPage::chase(void (FollowUpPage::*wanted)(const QStringList &))
{
    const QStringList numbers = chosenNumbers();
    if (numbers.isEmpty())
        throw Exception(QStringLiteral("没有待催收的询证函"));
    emit(this->*wanted)(numbers);
}

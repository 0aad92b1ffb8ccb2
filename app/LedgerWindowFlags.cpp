// The ledger window's 风险提示 tab: read when shown, and a flag chosen selects its letters.
#include "LedgerWindow.h"

#include "RiskFlagsPage.h"

#include "control/LedgerLetterModel.h"
#include "ledger/LedgerStore.h"
#include "platform/Guard.h"

#include <QItemSelectionModel>
#include <QTabWidget>
#include <QTableView>

void LedgerWindow::addFlagsPage()
{
    tabFlags = new RiskFlagsPage(tabs);
    tabs->addTab(tabFlags, QStringLiteral("风险提示"));
    connect(tabs, &QTabWidget::currentChanged, this, [this] {
        if (tabs->currentWidget() == tabFlags)
            Guard::run([this] { tabFlags->refresh(); });
    });
    connect(tabFlags, &RiskFlagsPage::lettersChosen, this,
            [this](const QStringList &numbers) { Guard::run([&] { selectLetters(numbers); }); });
}

void LedgerWindow::selectLetters(const QStringList &numbers)
{
    if (!m_store)
        return;
    QItemSelection chosen;
    for (const QString &number : numbers)
        if (const auto letter = m_store->letter(number))
            if (const int row = m_letters->rowOf(letter->id); row >= 0)
                chosen.select(m_letters->index(row, 0),
                              m_letters->index(row, m_letters->columnCount() - 1));
    tblLetters->selectionModel()->select(chosen, QItemSelectionModel::ClearAndSelect);
}

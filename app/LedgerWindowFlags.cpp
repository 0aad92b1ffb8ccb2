// The ledger window's 风险提示 tab, read when shown, a flag chosen selecting its letters; and
// the couriers' records of the replies' senders the flags read.
#include "LedgerWindow.h"

#include "RiskFlagsPage.h"

#include "control/LedgerLetterModel.h"
#include "control/ReplyCourierRecords.h"
#include "ledger/LedgerStore.h"
#include "platform/Guard.h"
#include "platform/Prompts.h"
#include "platform/RecentFolders.h"

#include <QFileInfo>
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

void LedgerWindow::importReplyCourierClick()
{
    requireRole(LedgerRole::Clerk);
    OpenFileRequest request;
    request.filter = QStringLiteral("快递公司导出的回函寄件记录 (*.csv *.xlsx *.xls)");
    request.directory = RecentFolders::folder(QStringLiteral("waybills"));
    const QString path = Prompts::current().openFileName(this, request);
    if (path.isEmpty() || !m_store)
        return;
    RecentFolders::remember(QStringLiteral("waybills"), QFileInfo(path).absolutePath());
    const QList<ReplyCourierRecords::Change> changes =
        ReplyCourierRecords::changes(*m_store, WaybillImport::readReplies(path));
    const QString caption = QStringLiteral("导入回函快递记录");
    if (changes.isEmpty()) {
        Prompts::current().inform(this, caption, ReplyCourierRecords::summary(changes));
        return;
    }
    if (!Prompts::current().askOkCancel(this, caption, ReplyCourierRecords::summary(changes)))
        return;
    ReplyCourierRecords::save(*m_store, changes);
    reloadLetters();
    if (tabs->currentWidget() == tabFlags)
        tabFlags->refresh();
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

// The ledger window's 调节与替代程序 for the letter chosen, and its 结论 tab, read when shown
// and again whenever a letter, a reconciliation or the tolerance changes.
#include "LedgerWindow.h"

#include "EvaluationPage.h"
#include "ReconciliationDialog.h"
#include "WindowParts.h"

#include "control/LedgerLetterModel.h"
#include "ledger/LedgerStore.h"
#include "platform/Exception.h"
#include "platform/Guard.h"

#include <QBoxLayout>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>

void LedgerWindow::addReconciliationParts(QBoxLayout *buttons)
{
    btnReconcile = WindowParts::named(new QPushButton(QStringLiteral("调节与替代程序…"), this),
                                      "btnReconcile");
    btnReconcile->setToolTip(QStringLiteral(
        "为选中的一封询证函登记调节项（回函与账面的差异）和替代程序（未回函时的期后收款、"
        "发货单等证据）"));
    // Beside the other buttons, before the row's closing stretch.
    buttons->insertWidget(buttons->count() - 1, btnReconcile);
    connect(btnReconcile, &QPushButton::clicked, this,
            Guard::slot(this, &LedgerWindow::reconcileClick));
    connect(tblLetters->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { showReconcileState(); });
    connect(m_letters, &QAbstractItemModel::modelReset, this, [this] { showReconcileState(); });

    tabEvaluation = new EvaluationPage(tabs);
    tabs->addTab(tabEvaluation, QStringLiteral("结论"));
    connect(tabs, &QTabWidget::currentChanged, this, [this] {
        if (tabs->currentWidget() == tabEvaluation)
            Guard::run([this] { tabEvaluation->refresh(); });
    });
    connect(m_letters, &LedgerLetterModel::letterChanged, this, [this] {
        showReconcileState();
        if (tabs->currentWidget() == tabEvaluation)
            Guard::run([this] { tabEvaluation->refresh(); });
    });
    // A new tolerance sets the results of the letters with items again.
    connect(tabEvaluation, &EvaluationPage::toleranceChanged, this,
            [this] { Guard::run([this] { reloadLetters(); }); });
}

void LedgerWindow::showReconcileState()
{
    const QList<int> rows = selectedRows();
    const auto letter = rows.size() == 1 ? m_letters->letterAt(rows[0]) : std::nullopt;
    btnReconcile->setEnabled(m_store && !m_store->readOnly() && letter &&
                             !letter->voided.isValid());
}

void LedgerWindow::reconcileClick()
{
    // Refused before the user fills in the items, not when they are saved.
    requireRole(LedgerRole::Team);
    const QList<LedgerLetter> letters = selectedLetters();
    if (letters.size() != 1)
        throw Exception(QStringLiteral("调节与替代程序一次只能登记一封询证函，请只选中一封"));
    ReconciliationDialog dialog(this, *m_store, letters[0]);
    if (dialog.exec() == QDialog::Accepted)
        reloadLetters();
}

// The ledger window's dispatch and follow-up: 发函方式 and 发函日期 for the letters chosen,
// waybills scanned off labels or imported from a courier's export, addresses checked, and
// the 待催收 tab.

#include "LedgerWindow.h"

#include "AddressCheckDialog.h"
#include "DispatchDetailsDialog.h"
#include "EvaluationPage.h"
#include "FollowUpPage.h"
#include "FollowUpPrinting.h"
#include "RiskFlagsPage.h"
#include "WaybillPairingDialog.h"
#include "WindowParts.h"

#include "control/DispatchDetails.h"
#include "control/FollowUpDocuments.h"
#include "control/LedgerLetterModel.h"
#include "control/ScannedFile.h"
#include "control/WaybillImport.h"
#include "control/WaybillPairing.h"
#include "control/WaybillScan.h"
#include "ledger/LedgerStore.h"
#include "platform/BusyCursor.h"
#include "platform/Exception.h"
#include "platform/Guard.h"
#include "platform/Prompts.h"
#include "platform/RecentFolders.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>

#include <algorithm>

using WindowParts::named;

namespace {
// The letters as the dialogs name them: the one, or how many and the first few.
QString lettersText(const QList<LedgerLetter> &letters)
{
    if (letters.size() == 1)
        return QStringLiteral("询证函 %1（%2）")
            .arg(letters[0].identity.number, letters[0].identity.customer);
    QStringList numbers;
    for (const LedgerLetter &letter : letters.mid(0, 5))
        numbers.append(letter.identity.number);
    return QStringLiteral("选中的 %1 封询证函：%2%3")
        .arg(letters.size())
        .arg(numbers.join(QStringLiteral("、")),
             letters.size() > 5 ? QStringLiteral(" 等") : QString());
}

QStringList numbersOf(const QList<LedgerLetter> &letters)
{
    QStringList numbers;
    for (const LedgerLetter &letter : letters)
        numbers.append(letter.identity.number);
    return numbers;
}

// Shows the pairing and, on 保存, keeps it under 'action' (also the dialog's title): the
// numbers not kept then; none when cancelled.
std::optional<QStringList> pairingSaved(QWidget *owner, LedgerStore &store,
                                        const WaybillPairing &pairing, const QString &action)
{
    WaybillPairingDialog dialog(owner, action, pairing);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return pairing.save(store, action);
}

void requireSaved(const QStringList &unknown)
{
    if (!unknown.isEmpty())
        throw Exception(QStringLiteral("以下函证编号已不在台账中，未保存：%1")
                            .arg(unknown.join(QStringLiteral("、"))));
}
} // namespace

QBoxLayout *LedgerWindow::addDispatchParts(QBoxLayout *layout)
{
    // Several letters are chosen at once, for the dialogs that act on all of them.
    tblLetters->setSelectionMode(QAbstractItemView::ExtendedSelection);
    btnDispatchDetails =
        named(new QPushButton(QStringLiteral("发函方式和日期…"), this), "btnDispatchDetails");
    btnDispatchDetails->setToolTip(QStringLiteral("为选中的询证函一次填写发函方式和发函日期"));
    btnScanWaybills =
        named(new QPushButton(QStringLiteral("扫描快递单…"), this), "btnScanWaybills");
    btnScanWaybills->setToolTip(
        QStringLiteral("读取快递面单的扫描件或照片上的运单号，按列表顺序登记到选中的询证函"));
    btnImportWaybills =
        named(new QPushButton(QStringLiteral("导入快递单号…"), this), "btnImportWaybills");
    btnImportWaybills->setToolTip(QStringLiteral(
        "从快递公司导出的文件（.csv、.xlsx、.xls，含函证编号和运单号两列）登记快递单号"));
    btnCheckAddress = named(new QPushButton(QStringLiteral("核实地址…"), this), "btnCheckAddress");
    btnCheckAddress->setToolTip(QStringLiteral("记录选中询证函的地址由谁、以何方式、何时核实"));
    btnImportReplyCourier =
        named(new QPushButton(QStringLiteral("导入回函快递记录…"), this), "btnImportReplyCourier");
    btnImportReplyCourier->setToolTip(QStringLiteral(
        "从快递公司导出的回函寄件记录（.csv、.xlsx、.xls，含函证编号或运单号，以及寄件人地址、"
        "寄件人电话、寄件时间）登记回函的寄件人"));
    auto *row = new QHBoxLayout;
    for (QPushButton *button : {btnDispatchDetails, btnScanWaybills, btnImportWaybills,
                                btnCheckAddress, btnImportReplyCourier})
        row->addWidget(button);
    row->addStretch(1);
    layout->insertLayout(layout->count() - 1, row);

    tabFollowUp = new FollowUpPage(tabs);
    tabs->addTab(tabFollowUp, QStringLiteral("待催收"));
    connect(tabFollowUp, &FollowUpPage::secondRequestsWanted, this,
            &LedgerWindow::secondRequestsWanted);
    connect(tabFollowUp, &FollowUpPage::remindersWanted, this, &LedgerWindow::remindersWanted);
    connect(this, &LedgerWindow::remindersWanted, this,
            [this](const QStringList &numbers) { Guard::run([&] { remind(numbers); }); });
    connect(this, &LedgerWindow::secondRequestsWanted, this, [this](const QStringList &numbers) {
        Guard::run([&] {
            if (m_store)
                FollowUpPrinting::printSecondRequests(
                    this, *m_store, FollowUpDocuments::lettersNumbered(*m_store, numbers),
                    [this] { reloadLetters(); });
        });
    });
    // Read when shown: the list reads every letter, too much for each edit elsewhere.
    connect(tabs, &QTabWidget::currentChanged, this, [this] {
        if (tabs->currentWidget() == tabFollowUp)
            Guard::run([this] { tabFollowUp->refresh(); });
    });
    connect(m_letters, &LedgerLetterModel::letterChanged, this, [this] {
        if (tabs->currentWidget() == tabFollowUp)
            Guard::run([this] { tabFollowUp->refresh(); });
    });

    connect(btnDispatchDetails, &QPushButton::clicked, this,
            Guard::slot(this, &LedgerWindow::dispatchDetailsClick));
    connect(btnScanWaybills, &QPushButton::clicked, this,
            Guard::slot(this, &LedgerWindow::scanWaybillsClick));
    connect(btnImportWaybills, &QPushButton::clicked, this,
            Guard::slot(this, &LedgerWindow::importWaybillsClick));
    connect(btnCheckAddress, &QPushButton::clicked, this,
            Guard::slot(this, &LedgerWindow::checkAddressClick));
    connect(btnImportReplyCourier, &QPushButton::clicked, this,
            Guard::slot(this, &LedgerWindow::importReplyCourierClick));
    return row;
}

void LedgerWindow::showDispatchState()
{
    const bool writable = m_store && !m_store->readOnly();
    for (QPushButton *button : {btnDispatchDetails, btnScanWaybills, btnImportWaybills,
                                btnCheckAddress, btnImportReplyCourier})
        button->setEnabled(writable);
    tabFollowUp->setStore(m_store, tabs->currentWidget() == tabFollowUp);
    tabFlags->setStore(m_store, tabs->currentWidget() == tabFlags);
    tabEvaluation->setStore(m_store, tabs->currentWidget() == tabEvaluation);
    showReconcileState();
}

QList<int> LedgerWindow::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex &index : tblLetters->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

QList<LedgerLetter> LedgerWindow::selectedLetters() const
{
    QList<LedgerLetter> letters;
    for (int row : selectedRows())
        if (const auto letter = m_letters->letterAt(row)) {
            // Its number may name a letter sent since: a voided one is kept as it was.
            if (letter->voided.isValid())
                throw Exception(
                    QStringLiteral("询证函 %1 已作废，请不要选中它").arg(letter->identity.number));
            letters.append(*letter);
        }
    if (letters.isEmpty())
        throw Exception(QStringLiteral("请先在列表中选择询证函"));
    return letters;
}

void LedgerWindow::reloadLetters()
{
    QList<qint64> chosen;
    for (const QModelIndex &index : tblLetters->selectionModel()->selectedRows())
        chosen.append(m_letters->idAt(index.row()));
    const qint64 current = m_letters->idAt(tblLetters->currentIndex().row());
    m_letters->reload();
    if (const int row = m_letters->rowOf(current); row >= 0)
        tblLetters->setCurrentIndex(m_letters->index(row, 0));
    for (qint64 id : chosen)
        if (const int row = m_letters->rowOf(id); row >= 0)
            tblLetters->selectionModel()->select(
                m_letters->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    if (tabs->currentWidget() == tabFollowUp)
        tabFollowUp->refresh();
    if (tabs->currentWidget() == tabEvaluation)
        tabEvaluation->refresh();
    emit changed();
}

void LedgerWindow::dispatchDetailsClick()
{
    requireRole(LedgerRole::Clerk);
    const QList<LedgerLetter> letters = selectedLetters();
    DispatchDetailsDialog dialog(this, lettersText(letters));
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QStringList unknown =
        DispatchDetails::setSent(*m_store, numbersOf(letters), dialog.method(), dialog.date());
    reloadLetters();
    requireSaved(unknown);
}

void LedgerWindow::scanWaybillsClick()
{
    requireRole(LedgerRole::Clerk);
    const QList<LedgerLetter> letters = selectedLetters();
    OpenFileRequest request;
    request.filter = ScannedFile::dialogFilter();
    request.directory = RecentFolders::folder(QStringLiteral("waybills"));
    const QStringList files = Prompts::current().openFileNames(
        this, QStringLiteral("选择快递面单的扫描件（按选中询证函的顺序）"), request);
    if (files.isEmpty())
        return;
    RecentFolders::remember(QStringLiteral("waybills"),
                            QFileInfo(files.constFirst()).absolutePath());
    WaybillScan::Labels labels;
    {
        const BusyCursor busy;
        for (const QString &file : files) {
            const WaybillScan::Labels read = WaybillScan::read(file);
            // A label scanned twice, in two files, is one waybill.
            for (const QString &waybill : read.waybills)
                if (!labels.waybills.contains(waybill))
                    labels.waybills.append(waybill);
            for (const QString &code : read.ignored)
                if (!labels.ignored.contains(code))
                    labels.ignored.append(code);
        }
    }
    const WaybillPairing pairing = WaybillPairing::fromScan(letters, labels);
    const auto unknown = pairingSaved(this, *m_store, pairing, QStringLiteral("扫描快递单"));
    if (!unknown)
        return;
    reloadLetters();
    requireSaved(*unknown);
}

void LedgerWindow::importWaybillsClick()
{
    requireRole(LedgerRole::Clerk);
    OpenFileRequest request;
    request.filter = QStringLiteral("快递公司导出的运单 (*.csv *.xlsx *.xls)");
    request.directory = RecentFolders::folder(QStringLiteral("waybills"));
    const QString path = Prompts::current().openFileName(this, request);
    if (path.isEmpty())
        return;
    RecentFolders::remember(QStringLiteral("waybills"), QFileInfo(path).absolutePath());
    const WaybillPairing pairing = [&] {
        const BusyCursor busy;
        return WaybillPairing::fromImport(*m_store, WaybillImport::read(path));
    }();
    const auto unknown = pairingSaved(this, *m_store, pairing, QStringLiteral("导入快递单号"));
    if (!unknown)
        return;
    reloadLetters();
    requireSaved(*unknown);
}

void LedgerWindow::checkAddressClick()
{
    requireRole(LedgerRole::Clerk);
    const QList<LedgerLetter> letters = selectedLetters();
    AddressCheckDialog dialog(this, lettersText(letters));
    if (dialog.exec() != QDialog::Accepted)
        return;
    DispatchDetails::checkAddresses(*m_store, numbersOf(letters), dialog.check());
    reloadLetters();
}

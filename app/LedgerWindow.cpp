#include "LedgerWindow.h"

#include "FollowUpPrinting.h"

#include "LedgerFiles.h"
#include "LedgerTransfers.h"
#include "WindowParts.h"
#include "engine/designer/EditBoxes.h"

#include "LedgerDispatchDelegate.h"

#include "control/LedgerLetterModel.h"
#include "control/LedgerLogModel.h"
#include "ledger/LedgerStore.h"
#include "platform/BusyCursor.h"
#include "platform/Exception.h"
#include "platform/Guard.h"
#include "platform/Prompts.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QString runText(const LedgerRun &run)
{
    return QStringLiteral("%1 %2 %3（%4 封）")
        .arg(run.at.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")), run.kind,
             QDir::toNativeSeparators(run.output))
        .arg(run.letters + run.reprints);
}

} // namespace

using WindowParts::labelFor;
using WindowParts::named;
using WindowParts::tableView;

LedgerWindow::LedgerWindow(QWidget *owner, LedgerStore *store)
    : QWidget(owner, Qt::Window), m_letters(new LedgerLetterModel(this)),
      m_history(new LedgerLogModel(this)), m_log(new LedgerLogModel(this))
{
    setObjectName(QStringLiteral("frmLedger"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(1100, 650);

    cbbState = named(new QComboBox(this), "cbbState");
    cbbState->addItem(QStringLiteral("全部"), QString());
    for (const QString &state : LedgerLetterModel::states())
        cbbState->addItem(state, state);
    cbbTemplate = named(new QComboBox(this), "cbbTemplate");
    cbbRun = named(new QComboBox(this), "cbbRun");
    cbbRun->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cbbRun->setMinimumContentsLength(24);
    edtSearch = named(new QLineEdit(this), "edtSearch");
    edtSearch->setPlaceholderText(QStringLiteral("函证编号或被询证单位"));
    edtSearch->setClearButtonEnabled(true);
    lblReadOnly = named(new QLabel(this), "lblReadOnly");
    lblReadOnly->setStyleSheet(QStringLiteral("color: #a04000"));
    lblReadOnly->setWordWrap(true);

    tabs = named(new QTabWidget(this), "tabs");
    auto *lettersPage = new QSplitter(Qt::Vertical, tabs);
    // 函证编号 … 状态, then 发函方式 … 备注 and 邮箱, 地址 … 回函时间, then 地址核实 and
    // 已发出天数.
    tblLetters = tableView(
        lettersPage, m_letters, "tblLetters", QStringLiteral("询证函"),
        {9, 13, 6, 8, 8, 6, 8, 10, 8, 6, 5, 7, 5, 8, 8, 8, 12, 12, 8, 10, 12, 8, 10, 5, 5, 5});
    tblLetters->setItemDelegate(new LedgerDispatchDelegate(tblLetters));
    // Another program's change that came while a cell was being edited is shown once the
    // editor has closed (after the view has let it go).
    connect(tblLetters->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
            Guard::slot([this] {
                if (m_reloadWaiting)
                    reload();
            }),
            Qt::QueuedConnection);
    auto *historyBox = new QWidget(lettersPage);
    auto *historyLayout = new QVBoxLayout(historyBox);
    historyLayout->setContentsMargins(0, 0, 0, 0);
    tblHistory = tableView(historyBox, m_history, "tblHistory",
                           QStringLiteral("所选询证函的操作记录"), {4, 10, 5, 6, 9, 5, 10});
    historyLayout->addWidget(labelFor(tblHistory, QStringLiteral("所选询证函的操作记录：")));
    historyLayout->addWidget(tblHistory);
    lettersPage->addWidget(tblLetters);
    lettersPage->addWidget(historyBox);
    lettersPage->setStretchFactor(0, 4);
    lettersPage->setStretchFactor(1, 1);
    tabs->addTab(lettersPage, QStringLiteral("询证函"));

    auto *logPage = new QWidget(tabs);
    btnVerify = named(new QPushButton(QStringLiteral("校验"), logPage), "btnVerify");
    btnVerify->setToolTip(
        QStringLiteral("检查操作记录的哈希链，并核对询证函、发函批次与回函是否与记录一致"));
    lblVerify = named(new QLabel(logPage), "lblVerify");
    lblVerify->setWordWrap(true);
    tblLog =
        tableView(logPage, m_log, "tblLog", QStringLiteral("操作记录"), {5, 10, 5, 6, 9, 5, 10});
    auto *verifyRow = new QHBoxLayout;
    verifyRow->addWidget(btnVerify);
    verifyRow->addWidget(lblVerify, 1);
    auto *logLayout = new QVBoxLayout(logPage);
    logLayout->addLayout(verifyRow);
    logLayout->addWidget(tblLog, 1);
    tabs->addTab(logPage, QStringLiteral("操作记录"));

    lblCount = named(new QLabel(this), "lblCount");
    btnVoid = named(new QPushButton(QStringLiteral("作废…"), this), "btnVoid");
    btnImport = named(new QPushButton(QStringLiteral("导入(&I)…"), this), "btnImport");
    btnImport->setToolTip(
        QStringLiteral("从函证控制表或发函清单（.xlsx、.xls、.csv，按函证编号）导入发函方式、"
                       "快递单号、回函和函证结果等"));
    btnExport = named(new QPushButton(QStringLiteral("导出函证控制表(&E)…"), this), "btnExport");
    btnMail = named(new QPushButton(QStringLiteral("邮件发送…"), this), "btnMail");
    btnMail->setToolTip(QStringLiteral("用电子邮件发送询证函（附 PDF）或催收邮件"));
    btnClose = named(new QPushButton(QStringLiteral("关闭"), this), "btnClose");
    btnDispatchList = named(new QPushButton(QStringLiteral("发函清单…"), this), "btnDispatchList");
    btnDispatchList->setToolTip(
        QStringLiteral("打印所选询证函的发函清单，交快递员签收；未选择时列出表中显示的全部询证函"));

    auto *filters = new QHBoxLayout;
    filters->addWidget(labelFor(cbbState, QStringLiteral("状态(&T)：")));
    filters->addWidget(cbbState);
    filters->addWidget(labelFor(cbbTemplate, QStringLiteral("模板(&M)：")));
    filters->addWidget(cbbTemplate);
    filters->addWidget(labelFor(cbbRun, QStringLiteral("发函批次(&R)：")));
    filters->addWidget(cbbRun, 1);
    filters->addWidget(labelFor(edtSearch, QStringLiteral("查找(&F)：")));
    filters->addWidget(edtSearch, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(lblCount, 1);
    buttons->addWidget(btnVoid);
    buttons->addWidget(btnImport);
    buttons->addWidget(btnExport);
    buttons->addWidget(btnDispatchList);
    buttons->addWidget(btnMail);
    buttons->addWidget(btnClose);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(lblReadOnly);
    layout->addWidget(tabs, 1);
    layout->addLayout(buttons);
    QBoxLayout *dispatchRow = addDispatchParts(layout);
    addFlagsPage();
    addReconciliationParts(dispatchRow);

    for (QComboBox *combo : {cbbState, cbbTemplate, cbbRun})
        connect(combo, &QComboBox::currentIndexChanged, this, [this] {
            if (!m_filling)
                Guard::run([this] { filterChanged(); });
        });
    connect(edtSearch, &QLineEdit::textChanged, this,
            Guard::slot(this, &LedgerWindow::filterChanged));
    connect(tblLetters->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            Guard::slot(this, &LedgerWindow::showHistory));
    connect(m_letters, &QAbstractItemModel::modelReset, this, [this] {
        showCount();
        Guard::run([this] { showHistory(); });
    });
    connect(m_letters, &LedgerLetterModel::letterChanged, this, [this] {
        Guard::run([this] { showHistory(); });
        if (tblLog->isVisible())
            Guard::run([this] { showLog(); });
        emit changed();
    });
    // The error box took the focus: it comes back to the cell, once the editor has gone.
    connect(m_letters, &LedgerLetterModel::valueRefused, this, [this](const QModelIndex &cell) {
        QTimer::singleShot(0, tblLetters, [this, cell = QPersistentModelIndex(cell)] {
            tblLetters->setFocus();
            if (cell.isValid())
                tblLetters->setCurrentIndex(cell);
        });
    });
    connect(tabs, &QTabWidget::currentChanged, this, [this](int page) {
        if (page == 1)
            Guard::run([this] { showLog(); });
    });
    connect(btnVoid, &QPushButton::clicked, this, Guard::slot(this, &LedgerWindow::voidClick));
    connect(btnImport, &QPushButton::clicked, this, Guard::slot(this, &LedgerWindow::importClick));
    connect(btnExport, &QPushButton::clicked, this, Guard::slot(this, &LedgerWindow::exportClick));
    connect(btnVerify, &QPushButton::clicked, this, Guard::slot(this, &LedgerWindow::verifyClick));
    connect(btnDispatchList, &QPushButton::clicked, this,
            Guard::slot(this, &LedgerWindow::dispatchListClick));
    connect(btnMail, &QPushButton::clicked, this, Guard::slot(this, &LedgerWindow::mailClick));
    connect(btnClose, &QPushButton::clicked, this, &QWidget::close);
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    // The wheel over a filter the user has not chosen scrolls nothing away: it would change
    // which letters show while the user meant to scroll them.
    EditBoxes::guardWheel(this);
    // The letters are what the window is for: the keys and the wheel go there first.
    tblLetters->setFocus();
    setStore(store);
}

LedgerWindow::~LedgerWindow()
{
    // Views still shown ask their models for rows while the window goes: from now on the
    // models have nothing to read.
    m_letters->setStore(nullptr);
    m_log->setWholeLog(nullptr);
}

void LedgerWindow::setStore(LedgerStore *store)
{
    m_store = store;
    const bool readOnly = store && store->readOnly();
    setWindowTitle(store ? QStringLiteral("函证台账 — %1（%2）")
                               .arg(store->engagement(), LedgerFiles::shortName(*store))
                         : QStringLiteral("函证台账"));
    lblReadOnly->setVisible(readOnly);
    if (readOnly)
        lblReadOnly->setText(
            QStringLiteral("只读打开（%1）：可以查看，不能修改。").arg(store->readOnlyReason()));
    tblLetters->setEditTriggers(readOnly ? QAbstractItemView::NoEditTriggers
                                         : QAbstractItemView::DoubleClicked |
                                               QAbstractItemView::EditKeyPressed |
                                               QAbstractItemView::AnyKeyPressed);
    btnVoid->setEnabled(store && !readOnly);
    btnImport->setEnabled(store && !readOnly);
    btnExport->setEnabled(store != nullptr);
    btnVerify->setEnabled(store != nullptr);
    btnDispatchList->setEnabled(store != nullptr);
    lblVerify->clear();
    m_filling = true;
    cbbState->setCurrentIndex(0);
    edtSearch->blockSignals(true);
    edtSearch->clear();
    edtSearch->blockSignals(false);
    m_filling = false;
    fillChoices();
    m_letters->setStore(store);
    m_log->setWholeLog(nullptr);
    if (store && tabs->currentIndex() == 1)
        showLog();
    showDispatchState();
}

void LedgerWindow::reload()
{
    // Read again now, the table would close the editor and lose what the user is typing; and
    // the change would be saved against the other's, not against what the user saw.
    m_reloadWaiting = editing();
    if (m_reloadWaiting)
        return;
    fillChoices();
    // Another program's change comes while the user works: the letters chosen and the place
    // in the list stay.
    const int scrolled = tblLetters->verticalScrollBar()->value();
    reloadLetters();
    tblLetters->verticalScrollBar()->setValue(scrolled);
    if (tabs->currentIndex() == 1)
        showLog();
    showDispatchState();
}

void LedgerWindow::requireRole(LedgerRole role) const
{
    if (m_store)
        m_store->requireRole({role});
}

bool LedgerWindow::editing() const
{
    // The table keeps a cell's editor on its viewport; one it let go is hidden first.
    const QList<QWidget *> editors =
        tblLetters->viewport()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    return std::any_of(editors.begin(), editors.end(),
                       [](const QWidget *editor) { return !editor->isHidden(); });
}

void LedgerWindow::fillChoices()
{
    // The choices as the ledger has them now; what was chosen stays chosen while it exists.
    m_filling = true;
    const auto done = qScopeGuard([this] { m_filling = false; });
    const QString templateName = cbbTemplate->currentData().toString();
    const qint64 run = cbbRun->currentData().toLongLong();
    cbbTemplate->clear();
    cbbRun->clear();
    cbbTemplate->addItem(QStringLiteral("全部"), QString());
    cbbRun->addItem(QStringLiteral("全部"), qint64(0));
    if (!m_store)
        return;
    for (const QString &name : m_store->templateNames())
        cbbTemplate->addItem(name, name);
    for (const LedgerRun &each : m_store->runs())
        cbbRun->addItem(runText(each), each.id);
    cbbTemplate->setCurrentIndex(std::max(0, cbbTemplate->findData(templateName)));
    cbbRun->setCurrentIndex(std::max(0, cbbRun->findData(run)));
}

void LedgerWindow::filterChanged()
{
    const BusyCursor busy;
    m_letters->setFilter({cbbState->currentData().toString(), cbbTemplate->currentData().toString(),
                          cbbRun->currentData().toLongLong(), edtSearch->text()});
}

void LedgerWindow::showCount()
{
    if (!m_store) {
        lblCount->clear();
        return;
    }
    lblCount->setText(QStringLiteral("显示 %1 封询证函（台账中有效的共 %2 封）")
                          .arg(m_letters->rowCount())
                          .arg(m_store->letterCount()));
}

void LedgerWindow::showHistory()
{
    const int row = tblLetters->currentIndex().row();
    const auto letter = m_letters->letterAt(row);
    m_history->setEntries(letter && m_store ? m_store->log(letter->identity.number)
                                            : QList<LogEntry>());
    showCount();
}

void LedgerWindow::showLog()
{
    m_log->setWholeLog(m_store);
    tblLog->scrollToBottom();
}

void LedgerWindow::voidClick()
{
    // Refused before the user writes a reason, not after.
    requireRole(LedgerRole::Team);
    const int row = tblLetters->currentIndex().row();
    const auto letter = m_letters->letterAt(row);
    if (!letter)
        throw Exception(QStringLiteral("请先在列表中选择要作废的询证函"));
    m_letters->requireVoidable(row);
    const QString reason =
        Prompts::current().askText(this, QStringLiteral("作废询证函"),
                                   QStringLiteral("作废询证函 %1（%2）的原因：")
                                       .arg(letter->identity.number, letter->identity.customer),
                                   QString());
    if (reason.isNull())
        return;
    m_letters->voidLetter(row, reason);
}

void LedgerWindow::importClick()
{
    if (!m_store || !LedgerTransfers::importFile(*m_store, this))
        return;
    reload();
    emit changed();
}

void LedgerWindow::exportClick()
{
    if (m_store)
        LedgerTransfers::exportRegister(*m_store, this);
}

void LedgerWindow::verifyClick()
{
    if (!m_store)
        return;
    const BusyCursor busy;
    const LedgerStore::Verification result = m_store->verify();
    if (!result.ok) {
        const QString text =
            QStringLiteral("校验未通过：%1%2")
                .arg(
                    result.firstBroken
                        ? QStringLiteral("操作记录自第 %1 条起哈希链断开；").arg(result.firstBroken)
                        : QString(),
                    result.problem);
        lblVerify->setText(text);
        throw Exception(text);
    }
    const QString text = QStringLiteral("校验通过：%1 条操作记录的哈希链完整，询证函、发函批次"
                                        "与回函均与记录一致。")
                             .arg(result.entries);
    lblVerify->setText(text);
    Prompts::current().inform(this, QStringLiteral("校验"), text);
}

void LedgerWindow::dispatchListClick()
{
    if (!m_store)
        return;
    // The rows selected, in the table's order; none selected: every row shown.
    QList<int> rows = selectedRows();
    if (rows.isEmpty())
        for (int row = 0; row < m_letters->rowCount(); ++row)
            rows.append(row);
    QList<LedgerLetter> chosen;
    for (int row : std::as_const(rows))
        if (const auto letter = m_letters->letterAt(row))
            chosen.append(*letter);
    FollowUpPrinting::printDispatchList(this, *m_store, chosen);
}

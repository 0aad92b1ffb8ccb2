#include "ReplyWindow.h"

#include "LedgerFiles.h"
#include "ReplyCheckDialog.h"
#include "ReplyListModels.h"
#include "WindowParts.h"

#include "WorkbookSaveName.h"

#include "control/ReplyListWriter.h"
#include "control/ReplyRecording.h"
#include "control/ReplyScan.h"
#include "control/ScannedFile.h"
#include "engine/ProgressWindow.h"
#include "engine/designer/EditBoxes.h"
#include "ledger/LedgerStore.h"
#include "platform/BusyCursor.h"
#include "platform/Guard.h"
#include "platform/Prompts.h"
#include "platform/RecentFolders.h"
#include "report/LetterRows.h"
#include "table/StringGridModel.h"
#include "table/TableChanges.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSplitter>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

using WindowParts::named;

namespace {

QTableView *listView(QWidget *parent, QAbstractTableModel *model, const char *name,
                     const QString &accessibleName)
{
    auto *view = named(new QTableView(parent), name);
    view->setAccessibleName(accessibleName);
    // Tab goes on to the next control, as in any list: the arrows move within it.
    view->setTabKeyNavigation(false);
    view->setModel(model);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->verticalHeader()->setVisible(false);
    // Lines as close as a list of pages wants them: a screenful shows a good part of a run.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 8);
    // Columns fit their texts (measured on the first lines only) and the last takes the rest.
    view->horizontalHeader()->setResizeContentsPrecision(200);
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    view->horizontalHeader()->setSectionResizeMode(model->columnCount() - 1, QHeaderView::Stretch);
    view->setWordWrap(false);
    return view;
}

// A window of its own to screen readers, as the main window is: a plain top-level widget
// is a "filler" to them.
QAccessibleInterface *accessibleWindow(const QString &className, QObject *object)
{
    if (className == QLatin1String("ReplyWindow") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    return nullptr;
}

} // namespace

ReplyWindow::ReplyWindow(QWidget *owner, const StringGridModel &table,
                         const RegionalSettings &settings)
    : QWidget(owner, Qt::Window), m_table(table), m_settings(settings),
      m_list(SentLetters::fromTable(table, settings)), m_lines(new ReplyLinesModel(this)),
      m_unanswered(new UnansweredModel(this))
{
    static const bool accessible = (QAccessible::installFactory(accessibleWindow), true);
    Q_UNUSED(accessible)
    setObjectName(QStringLiteral("frmReplies"));
    setWindowTitle(QStringLiteral("回函登记"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(900, 600);

    rbLedger = named(new QRadioButton(this), "rbLedger");
    cbbChannel = named(new QComboBox(this), "cbbChannel");
    cbbChannel->setEditable(true);
    cbbChannel->addItems({QString(), QStringLiteral("快递"), QStringLiteral("邮寄"),
                          QStringLiteral("电子邮件"), QStringLiteral("亲自送达")});
    cbbChannel->setAccessibleName(QStringLiteral("回函方式"));
    edtReceived = named(new QLineEdit(this), "edtReceived");
    edtReceived->setAccessibleName(QStringLiteral("收到日期"));
    edtReceived->setPlaceholderText(QStringLiteral("空白：按各文件的日期"));
    // Wide enough for its hint, and the channel for its longest entry.
    edtReceived->setMinimumWidth(
        edtReceived->fontMetrics().horizontalAdvance(edtReceived->placeholderText()) + 16);
    cbbChannel->setMinimumContentsLength(5);
    rbTable = named(new QRadioButton(this), "rbTable");
    rbRegister = named(new QRadioButton(QStringLiteral("函证控制表："), this), "rbRegister");
    edtRegister = named(new QLineEdit(this), "edtRegister");
    edtRegister->setReadOnly(true);
    edtRegister->setAccessibleName(QStringLiteral("函证控制表文件"));
    edtRegister->setPlaceholderText(QStringLiteral("导出函证控制表…所写的 .xlsx 文件"));
    btnChooseRegister = named(new QPushButton(QStringLiteral("选择…"), this), "btnChooseRegister");
    btnAddFiles = named(new QPushButton(QStringLiteral("添加扫描文件…"), this), "btnAddFiles");
    btnAddFolder = named(new QPushButton(QStringLiteral("添加文件夹…"), this), "btnAddFolder");
    btnClear = named(new QPushButton(QStringLiteral("清空"), this), "btnClear");
    btnExport = named(new QPushButton(QStringLiteral("导出…"), this), "btnExport");
    btnCheck = named(new QPushButton(QStringLiteral("核对回函…"), this), "btnCheck");
    btnCheck->setToolTip(QStringLiteral("把所选回函页与函证台账中保存的发出时页面并排对照，"
                                        "并确认函证结果"));
    btnClose = named(new QPushButton(QStringLiteral("关闭"), this), "btnClose");
    tblReplies = listView(this, m_lines, "tblReplies", QStringLiteral("扫描的回函"));
    tblUnanswered =
        listView(this, m_unanswered, "tblUnanswered", QStringLiteral("尚未回函的询证函"));
    lblSummary = named(new QLabel(this), "lblSummary");

    auto *source = new QGridLayout;
    source->addWidget(new QLabel(QStringLiteral("对照询证函："), this), 0, 0);
    auto *ledgerLine = new QHBoxLayout;
    ledgerLine->addWidget(rbLedger);
    ledgerLine->addSpacing(12);
    for (auto [label, field] :
         {std::pair{QStringLiteral("回函方式(&W)："), (QWidget *)cbbChannel},
          std::pair{QStringLiteral("收到日期(&D)："), (QWidget *)edtReceived}}) {
        auto *caption = new QLabel(label, this);
        caption->setBuddy(field);
        ledgerLine->addWidget(caption);
        ledgerLine->addWidget(field);
    }
    ledgerLine->addStretch(1);
    source->addLayout(ledgerLine, 0, 1, 1, 3);
    source->addWidget(rbTable, 1, 1, 1, 3);
    source->addWidget(rbRegister, 2, 1);
    source->addWidget(edtRegister, 2, 2);
    source->addWidget(btnChooseRegister, 2, 3);
    source->setColumnStretch(2, 1);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *button : {btnAddFiles, btnAddFolder, btnClear, btnExport, btnCheck})
        buttons->addWidget(button);
    buttons->addStretch(1);
    buttons->addWidget(btnClose);
    auto *lists = new QSplitter(Qt::Vertical, this);
    auto *repliesBox = new QWidget(lists);
    auto *repliesLayout = new QVBoxLayout(repliesBox);
    repliesLayout->setContentsMargins(0, 0, 0, 0);
    repliesLayout->addWidget(
        new QLabel(QStringLiteral("扫描的回函（双击打开文件）："), repliesBox));
    repliesLayout->addWidget(tblReplies);
    auto *missingBox = new QWidget(lists);
    auto *missingLayout = new QVBoxLayout(missingBox);
    missingLayout->setContentsMargins(0, 0, 0, 0);
    missingLayout->addWidget(new QLabel(QStringLiteral("尚未回函的询证函："), missingBox));
    missingLayout->addWidget(tblUnanswered);
    lists->addWidget(repliesBox);
    lists->addWidget(missingBox);
    lists->setStretchFactor(0, 3);
    lists->setStretchFactor(1, 2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(source);
    layout->addLayout(buttons);
    layout->addWidget(lists, 1);
    layout->addWidget(lblSummary);

    connect(btnAddFiles, &QPushButton::clicked, this,
            Guard::slot(this, &ReplyWindow::addFilesClick));
    connect(btnAddFolder, &QPushButton::clicked, this,
            Guard::slot(this, &ReplyWindow::addFolderClick));
    connect(btnChooseRegister, &QPushButton::clicked, this,
            Guard::slot(this, &ReplyWindow::chooseRegisterClick));
    // A click on 函证控制表 without a file asks for one; on the table, it goes back to it.
    connect(rbRegister, &QRadioButton::clicked, this, Guard::slot([this] {
                if (m_register.isEmpty())
                    chooseRegisterClick();
            }));
    connect(rbTable, &QRadioButton::clicked, this, Guard::slot(this, &ReplyWindow::useTableClick));
    connect(rbLedger, &QRadioButton::clicked, this,
            Guard::slot(this, &ReplyWindow::useLedgerClick));
    connect(btnClear, &QPushButton::clicked, this, Guard::slot(this, &ReplyWindow::clearClick));
    connect(btnExport, &QPushButton::clicked, this, Guard::slot(this, &ReplyWindow::exportClick));
    connect(btnCheck, &QPushButton::clicked, this, Guard::slot(this, &ReplyWindow::checkClick));
    connect(tblReplies->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            Guard::slot([this] { btnCheck->setEnabled(checkableLine() >= 0); }));
    connect(btnClose, &QPushButton::clicked, this, &QWidget::close);
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    connect(tblReplies, &QTableView::doubleClicked, this,
            [this](const QModelIndex &index) { Guard::run([&] { openLine(index.row()); }); });
    followTableChanges(m_table, this, Guard::slot(this, &ReplyWindow::tableChanged));
    rbTable->setChecked(true);
    // The wheel changes the channel only once the user is in it.
    EditBoxes::guardWheel(this);
    showList();
}

ReplyWindow::~ReplyWindow()
{
    // A window still shown is hidden by QWidget's destructor, after the list is gone, and
    // its views ask the models for lines on the way: they show nothing from now on.
    m_lines->show(nullptr);
    m_unanswered->show(nullptr);
}

void ReplyWindow::setLedger(LedgerStore *ledger, std::function<void()> recorded)
{
    const bool wasUsing = usingLedger();
    m_ledger = ledger;
    m_recorded = std::move(recorded);
    // A ledger that can take the replies is where they go, unless the user has a list of
    // other letters on screen.
    const bool writable = m_ledger && !m_ledger->readOnly();
    if (writable && (wasUsing || m_list.lines().isEmpty())) {
        useLedgerClick();
        return;
    }
    if (wasUsing || (m_usingLedger && !writable)) {
        m_usingLedger = false;
        m_list = ReplyList(currentLetters());
    }
    showList();
}

void ReplyWindow::useLedgerClick()
{
    if (!m_ledger || m_ledger->readOnly()) {
        showList();
        return;
    }
    m_list = ReplyRecording::prepared(*m_ledger);
    m_usingLedger = true;
    m_register.clear();
    m_earlierTable = false;
    showList();
}

SentLetters ReplyWindow::currentLetters() const
{
    if (usingLedger())
        return SentLetters::fromLedger(*m_ledger);
    if (!m_register.isEmpty())
        return SentLetters::fromRegister(m_register, m_settings);
    return m_earlierTable ? m_list.letters() : SentLetters::fromTable(m_table, m_settings);
}

void ReplyWindow::tableChanged()
{
    // The ledger's letters do not change with the table.
    if (usingLedger()) {
        showList();
        return;
    }
    // Letters of a register do not change with the table.
    if (!m_register.isEmpty()) {
        showList();
        return;
    }
    // Nor has a list without matched pages anything to lose.
    if (m_list.pagesMatched() == 0) {
        m_earlierTable = false;
        relist();
        return;
    }
    // Matching the pages again changes what the user has seen and perhaps noted down: the
    // user decides.
    const bool rematch = Prompts::current().askConfirm(
        this, QStringLiteral("回函登记"),
        QStringLiteral("主窗口导入了另一个工作簿，表格现有 %1 封询证函。\n"
                       "已识别的 %2 页回函是按导入前的表格匹配的。\n\n"
                       "重新匹配：按新表格重新匹配这些回函；取消：保留原来的清单。")
            .arg(SentLetters::fromTable(m_table, m_settings).letters().size())
            .arg(m_list.pagesMatched()),
        QStringLiteral("重新匹配"));
    m_earlierTable = !rematch;
    if (rematch)
        relist();
    else
        showList();
}

void ReplyWindow::relist()
{
    BusyCursor busy;
    m_list = m_list.relisted(currentLetters());
    showList();
}

void ReplyWindow::addFilesClick()
{
    OpenFileRequest request;
    request.filter = ScannedFile::dialogFilter();
    request.directory = RecentFolders::folder(QStringLiteral("replies"));
    const QStringList files =
        Prompts::current().openFileNames(this, QStringLiteral("选择扫描的回函"), request);
    if (files.isEmpty())
        return;
    RecentFolders::remember(QStringLiteral("replies"),
                            QFileInfo(files.constFirst()).absolutePath());
    scan(files);
}

void ReplyWindow::addFolderClick()
{
    const QString folder =
        Prompts::current().existingDirectory(this, QStringLiteral("选择存放回函扫描件的文件夹"),
                                             RecentFolders::folder(QStringLiteral("replies")));
    if (folder.isEmpty())
        return;
    RecentFolders::remember(QStringLiteral("replies"), folder);
    scan({folder});
}

void ReplyWindow::scan(const QStringList &filesAndFolders)
{
    const QStringList files = ScannedFile::expand(filesAndFolders);
    if (files.isEmpty()) {
        Prompts::current().inform(
            this, QStringLiteral("提示"),
            QStringLiteral("所选文件夹中没有扫描件（PDF、PNG、JPEG、TIFF）。"));
        return;
    }
    if (usingLedger()) {
        scanIntoLedger(files);
        return;
    }
    // Matched against the letters as they are now: the table may have been imported again.
    ReplyList list = m_list.relisted(currentLetters());
    ProgressWindow progress(this, QStringLiteral("正在识别回函…"), 1000);
    const bool finished = ReplyScan::run(files, list, [&](double done, const QString &reading) {
        return progress.step(qRound(done * 1000), reading.isEmpty()
                                                      ? QString()
                                                      : QStringLiteral("正在识别 %1").arg(reading));
    });
    if (!finished)
        return; // cancelled: nothing of this scan is kept
    m_list = std::move(list);
    showList();
}

void ReplyWindow::scanIntoLedger(const QStringList &files)
{
    std::optional<QDate> received;
    if (!edtReceived->text().trimmed().isEmpty())
        received = QDate::fromString(
            LedgerStore::normalized(LetterField::ReplyDate, edtReceived->text()), Qt::ISODate);
    ReplyList list = m_list;
    ProgressWindow progress(this, QStringLiteral("正在识别回函并记入函证台账…"), 1000);
    // Each file is recorded as it is read: what is recorded shows, whatever stops the rest.
    auto show = [&] {
        m_list = std::move(list);
        showList();
        if (m_recorded)
            m_recorded();
    };
    ReplyRecording::Outcome outcome;
    try {
        outcome = ReplyRecording::record(
            *m_ledger, list, files, cbbChannel->currentText().trimmed(), received,
            [&](double done, const QString &reading) {
                return progress.step(
                    qRound(done * 1000),
                    reading.isEmpty() ? QString() : QStringLiteral("正在识别 %1").arg(reading));
            });
    } catch (...) {
        show();
        throw;
    }
    show();
    if (!outcome.finished)
        Prompts::current().inform(
            this, QStringLiteral("提示"),
            QStringLiteral("已停止识别。停止前读完的文件已记入函证台账（%1 页），"
                           "其余文件下次添加时再识别。")
                .arg(outcome.pagesRecorded));
}

void ReplyWindow::chooseRegisterClick()
{
    OpenFileRequest request;
    request.filter = QStringLiteral("函证控制表 (*.xlsx)");
    request.directory = RecentFolders::folder(QStringLiteral("register"));
    const QString path = Prompts::current().openFileName(this, request);
    if (path.isEmpty()) {
        // Still the list it was.
        (usingLedger() ? rbLedger : m_register.isEmpty() ? rbTable : rbRegister)->setChecked(true);
        return;
    }
    const QString previous = m_register;
    const bool wasUsingLedger = m_usingLedger;
    m_register = path;
    m_usingLedger = false;
    try {
        relist();
    } catch (...) {
        m_register = previous;
        m_usingLedger = wasUsingLedger;
        showList();
        throw;
    }
    m_earlierTable = false; // those letters are the register's now
    RecentFolders::remember(QStringLiteral("register"), QFileInfo(path).absolutePath());
}

void ReplyWindow::useTableClick()
{
    m_usingLedger = false;
    m_register.clear();
    m_earlierTable = false;
    relist();
}

void ReplyWindow::clearClick()
{
    // What the ledger recorded stays there: only this window's list starts again.
    m_list = usingLedger() ? ReplyRecording::prepared(*m_ledger) : ReplyList(currentLetters());
    showList();
}

void ReplyWindow::exportClick()
{
    if (m_list.lines().isEmpty()) {
        Prompts::current().inform(this, QStringLiteral("提示"),
                                  QStringLiteral("还没有识别回函：请先添加扫描文件。"));
        return;
    }
    const QString path =
        askWorkbookSaveName(this, QStringLiteral("导出回函清单"), QStringLiteral("回函清单"),
                            QStringLiteral("reply list"));
    if (path.isEmpty())
        return;
    ReplyListWriter::write(m_list, path, m_register);
    Prompts::current().inform(
        this, QStringLiteral("提示"),
        QStringLiteral("已将回函清单导出到“%1”。").arg(QDir::toNativeSeparators(path)));
}

int ReplyWindow::checkableLine() const
{
    const int row = tblReplies->currentIndex().row();
    if (!usingLedger() || row < 0 || row >= m_list.lines().size())
        return -1;
    const ReplyLine &line = m_list.lines()[row];
    return line.letter >= 0 && line.page > 0 ? row : -1;
}

void ReplyWindow::checkClick()
{
    const int row = checkableLine();
    if (row < 0)
        return;
    const ReplyLine &line = m_list.lines()[row];
    ReplyCheckDialog dialog(this, *m_ledger, line,
                            m_list.letters().letters()[line.letter].customer);
    dialog.exec();
    if (!dialog.recorded().isEmpty() && m_recorded)
        m_recorded();
}

void ReplyWindow::openLine(int row)
{
    if (row >= 0 && row < m_list.lines().size())
        QDesktopServices::openUrl(QUrl::fromLocalFile(m_list.lines()[row].file));
}

void ReplyWindow::showList()
{
    // A letter for every row with text after the titles, as the print run makes them.
    rbTable->setText(
        m_earlierTable
            ? QStringLiteral("导入前的表格（%1 封询证函；点此按现在的表格重新匹配）")
                  .arg(m_list.letters().letters().size())
            : QStringLiteral("当前表格（%1 封询证函）").arg(LetterRows(m_table).rows().size()));
    edtRegister->setText(QDir::toNativeSeparators(m_register));
    const bool writable = m_ledger && !m_ledger->readOnly();
    rbLedger->setVisible(m_ledger != nullptr);
    rbLedger->setEnabled(writable);
    cbbChannel->setEnabled(usingLedger());
    btnCheck->setEnabled(checkableLine() >= 0);
    edtReceived->setEnabled(usingLedger());
    if (m_ledger)
        rbLedger->setText(writable ? QStringLiteral("函证台账（%1 封询证函；识别的回函记入台账）")
                                         .arg(m_ledger->letterCount())
                                   : QStringLiteral("函证台账（只读打开，不能登记回函）"));
    (usingLedger() ? rbLedger : m_register.isEmpty() ? rbTable : rbRegister)->setChecked(true);

    const QList<ReplyLine> &lines = m_list.lines();
    m_lines->show(&m_list);
    m_unanswered->show(&m_list);
    btnExport->setEnabled(!lines.isEmpty());
    QString summary = lines.isEmpty()
                          ? QStringLiteral("请点击“添加扫描文件…”或“添加文件夹…”，选择扫描的回函。")
                          : m_list.summary();
    if (usingLedger() && !lines.isEmpty())
        summary += QStringLiteral("（识别的回函已记入函证台账“%1”）")
                       .arg(LedgerFiles::shortName(*m_ledger));
    if (const QString skipped = m_list.letters().skippedSummary(); !skipped.isEmpty())
        summary += QLatin1Char('\n') + skipped;
    lblSummary->setText(summary);
}

#include "ReplyWindow.h"

#include "WorkbookSaveName.h"

#include "control/ReplyListWriter.h"
#include "control/ReplyScan.h"
#include "control/ScannedFile.h"
#include "engine/ProgressWindow.h"
#include "platform/BusyCursor.h"
#include "platform/Guard.h"
#include "platform/Prompts.h"
#include "platform/RecentFolders.h"
#include "table/StringGridModel.h"
#include "table/TableChanges.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace {

template <typename T> T *named(T *object, const char *name)
{
    object->setObjectName(QLatin1String(name));
    return object;
}

QTableWidget *listTable(QWidget *parent, const QStringList &titles, const char *name)
{
    auto *table = named(new QTableWidget(0, int(titles.size()), parent), name);
    table->setHorizontalHeaderLabels(titles);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->setVisible(false);
    // Lines as close as a list of pages wants them: a screenful shows a good part of a run.
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 8);
    // Columns fit their texts and the last takes the rest, however often the list refills.
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setSectionResizeMode(int(titles.size()) - 1, QHeaderView::Stretch);
    table->setWordWrap(false);
    return table;
}

QTableWidgetItem *cell(const QString &text, Qt::Alignment alignment = Qt::AlignLeft)
{
    auto *item = new QTableWidgetItem(text);
    item->setTextAlignment(alignment | Qt::AlignVCenter);
    return item;
}

QColor stateColour(ReplyState state)
{
    switch (state) {
    case ReplyState::Matched:
        return QColor(0x1e, 0x7b, 0x34);
    case ReplyState::Duplicate:
        return QColor(0xb3, 0x5c, 0x00);
    default:
        return QColor(0xc0, 0x1c, 0x28);
    }
}

} // namespace

ReplyWindow::ReplyWindow(QWidget *owner, const StringGridModel &table,
                         const RegionalSettings &settings)
    : QWidget(owner, Qt::Window), m_table(table), m_settings(settings),
      m_list(SentLetters::fromTable(table, settings))
{
    setObjectName(QStringLiteral("frmReplies"));
    setWindowTitle(QStringLiteral("回函登记"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(900, 600);

    rbTable = named(new QRadioButton(this), "rbTable");
    rbRegister = named(new QRadioButton(QStringLiteral("函证控制表："), this), "rbRegister");
    edtRegister = named(new QLineEdit(this), "edtRegister");
    edtRegister->setReadOnly(true);
    edtRegister->setPlaceholderText(QStringLiteral("导出函证控制表…所写的 .xlsx 文件"));
    btnChooseRegister = named(new QPushButton(QStringLiteral("选择…"), this), "btnChooseRegister");
    btnAddFiles = named(new QPushButton(QStringLiteral("添加扫描文件…"), this), "btnAddFiles");
    btnAddFolder = named(new QPushButton(QStringLiteral("添加文件夹…"), this), "btnAddFolder");
    btnClear = named(new QPushButton(QStringLiteral("清空"), this), "btnClear");
    btnExport = named(new QPushButton(QStringLiteral("导出…"), this), "btnExport");
    btnClose = named(new QPushButton(QStringLiteral("关闭"), this), "btnClose");
    tblReplies = listTable(this,
                           {QStringLiteral("文件"), QStringLiteral("页"),
                            QStringLiteral("函证编号"), QStringLiteral("被询证单位"),
                            QStringLiteral("金额"), QStringLiteral("状态"), QStringLiteral("说明")},
                           "tblReplies");
    tblUnanswered = listTable(
        this, {QStringLiteral("函证编号"), QStringLiteral("被询证单位"), QStringLiteral("金额")},
        "tblUnanswered");
    lblSummary = named(new QLabel(this), "lblSummary");

    auto *source = new QGridLayout;
    source->addWidget(new QLabel(QStringLiteral("对照询证函："), this), 0, 0);
    source->addWidget(rbTable, 0, 1, 1, 3);
    source->addWidget(rbRegister, 1, 1);
    source->addWidget(edtRegister, 1, 2);
    source->addWidget(btnChooseRegister, 1, 3);
    source->setColumnStretch(2, 1);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *button : {btnAddFiles, btnAddFolder, btnClear, btnExport})
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
    connect(btnClear, &QPushButton::clicked, this, Guard::slot(this, &ReplyWindow::clearClick));
    connect(btnExport, &QPushButton::clicked, this, Guard::slot(this, &ReplyWindow::exportClick));
    connect(btnClose, &QPushButton::clicked, this, &QWidget::close);
    connect(tblReplies, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { Guard::run([&] { openLine(row); }); });
    // Another import changes the letters: the pages already read are matched again, so the
    // lists never speak of a table no longer shown.
    followTableChanges(m_table, this, Guard::slot([this] {
                           if (m_register.isEmpty())
                               relist();
                           else
                               showList();
                       }));
    rbTable->setChecked(true);
    showList();
}

SentLetters ReplyWindow::currentLetters() const
{
    return m_register.isEmpty() ? SentLetters::fromTable(m_table, m_settings)
                                : SentLetters::fromRegister(m_register, m_settings);
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

void ReplyWindow::chooseRegisterClick()
{
    OpenFileRequest request;
    request.filter = QStringLiteral("函证控制表 (*.xlsx)");
    request.directory = RecentFolders::folder(QStringLiteral("register"));
    const QString path = Prompts::current().openFileName(this, request);
    if (path.isEmpty()) {
        // Still the list it was.
        (m_register.isEmpty() ? rbTable : rbRegister)->setChecked(true);
        return;
    }
    const QString previous = m_register;
    m_register = path;
    try {
        relist();
    } catch (...) {
        m_register = previous;
        (m_register.isEmpty() ? rbTable : rbRegister)->setChecked(true);
        throw;
    }
    RecentFolders::remember(QStringLiteral("register"), QFileInfo(path).absolutePath());
}

void ReplyWindow::useTableClick()
{
    m_register.clear();
    relist();
}

void ReplyWindow::clearClick()
{
    m_list = ReplyList(currentLetters());
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

void ReplyWindow::openLine(int row)
{
    if (row >= 0 && row < m_list.lines().size())
        QDesktopServices::openUrl(QUrl::fromLocalFile(m_list.lines()[row].file));
}

void ReplyWindow::showList()
{
    const QList<SentLetter> &letters = m_list.letters().letters();
    // A letter for every row after the titles, as the print run makes them.
    rbTable->setText(
        QStringLiteral("当前表格（%1 封询证函）").arg(std::max(0, m_table.RowCount() - 1)));
    edtRegister->setText(QDir::toNativeSeparators(m_register));
    (m_register.isEmpty() ? rbTable : rbRegister)->setChecked(true);

    const QList<ReplyLine> &lines = m_list.lines();
    tblReplies->setRowCount(int(lines.size()));
    for (int r = 0; r < lines.size(); ++r) {
        const ReplyLine &line = lines[r];
        auto *file = cell(QFileInfo(line.file).fileName());
        file->setToolTip(QDir::toNativeSeparators(line.file));
        tblReplies->setItem(r, 0, file);
        tblReplies->setItem(
            r, 1, cell(line.page > 0 ? QString::number(line.page) : QString(), Qt::AlignRight));
        tblReplies->setItem(r, 2, cell(line.number));
        const bool matched = line.letter >= 0;
        tblReplies->setItem(r, 3, cell(matched ? letters[line.letter].customer : QString()));
        tblReplies->setItem(
            r, 4, cell(matched ? letters[line.letter].amountText : QString(), Qt::AlignRight));
        auto *state = cell(ReplyList::stateText(line.state));
        state->setForeground(stateColour(line.state));
        tblReplies->setItem(r, 5, state);
        tblReplies->setItem(r, 6, cell(line.note));
    }
    const QList<int> unanswered = m_list.unanswered();
    tblUnanswered->setRowCount(int(unanswered.size()));
    for (int r = 0; r < unanswered.size(); ++r) {
        const SentLetter &letter = letters[unanswered[r]];
        tblUnanswered->setItem(r, 0, cell(letter.number));
        tblUnanswered->setItem(r, 1, cell(letter.customer));
        tblUnanswered->setItem(r, 2, cell(letter.amountText, Qt::AlignRight));
    }
    btnExport->setEnabled(!lines.isEmpty());
    lblSummary->setText(
        lines.isEmpty() ? QStringLiteral("请点击“添加扫描文件…”或“添加文件夹…”，选择扫描的回函。")
                        : m_list.summary());
}

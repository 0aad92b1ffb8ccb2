#include "Tfrmmain.h"

#include "CaptionedToolButton.h"
#include "CentreConnectDialog.h"
#include "FileOpenDialog.h"
#include "ImageList.h"
#include "LedgerFiles.h"
#include "LedgerTransfers.h"
#include "LedgerWindow.h"
#include "MailSettingsDialog.h"
#include "PrintRecording.h"
#include "ReplyWindow.h"
#include "SelectionWindow.h"
#include "TemplateChooser.h"
#include "WindowParts.h"
#include "WorkbookSaveName.h"
#include "control/LetterRecording.h"
#include "control/RegisterWriter.h"
#include "control/SelectionRecording.h"
#include "control/TableSelection.h"
#include "designer/TfrmDesign.h"
#include "engine/ReportComponent.h"
#include "engine/ReportError.h"
#include "help/TfrmHelp.h"
#include "import/WorkbookImport.h"
#include "ledger/CentreRefusal.h"
#include "ledger/LedgerStore.h"
#include "platform/BusyCursor.h"
#include "platform/Exception.h"
#include "platform/Guard.h"
#include "platform/GuiBusyCursor.h"
#include "platform/Prompts.h"
#include "platform/RecentFolders.h"
#include "report/LetterRows.h"
#include "report/LetterRun.h"
#include "report/RecordFetch.h"
#include "report/TemplateFolder.h"
#include "report/TemplateLocations.h"
#include "spreadsheet/WorkbookFileServer.h"
#include "table/StartUpLayout.h"
#include "table/StringGridModel.h"
#include "table/StringGridView.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QScopeGuard>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

Tfrmmain *frmmain = nullptr;

using WindowParts::named;

namespace {

const char *const kStatusInfo = "导入应收帐款电子表格后，选择打印模板，即可为每一家客户打印询证函";
const char *const kSupportLine = "技术支持：roviradavev 客户服务部（工作日 9:00-17:30）";
const char *const kAboutPurpose = "用途:应收帐款询证函的导入与批量打印";
const char *const kAboutCopyright = "版权所有(C) 2026 roviradavev 开发组";

} // namespace

Tfrmmain::Tfrmmain(QWidget *parent)
    : QMainWindow(parent), spreadsheetServer(WorkbookFileServer::factory()),
      regionalSettings(&RegionalSettings::user())
{
    setObjectName(QStringLiteral("frmmain"));
    // Long work (an import, a scan) shows the wait cursor over this program's windows.
    GuiBusyCursor::install();
    setWindowTitle(QStringLiteral("roviradavev"));
    setWindowIcon(ImageList::windowIcon());
    QFont windowFont(QStringLiteral("MS Sans Serif"));
    windowFont.setPointSize(8);
    setFont(windowFont);
    setGeometry(570, 216, 536, 349);

    ImageList1 = named(new ImageList(this), "ImageList1");
    dlgOpen1 = named(new FileOpenDialog(this), "dlgOpen1");
    // Qt's dialog matches patterns literally, so .xlsx needs its own pattern.
    dlgOpen1->request.filter = QStringLiteral("Excel文件 (*.xls *.xlsx)");
    dlgOpen1->request.defaultSuffix = QStringLiteral("xls");
    Report = named(new ReportComponent(this), "Report");
    Report->setOnFetchRecord([this] { ReportFetchRecord(); });
    Report->setWording(LetterRun::wording());
    Report->setPreviewExport({QStringLiteral("actExportRegister"),
                              QStringLiteral("导出函证控制表…"),
                              [this](PreviewWindow &preview) { exportRegister(preview); }});
    // With a ledger open, each letter's code carries its keyed checksum.
    Report->setDocumentMade([this](ReportDocument &document) {
        if (m_ledger)
            LetterRecording::stampCodes(*m_ledger, document, templateName());
    });
    // With a ledger open, the letters shown are those it can take, and each output goes in.
    Report->setPreviewShowing([this](PreviewWindow &preview) {
        if (m_ledger)
            PrintRecording::attach(preview, *m_ledger, templateName(), *table(),
                                   letterRun().letterRows(), [this] { ledgerChanged(); });
    });

    createMenu();
    createToolBar();

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    createPanel();
    layout->addWidget(Panel1);
    AdvStringGrid1 = named(new StringGridView(central), "AdvStringGrid1");
    layout->addWidget(AdvStringGrid1, 1);
    setCentralWidget(central);
    createStatusBar();

    frmmain = this;
    FormCreate();
}

Tfrmmain::~Tfrmmain()
{
    // The ledger and selection windows read the ledger, which goes before they would.
    delete findChild<LedgerWindow *>(QString(), Qt::FindDirectChildrenOnly);
    delete findChild<SelectionWindow *>(QString(), Qt::FindDirectChildrenOnly);
    if (frmmain == this)
        frmmain = nullptr;
}

void Tfrmmain::createMenu()
{
    mmMain = named(menuBar(), "mmMain");
    // Access keys, so that the keyboard alone reaches every command.
    N1 = named(mmMain->addMenu(QStringLiteral("系统(&S)")), "N1");
    mniImport = named(N1->addAction(QStringLiteral("导入应收文件")), "mniImport");
    mniPrint = named(N1->addAction(QStringLiteral("打印应收确认函")), "mniPrint");
    mniReplies = named(N1->addAction(QStringLiteral("回函登记…")), "mniReplies");
    named(N1->addSeparator(), "mniN3");
    mniNewLedger = named(N1->addAction(QStringLiteral("新建函证台账…")), "mniNewLedger");
    mniOpenLedger = named(N1->addAction(QStringLiteral("打开函证台账…")), "mniOpenLedger");
    mniConnectCentre = named(N1->addAction(QStringLiteral("连接函证中心…")), "mniConnectCentre");
    mniLedger = named(N1->addAction(QStringLiteral("函证台账…")), "mniLedger");
    mniMailSettings = named(N1->addAction(QStringLiteral("邮件设置…")), "mniMailSettings");
    mniSelection = named(N1->addAction(QStringLiteral("选样…")), "mniSelection");
    N4 = named(mmMain->addMenu(QStringLiteral("帮助(&H)")), "N4");
    N5 = named(N4->addAction(QStringLiteral("使用说明")), "N5");
    mniN2 = named(N4->addSeparator(), "mniN2");
    mniabout = named(N4->addAction(QStringLiteral("关于")), "mniabout");

    connect(mniImport, &QAction::triggered, this, Guard::slot(this, &Tfrmmain::mniImportClick));
    connect(mniPrint, &QAction::triggered, this, Guard::slot(this, &Tfrmmain::mniPrintClick));
    connect(mniReplies, &QAction::triggered, this, Guard::slot(this, &Tfrmmain::mniRepliesClick));
    connect(mniNewLedger, &QAction::triggered, this,
            Guard::slot(this, &Tfrmmain::mniNewLedgerClick));
    connect(mniOpenLedger, &QAction::triggered, this,
            Guard::slot(this, &Tfrmmain::mniOpenLedgerClick));
    connect(mniConnectCentre, &QAction::triggered, this,
            Guard::slot(this, &Tfrmmain::mniConnectCentreClick));
    connect(mniLedger, &QAction::triggered, this, Guard::slot(this, &Tfrmmain::mniLedgerClick));
    connect(mniMailSettings, &QAction::triggered, this,
            Guard::slot(this, &Tfrmmain::mniMailSettingsClick));
    connect(mniSelection, &QAction::triggered, this,
            Guard::slot(this, &Tfrmmain::mniSelectionClick));
    connect(N5, &QAction::triggered, this, Guard::slot(this, &Tfrmmain::btnHelpClick));
    connect(mniabout, &QAction::triggered, this, Guard::slot(this, &Tfrmmain::mniaboutClick));
}

QToolButton *Tfrmmain::addToolButton(const char *name, const QString &caption, int picture,
                                     void (Tfrmmain::*handler)())
{
    auto *button = named(new CaptionedToolButton(ToolBar1), name);
    button->setText(caption);
    button->setIcon(ImageList1->icon(picture));
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setFixedSize(79, 52);
    button->setAutoRaise(true);
    connect(button, &QToolButton::clicked, this, Guard::slot(this, handler));
    ToolBar1->addWidget(button);
    return button;
}

void Tfrmmain::createToolBar()
{
    ToolBar1 = named(new QToolBar(this), "ToolBar1");
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setFixedHeight(57);
    ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);
    ToolBar1->layout()->setSpacing(0);
    ToolBar1->layout()->setContentsMargins(0, 2, 0, 2);
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    btnImport =
        addToolButton("btnImport", QStringLiteral("导入应收帐款"), 1, &Tfrmmain::mniImportClick);
    btnPrint = addToolButton("btnPrint", QStringLiteral("打印询证函"), 2, &Tfrmmain::mniPrintClick);
    btnReplies =
        addToolButton("btnReplies", QStringLiteral("回函登记"), 6, &Tfrmmain::mniRepliesClick);
    btnHelp = addToolButton("btnHelp", QStringLiteral("使用说明"), 4, &Tfrmmain::btnHelpClick);
    btnDesign =
        addToolButton("btnDesign", QStringLiteral("设计模板"), 5, &Tfrmmain::btnDesignClick);
    btnAbout = addToolButton("btnAbout", QStringLiteral("关于软件"), 0, &Tfrmmain::mniaboutClick);
    btnExit = addToolButton("btnExit", QStringLiteral("退出"), 3, &Tfrmmain::btnExitClick);
}

void Tfrmmain::createPanel()
{
    Panel1 = named(new QFrame(this), "Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setFixedHeight(36);
    lbl1 = named(new QLabel(QStringLiteral("请选择打印模板："), Panel1), "lbl1");
    lbl1->setGeometry(16, 7, 113, 21);
    lbl1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    cbb1 = named(new TemplateChooser(Panel1), "cbb1");
    cbb1->setGeometry(128, 7, 145, 21);
    cbb1->addItem(QStringLiteral("应收帐款确认函"));
    cbb1->addItem(QStringLiteral("预收帐款确认函"));
    cbb1->setCurrentIndex(0);
    cbb1->setFurtherNames(&TemplateFolder::names);
}

void Tfrmmain::createStatusBar()
{
    stat1 = named(new QStatusBar(this), "stat1");
    stat1->setFixedHeight(25);
    stat1->setSizeGripEnabled(true);
    statPanel0 = named(new QLabel(stat1), "stat1Panel0");
    statPanel0->setFixedWidth(450);
    statPanel1 = named(new QLabel(QString::fromUtf8(kSupportLine), stat1), "stat1Panel1");
    statPanel1->setFixedWidth(400);
    stat1->addWidget(statPanel0);
    stat1->addWidget(statPanel1);
    statLedger = named(new QLabel(stat1), "stat1Ledger");
    stat1->addPermanentWidget(statLedger);
    setStatusBar(stat1);
}

void Tfrmmain::FormCreate()
{
    applyStartUpLayout(*table());
    statPanel0->setText(QString::fromUtf8(kStatusInfo));
    showLedgerState();
}

QString Tfrmmain::templateName() const
{
    return cbb1->templateName();
}

StringGridModel *Tfrmmain::table() const
{
    return AdvStringGrid1->model();
}

bool Tfrmmain::confirmDesignersClose()
{
    // Each modified designer asks in turn; a 取消 anywhere keeps the program running.
    for (TfrmDesign *design : findChildren<TfrmDesign *>(Qt::FindDirectChildrenOnly))
        if (!design->confirmClose())
            return false;
    return true;
}

void Tfrmmain::btnExitClick()
{
    if (!confirmDesignersClose())
        return;
    if (Prompts::current().askOkCancel(nullptr, QStringLiteral("提示"),
                                       QStringLiteral("你确定退出软件吗？")))
        QCoreApplication::quit();
}

void Tfrmmain::mniImportClick()
{
    // The first time, where the sample workbook is.
    dlgOpen1->request.directory = RecentFolders::folder(
        QStringLiteral("import"), QFileInfo(TemplateFolder::sampleWorkbook()).absolutePath());
    const QString fileName = dlgOpen1->execute(this);
    if (fileName.isEmpty())
        return;
    RecentFolders::remember(QStringLiteral("import"), QFileInfo(fileName).absolutePath());
    importWorkbook(fileName);
}

void Tfrmmain::importWorkbook(const QString &fileName)
{
    // A failed import may have left part of a table: its marks go all the same.
    auto refresh = qScopeGuard([this] { Guard::run([this] { tableReplaced(false); }); });
    WorkbookImport(*table(), *regionalSettings, spreadsheetServer).LoadFromWorkbook(fileName);
    refresh.dismiss();
    tableReplaced(true);
}

void Tfrmmain::tableReplaced(bool imported)
{
    // A million rows take a moment to fingerprint.
    BusyCursor busy;
    const bool marked = showSelectionMarks();
    if (auto *window = findChild<SelectionWindow *>(QString(), Qt::FindDirectChildrenOnly))
        window->reload();
    if (!imported || !m_ledger || marked)
        return;
    // Picks are never carried over to another table unnoticed: the user learns why the
    // rows are not marked, and what changed.
    const QString notice = TableSelection::notThePopulation(*m_ledger, *table(), *regionalSettings);
    if (notice.isEmpty())
        return;
    stat1->showMessage(QStringLiteral("此表格不是台账中选样的总体，未标出选样的行"));
    busy.restore();
    Prompts::current().inform(this, QStringLiteral("选样"), notice);
}

bool Tfrmmain::showSelectionMarks()
{
    std::optional<LedgerSelection> made;
    if (m_ledger)
        made = TableSelection::madeFrom(*m_ledger, *table());
    AdvStringGrid1->setRowMarks(made ? SelectionRecording::pickedRows(*made, *table())
                                     : QHash<int, QString>());
    return made.has_value();
}

void Tfrmmain::mniSelectionClick()
{
    if (!m_ledger)
        throw Exception(QStringLiteral("请先新建或打开函证台账：选样记录在台账中"));
    if (LetterRows(*table()).rows().isEmpty())
        throw Exception(QStringLiteral("请先导入应收帐款"));
    auto *window = findChild<SelectionWindow *>(QString(), Qt::FindDirectChildrenOnly);
    if (!window) {
        window = new SelectionWindow(this, m_ledger.get(), *table(), *regionalSettings, [this] {
            showSelectionMarks();
            ledgerChanged();
        });
        window->show();
    }
    window->raise();
    window->activateWindow();
    if (window->populationError().isEmpty())
        return;
    // As the print run does: the cell that stops it is the current one once the box is gone.
    const LetterRows letters(*table());
    for (int row : letters.rows()) {
        try {
            RecordFetch::amount(*table(), row, *regionalSettings);
        } catch (const Exception &) {
            AdvStringGrid1->showCell(2, row);
            break;
        }
    }
    throw Exception(window->populationError());
}

void Tfrmmain::openFromCommandLine(const QString &workbook, const QString &templateFile)
{
    if (!workbook.isEmpty())
        importWorkbook(workbook);
    if (!templateFile.isEmpty())
        showDesigner([&](TfrmDesign &design) { design.openFile(templateFile); });
}

void Tfrmmain::mniaboutClick()
{
    const QStringList lines{QStringLiteral("软件名称:roviradavev"),
                            QStringLiteral("版本号:" ROVIRADAVEV_VERSION),
                            QString::fromUtf8(kAboutPurpose), QString::fromUtf8(kAboutCopyright)};
    Prompts::current().inform(nullptr, QStringLiteral("关于"), lines.join(QLatin1Char('\n')));
}

void Tfrmmain::mniPrintClick()
{
    // A typed name that lists no template would print from the folder's ".grf": say which
    // template the user asked for instead.
    cbb1->selectTypedEntry();
    if (const QString typed = cbb1->typedName(); !typed.isEmpty())
        throw ReportError(
            QStringLiteral("找不到打印模板文件“%1”").arg(LetterRun::templateFileForName(typed)));
    // The preview is modal: the rows chosen hold for it alone.
    const auto forgetRows = qScopeGuard([this] { m_printRows.reset(); });
    if (!choosePrintRows())
        return;
    // The load's flag is not examined: a missing template reaches the preview, which
    // names the file.
    Report->LoadTemplateFile(LetterRun::templateFileForName(templateName()));
    Report->setTitle(LetterRun::PreviewTitle);
    // When a cell stops the fetch, the table shows it as the current cell by the time the
    // error box has gone; nothing is caught here.
    m_fetchCell = QPoint(-1, -1);
    const auto showStoppingCell = qScopeGuard([this, errors = std::uncaught_exceptions()] {
        if (std::uncaught_exceptions() > errors && m_fetchCell.x() >= 0)
            AdvStringGrid1->showCell(m_fetchCell.x(), m_fetchCell.y());
    });
    Report->ShowPreview(-1);
}

void Tfrmmain::btnHelpClick()
{
    auto *help =
        new TfrmHelp(nullptr, TemplateLocations::current().isPortable()
                                  ? QString()
                                  : QDir::toNativeSeparators(TemplateFolder::sampleWorkbook()));
    help->show();
}

void Tfrmmain::exportRegister(PreviewWindow &preview)
{
    // With a ledger open, the register is the ledger's: every letter sent, as far as known.
    if (m_ledger) {
        LedgerTransfers::exportRegister(*m_ledger, &preview);
        return;
    }
    // The register tells letters apart by their numbers, whatever the template shows.
    LetterRun::requireNumbers(preview.document());
    const QString path =
        askWorkbookSaveName(&preview, QStringLiteral("导出函证控制表"),
                            QStringLiteral("函证控制表"), QStringLiteral("register"));
    if (path.isEmpty())
        return;
    RegisterWriter::write(preview.document(), templateName(), path);
    Prompts::current().inform(&preview, QStringLiteral("提示"),
                              QStringLiteral("已将 %1 封询证函登记到“%2”。")
                                  .arg(preview.document().pageCount())
                                  .arg(QDir::toNativeSeparators(path)));
}

bool Tfrmmain::choosePrintRows()
{
    m_printRows.reset();
    const std::optional<LedgerSelection> made =
        m_ledger ? TableSelection::madeFrom(*m_ledger, *table()) : std::nullopt;
    if (!made)
        return true;
    const QList<int> picked = TableSelection::pickedRows(*made, *table());
    const QStringList choices{QStringLiteral("选样中的 %1 行").arg(picked.size()),
                              QStringLiteral("全部 %1 行").arg(LetterRows(*table()).rows().size())};
    const QString chosen = Prompts::current().chooseItem(
        this, QStringLiteral("打印询证函"), QStringLiteral("此表格已选样，为哪些行打印询证函："),
        choices, 0);
    if (chosen.isEmpty())
        return false;
    if (chosen == choices.constFirst())
        m_printRows = picked;
    return true;
}

LetterRun Tfrmmain::letterRun() const
{
    LetterRun run(*table(), *regionalSettings);
    run.setRows(m_printRows);
    return run;
}

void Tfrmmain::ReportFetchRecord()
{
    letterRun().fetch(Report->engine(), &m_fetchCell);
}

void Tfrmmain::btnDesignClick()
{
    showDesigner([](TfrmDesign &) {});
}

void Tfrmmain::showDesigner(const std::function<void(TfrmDesign &)> &prepare)
{
    auto *design =
        new TfrmDesign(this, {[this] { return templateName(); }, table(), regionalSettings});
    prepare(*design);
    frmDesign = design;
    design->showMaximized();
}

void Tfrmmain::mniRepliesClick()
{
    auto *replies = findChild<ReplyWindow *>(QString(), Qt::FindDirectChildrenOnly);
    if (!replies) {
        replies = new ReplyWindow(this, *table(), *regionalSettings);
        if (m_ledger)
            replies->setLedger(m_ledger.get(), [this] { ledgerChanged(); });
        replies->show();
    }
    replies->raise();
    replies->activateWindow();
}

void Tfrmmain::closeEvent(QCloseEvent *event)
{
    // Closing the main window ends the program, whatever other windows are open, once
    // every modified designer has been saved or given up.
    bool agreed = false;
    Guard::run([&] { agreed = confirmDesignersClose(); });
    if (!agreed) {
        event->ignore();
        return;
    }
    event->accept();
    QCoreApplication::quit();
}

void Tfrmmain::setLedger(std::unique_ptr<LedgerStore> ledger)
{
    // The window shows the new ledger before the old one closes.
    const std::unique_ptr<LedgerStore> closing = std::move(m_ledger);
    m_ledger = std::move(ledger);
    m_ledgerWatch = std::make_unique<QObject>();
    if (m_ledger)
        // A clerk's replies recorded in another program show here as they come.
        m_ledger->watchChanges(m_ledgerWatch.get(),
                               [this] { Guard::run([this] { ledgerChanged(); }); });
    if (auto *window = findChild<LedgerWindow *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (m_ledger)
            window->setStore(m_ledger.get());
        else
            delete window;
    }
    if (auto *replies = findChild<ReplyWindow *>(QString(), Qt::FindDirectChildrenOnly))
        replies->setLedger(m_ledger.get(), [this] { ledgerChanged(); });
    if (auto *selection = findChild<SelectionWindow *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (m_ledger)
            selection->setLedger(m_ledger.get());
        else
            delete selection;
    }
    showLedgerState();
    showSelectionMarks();
}

void Tfrmmain::showLedgerState()
{
    mniLedger->setEnabled(m_ledger != nullptr);
    // Left enabled without a ledger: choosing it says what is missing.
    mniSelection->setStatusTip(
        m_ledger ? QString() : QStringLiteral("请先新建或打开函证台账：选样记录在台账中"));
    if (!m_ledger) {
        statLedger->clear();
        statLedger->setToolTip(QString());
        return;
    }
    statLedger->setText(QStringLiteral("函证台账：%1（%2 封询证函）%3")
                            .arg(LedgerFiles::shortName(*m_ledger))
                            .arg(m_ledger->letterCount())
                            .arg(m_ledger->readOnly() ? QStringLiteral("（只读）") : QString()));
    statLedger->setToolTip(m_ledger->onServer() ? m_ledger->shownName()
                                                : QDir::toNativeSeparators(m_ledger->path()));
}

void Tfrmmain::ledgerChanged()
{
    showLedgerState();
    if (auto *window = findChild<LedgerWindow *>(QString(), Qt::FindDirectChildrenOnly))
        window->reload();
}

void Tfrmmain::mniNewLedgerClick()
{
    const QString caption = QStringLiteral("新建函证台账");
    const QString chosen =
        Prompts::current().saveFileName(this, caption,
                                        QDir(RecentFolders::folder(QStringLiteral("ledger")))
                                            .filePath(QStringLiteral("函证台账.rvledger")),
                                        LedgerFiles::filter());
    if (chosen.isEmpty())
        return;
    const QString path = LedgerFiles::withSuffix(chosen);
    const QString engagement =
        Prompts::current().askText(this, caption, QStringLiteral("审计项目（函证台账的名称）："),
                                   QFileInfo(path).completeBaseName());
    if (engagement.isNull())
        return;
    if (engagement.trimmed().isEmpty())
        throw Exception(QStringLiteral("请填写审计项目的名称，函证台账未建立"));
    setLedger(LedgerStore::create(path, engagement.trimmed()));
    RecentFolders::remember(QStringLiteral("ledger"), QFileInfo(path).absolutePath());
    LedgerFiles::remember(path);
}

void Tfrmmain::mniOpenLedgerClick()
{
    OpenFileRequest request;
    request.filter = LedgerFiles::filter();
    request.defaultSuffix = QStringLiteral("rvledger");
    request.directory = RecentFolders::folder(QStringLiteral("ledger"));
    const QString path = Prompts::current().openFileName(this, request);
    if (path.isEmpty())
        return;
    RecentFolders::remember(QStringLiteral("ledger"), QFileInfo(path).absolutePath());
    openLedger(path);
}

void Tfrmmain::openLedger(const QString &path)
{
    setLedger(LedgerStore::open(path));
    ledgerOpened();
}

void Tfrmmain::ledgerOpened()
{
    LedgerFiles::remember(m_ledger->path());
    if (m_ledger->readOnly())
        Prompts::current().inform(
            this, QStringLiteral("函证台账"),
            QStringLiteral("函证台账“%1”以只读方式打开（%2）：可以查看，不能修改。")
                .arg(m_ledger->shownName(), m_ledger->readOnlyReason()));
}

void Tfrmmain::mniConnectCentreClick()
{
    CentreConnectDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    setLedger(dialog.takeStore());
    ledgerOpened();
}

void Tfrmmain::openLedgerAtStart(const QString &path)
{
    if (!path.isEmpty()) {
        openLedger(path);
        return;
    }
    const QString last = LedgerFiles::last();
    if (last.isEmpty())
        return;
    // Not an error of anything the user did now: said once in the status bar, then the
    // program stops trying.
    try {
        if (LedgerLocation::isServer(last)) {
            // Never asked at start: the password given last session, or the keyring's.
            const LedgerLocation location = LedgerLocation::parse(last);
            setLedger(
                LedgerStore::openOnServer(location, CentreConnectDialog::knownPassword(location)));
        } else {
            setLedger(LedgerStore::open(last));
        }
    } catch (const CentreRefusal &refusal) {
        // The server is still where it was: the next start tries again.
        stat1->showMessage(QStringLiteral("上次打开的函证中心项目未能自动打开：%1 请用“连接函证"
                                          "中心…”连接。")
                               .arg(refusal.message()));
        return;
    } catch (const Exception &error) {
        LedgerFiles::forget();
        stat1->showMessage(
            QStringLiteral("上次打开的函证台账未能再次打开，以后启动时不再打开它：%1")
                .arg(error.message()));
        return;
    }
    if (m_ledger->readOnly())
        stat1->showMessage(QStringLiteral("函证台账以只读方式打开（%1）：可以查看，不能修改。")
                               .arg(m_ledger->readOnlyReason()));
}

void Tfrmmain::mniMailSettingsClick()
{
    MailSettingsDialog dialog(this);
    dialog.exec();
}

void Tfrmmain::mniLedgerClick()
{
    if (!m_ledger)
        throw Exception(QStringLiteral("请先新建或打开函证台账"));
    auto *window = findChild<LedgerWindow *>(QString(), Qt::FindDirectChildrenOnly);
    if (!window) {
        window = new LedgerWindow(this, m_ledger.get());
        connect(window, &LedgerWindow::changed, this, Guard::slot([this] { showLedgerState(); }));
        window->show();
    }
    window->raise();
    window->activateWindow();
}

#include "PreviewWindow.h"

#include "PageFileNames.h"
#include "PageRenderer.h"
#include "PageView.h"
#include "PdfExport.h"
#include "PrintJob.h"
#include "ProgressWindow.h"
#include "platform/Guard.h"
#include "platform/Prompts.h"
#include "platform/RecentFolders.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QToolBar>
#include <QVBoxLayout>

#include <numeric>

namespace {

struct ZoomChoice
{
    const char *label;
    PageView::Zoom zoom;
    int percent;
};

const ZoomChoice kZooms[] = {
    {"适合宽度", PageView::Zoom::FitWidth, 100}, {"整页", PageView::Zoom::FitPage, 100},
    {"50%", PageView::Zoom::Percent, 50},        {"75%", PageView::Zoom::Percent, 75},
    {"100%", PageView::Zoom::Percent, 100},      {"125%", PageView::Zoom::Percent, 125},
    {"150%", PageView::Zoom::Percent, 150},      {"200%", PageView::Zoom::Percent, 200},
    {"300%", PageView::Zoom::Percent, 300},      {"400%", PageView::Zoom::Percent, 400},
};

} // namespace

PreviewWindow::PreviewWindow(ReportDocument document, DocumentWording wording, QWidget *parent)
    : QDialog(parent, Qt::Window), m_document(std::move(document)), m_wording(std::move(wording)),
      m_renderer(std::make_unique<PageRenderer>(m_document))
{
    setObjectName(QStringLiteral("frmPreview"));
    setWindowTitle(m_document.title);
    setWindowModality(Qt::ApplicationModal);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_toolBar = new QToolBar(this);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    layout->addWidget(m_toolBar);
    m_view = new PageView(m_renderer.get(), m_document.pageCount(), this);
    m_view->setEmptyText(m_wording.emptyText);
    layout->addWidget(m_view, 1);
    addActions();
    connect(m_view, &PageView::pageChanged, this, &PreviewWindow::updatePageLabel);
    connect(m_view, &PageView::zoomChanged, this, &PreviewWindow::showZoom);
    updatePageLabel();
    // A long run is looked through when it is printed or exported, not before it shows.
    if (m_document.pageCount() <= 2000)
        sayOverflows();
    resize(900, 1000);
    setWindowState(Qt::WindowMaximized);
    m_view->setFocus();
}

PreviewWindow::~PreviewWindow() = default;

void PreviewWindow::addActions()
{
    auto action = [this](const char *name, const QString &text, auto slot,
                         const QKeySequence &key = {}) {
        QAction *a = m_toolBar->addAction(text);
        a->setObjectName(QLatin1String(name));
        a->setShortcut(key);
        connect(a, &QAction::triggered, this, Guard::slot([this, slot] {
                    if constexpr (std::is_member_function_pointer_v<decltype(slot)>)
                        (this->*slot)();
                    else
                        slot();
                }));
        return a;
    };
    m_needPages.append(action("actPrint", QStringLiteral("打印…"), &PreviewWindow::printPages,
                              QKeySequence::Print));
    m_needPages.append(
        action("actExportPdf", QStringLiteral("导出PDF…"), &PreviewWindow::exportPdf));
    m_needPages.append(action("actExportEach", QStringLiteral("逐%1导出PDF…").arg(m_wording.unit),
                              &PreviewWindow::exportEachPdf));
    m_afterExports = m_toolBar->addSeparator();
    m_needPages.append(action("actFirst", QStringLiteral("首页"), [this] { m_view->setPage(0); }));
    m_needPages.append(action("actPrevious", QStringLiteral("上一页"),
                              [this] { m_view->setPage(m_view->page() - 1); }));
    m_pageLabel = new QLabel(this);
    m_pageLabel->setObjectName(QStringLiteral("lblPage"));
    m_pageLabel->setContentsMargins(8, 0, 8, 0);
    m_toolBar->addWidget(m_pageLabel);
    m_needPages.append(action("actNext", QStringLiteral("下一页"),
                              [this] { m_view->setPage(m_view->page() + 1); }));
    m_needPages.append(action("actLast", QStringLiteral("末页"),
                              [this] { m_view->setPage(m_view->pageCount() - 1); }));
    m_toolBar->addSeparator();
    m_zoom = new QComboBox(this);
    m_zoom->setObjectName(QStringLiteral("cbbZoom"));
    for (const ZoomChoice &choice : kZooms)
        m_zoom->addItem(QString::fromUtf8(choice.label));
    connect(m_zoom, &QComboBox::currentIndexChanged, this, &PreviewWindow::zoomChosen);
    m_toolBar->addWidget(m_zoom);
    m_toolBar->addSeparator();
    action("actClose", QStringLiteral("关闭"), &QDialog::reject);
    m_toolBar->addSeparator();
    m_overflowLabel = new QLabel(this);
    m_overflowLabel->setObjectName(QStringLiteral("lblOverflow"));
    m_overflowLabel->setStyleSheet(QStringLiteral("color: #c00000"));
    m_toolBar->addWidget(m_overflowLabel);
    for (QAction *a : std::as_const(m_needPages))
        a->setEnabled(m_document.pageCount() > 0);
}

void PreviewWindow::addExport(const Export &exported)
{
    auto *a = new QAction(exported.text, m_toolBar);
    a->setObjectName(exported.objectName);
    m_toolBar->insertAction(m_afterExports, a);
    a->setEnabled(m_document.pageCount() > 0);
    connect(a, &QAction::triggered, this, Guard::slot([this, run = exported.run] { run(*this); }));
}

void PreviewWindow::zoomChosen(int index)
{
    if (index >= 0 && index < int(std::size(kZooms)))
        m_view->setZoom(kZooms[index].zoom, kZooms[index].percent);
}

void PreviewWindow::showZoom()
{
    const QSignalBlocker blocker(m_zoom);
    for (int i = 0; i < int(std::size(kZooms)); ++i)
        if (kZooms[i].zoom == m_view->zoom() && (kZooms[i].zoom != PageView::Zoom::Percent ||
                                                 kZooms[i].percent == m_view->effectivePercent()))
            m_zoom->setCurrentIndex(i);
}

void PreviewWindow::updatePageLabel()
{
    const int count = m_document.pageCount();
    m_pageLabel->setText(
        count == 0 ? QStringLiteral("没有") + m_wording.item()
                   : QStringLiteral("第 %1 页，共 %2 页").arg(m_view->page() + 1).arg(count));
}

void PreviewWindow::sayOverflows()
{
    if (m_overflowsSaid)
        return;
    m_overflowsSaid = true;
    // Each such document by its place in the run and by the name its files take.
    const int field = m_document.report.fieldIndex(m_wording.fileNameField);
    QStringList which;
    for (int page = 0; page < m_document.pageCount(); ++page) {
        if (m_renderer->overflowing(page).isEmpty())
            continue;
        QString name = m_wording.ordinal(page + 1);
        if (const QString value = field >= 0
                                      ? m_document.records.value(m_document.firstRecordOf(page))
                                            .value(field)
                                            .toString()
                                      : QString();
            !value.isEmpty())
            name += QStringLiteral("（%1）").arg(value);
        which.append(name);
    }
    const int listed = 5;
    QString text;
    if (!which.isEmpty()) {
        text = QStringLiteral("有 %1的文字放不下，缩到最小字号仍超出框：%2")
                   .arg(m_wording.count(which.size()),
                        which.mid(0, listed).join(QStringLiteral("、")));
        if (which.size() > listed)
            text += QStringLiteral(" 等");
    }
    m_overflowLabel->setText(text);
    m_overflowLabel->setToolTip(which.size() > listed ? which.join(QLatin1Char('\n')) : QString());
}

void PreviewWindow::printPages()
{
    sayOverflows();
    // Without a printer, Qt would quietly print to a file nobody asked for.
    if (!PrintJob::printerInstalled()) {
        if (Prompts::current().askOkCancel(
                this, QStringLiteral("提示"),
                QStringLiteral("这台电脑没有安装打印机，无法打印。\n是否改为导出PDF文件？")))
            exportPdf();
        return;
    }
    if (const auto printed =
            PrintJob::run(this, m_document, *m_renderer, m_view->page(), m_wording))
        tell({Output::Printer, printed->printer, printed->pages, {}});
}

void PreviewWindow::tell(const Output &output)
{
    if (m_outputListener)
        m_outputListener(output);
}

QList<int> PreviewWindow::allPages() const
{
    QList<int> pages(m_document.pageCount());
    std::iota(pages.begin(), pages.end(), 0);
    return pages;
}

void PreviewWindow::exportPdf()
{
    sayOverflows();
    const QString suggested =
        QDir(RecentFolders::folder(QStringLiteral("pdf")))
            .filePath(
                (m_document.report.title.isEmpty() ? m_wording.runName : m_document.report.title) +
                QStringLiteral(".pdf"));
    QString path = Prompts::current().saveFileName(this, QStringLiteral("导出PDF"), suggested,
                                                   QStringLiteral("PDF 文件 (*.pdf)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) != 0)
        path += QStringLiteral(".pdf");
    RecentFolders::remember(QStringLiteral("pdf"), QFileInfo(path).absolutePath());
    {
        // The progress window is gone before the notice, whatever ends the export.
        ProgressWindow progress(this, QStringLiteral("正在导出PDF…"), m_document.pageCount());
        PdfExport::writeAll(m_document, path, [&](int done, int) { return progress.step(done); });
    }
    tell({Output::Pdf, path, allPages(), {}});
    Prompts::current().inform(
        this, QStringLiteral("提示"),
        QStringLiteral("已将 %1导出到“%2”。").arg(m_wording.count(m_document.pageCount()), path));
}

void PreviewWindow::exportEachPdf()
{
    sayOverflows();
    const QString field = chooseFileNameField();
    if (field.isEmpty())
        return;
    const QString folder = Prompts::current().existingDirectory(
        this, QStringLiteral("选择保存%1的文件夹").arg(m_wording.runName),
        RecentFolders::folder(QStringLiteral("pdfEach")));
    if (folder.isEmpty())
        return;
    RecentFolders::remember(QStringLiteral("pdfEach"), folder);

    const QStringList texts = PdfExport::fieldTexts(m_document, field);
    if (!acceptFileNames(field, texts))
        return;
    QList<int> shortened;
    const QStringList names = PageFileNames::make(
        texts, [this](qsizetype n) { return m_wording.ordinal(n); }, QStringLiteral(".pdf"),
        &shortened);
    if (!acceptOverwriting(folder, names))
        return;
    QList<QByteArray> hashes;
    {
        ProgressWindow progress(this, QStringLiteral("正在逐%1导出PDF…").arg(m_wording.unit),
                                m_document.pageCount());
        PdfExport::writeEach(
            m_document, folder, names, [&](int done, int) { return progress.step(done); }, &hashes);
    }
    QStringList files;
    for (const QString &name : names)
        files.append(QDir(folder).filePath(name + QStringLiteral(".pdf")));
    tell({Output::EachPdf, folder, allPages(), hashes, files});
    QString done = QStringLiteral("已将 %1分别导出到“%2”。")
                       .arg(m_wording.count(m_document.pageCount()), folder);
    if (!shortened.isEmpty())
        done += QStringLiteral("\n%1的文件名过长，已缩短到 %2 字节以内。")
                    .arg(m_wording.ordinals(shortened))
                    .arg(PageFileNames::MaxNameBytes);
    Prompts::current().inform(this, QStringLiteral("提示"), done);
}

// The field each file is named by, the caller's file-name field offered first; empty when
// the user cancels or the document has no field.
QString PreviewWindow::chooseFileNameField()
{
    QStringList fields;
    int current = 0;
    for (const FieldDeclaration &field : m_document.report.fields) {
        if (field.name == m_wording.fileNameField)
            current = int(fields.size());
        fields.append(field.name);
    }
    if (fields.isEmpty())
        return QString();
    return Prompts::current().chooseItem(
        this, QStringLiteral("逐%1导出PDF").arg(m_wording.unit),
        QStringLiteral("每%1%2的文件名取自字段：").arg(m_wording.unit, m_wording.noun), fields,
        current);
}

// Empty and repeated names are said before they are replaced by ordinals and suffixes.
bool PreviewWindow::acceptFileNames(const QString &field, const QStringList &texts)
{
    const QList<int> empty = PageFileNames::emptyOnes(texts);
    const QList<int> repeated = PageFileNames::repeatedOnes(texts);
    if (empty.isEmpty() && repeated.isEmpty())
        return true;
    QStringList problems;
    if (!empty.isEmpty())
        problems.append(QStringLiteral("“%1”为空：%2").arg(field, m_wording.ordinals(empty)));
    if (!repeated.isEmpty())
        problems.append(QStringLiteral("“%1”与前面的%2重复：%3")
                            .arg(field, m_wording.item(), m_wording.ordinals(repeated)));
    const QString question =
        problems.join(QLatin1Char('\n')) +
        QStringLiteral("\n\n空的文件名将以“第N%1”代替，重复的文件名后加“-2”“-3”等。是否继续导出？")
            .arg(m_wording.unit);
    return Prompts::current().askOkCancel(this, QStringLiteral("提示"), question);
}

bool PreviewWindow::acceptOverwriting(const QString &folder, const QStringList &names)
{
    const int existing = PageFileNames::existingIn(folder, names, QStringLiteral(".pdf"));
    return existing == 0 ||
           Prompts::current().askOkCancel(
               this, QStringLiteral("提示"),
               QStringLiteral("文件夹中已有 %1 个同名文件，是否覆盖？").arg(existing));
}

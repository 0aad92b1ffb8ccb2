#include "TfrmDesign.h"

#include "engine/ReportComponent.h"
#include "engine/ReportError.h"
#include "engine/designer/DesignerControl.h"
#include "platform/Exception.h"
#include "platform/Guard.h"
#include "platform/Prompts.h"
#include "report/LetterRun.h"
#include "report/StarterLetter.h"
#include "report/TemplateFolder.h"
#include "report/TemplateLocations.h"
#include "table/TableChanges.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>

TfrmDesign *frmDesign = nullptr;

TfrmDesign::TfrmDesign(QWidget *owner, Source source)
    : QMainWindow(owner, Qt::Window), m_source(std::move(source))
{
    setObjectName(QStringLiteral("frmDesign"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("模板设计器"));
    QFont windowFont(QStringLiteral("宋体"));
    windowFont.setPointSize(10);
    setFont(windowFont);
    setGeometry(243, 222, 688, 427);

    Report = new ReportComponent(this);
    Report->setObjectName(QStringLiteral("Report"));
    Report->setWording(LetterRun::wording());
    mm1 = menuBar();
    mm1->setObjectName(QStringLiteral("mm1"));
    mniN1 = mm1->addMenu(QStringLiteral("文件(&F)"));
    mniN1->setObjectName(QStringLiteral("mniN1"));
    mniN2 = mniN1->addAction(QStringLiteral("保存"));
    mniN2->setObjectName(QStringLiteral("mniN2"));
    mniRestore = mniN1->addAction(QStringLiteral("恢复默认模板"));
    mniRestore->setObjectName(QStringLiteral("mniRestore"));
    // Only where the program is installed are shipped templates kept apart from the user's.
    mniRestore->setVisible(!TemplateLocations::current().isPortable());
    N1 = mniN1->addAction(QStringLiteral("退出"));
    N1->setObjectName(QStringLiteral("N1"));
    GRDesigner1 = new DesignerControl(this);
    GRDesigner1->setObjectName(QStringLiteral("GRDesigner1"));
    setCentralWidget(GRDesigner1);

    connect(N1, &QAction::triggered, this, Guard::slot(this, &TfrmDesign::N1Click));
    connect(mniN2, &QAction::triggered, this, Guard::slot(this, &TfrmDesign::mniN2Click));
    connect(mniRestore, &QAction::triggered, this, Guard::slot(this, &TfrmDesign::restoreDefault));
    // Offered only for an edited copy of a shipped template, where the program is installed.
    connect(mniN1, &QMenu::aboutToShow, this, [this] { updateRestore(); });
    updateRestore();
    connect(GRDesigner1, &DesignerControl::saveReportRequested, this,
            Guard::slot(this, &TfrmDesign::GRDesigner1SaveReport));
    connect(GRDesigner1, &DesignerControl::saveAsRequested, this,
            Guard::slot(this, &TfrmDesign::saveAs));
    connect(GRDesigner1, &DesignerControl::newRequested, this,
            Guard::slot(this, &TfrmDesign::newTemplate));
    connect(GRDesigner1, &DesignerControl::previewRequested, this,
            Guard::slot(this, &TfrmDesign::preview));
    if (m_source.table) {
        // The designer shows the main window's rows as they are now, after every import.
        followTableChanges(*m_source.table, this, Guard::slot(this, &TfrmDesign::followTable));
    }
}

TfrmDesign::~TfrmDesign()
{
    if (frmDesign == this)
        frmDesign = nullptr;
}

QString TfrmDesign::templateName() const
{
    if (!m_fixedName.isNull())
        return m_fixedName;
    return m_source.templateName ? m_source.templateName() : QString();
}

void TfrmDesign::startNew(const QString &name)
{
    m_fixedName = name;
    m_startNew = true;
}

void TfrmDesign::openFile(const QString &path)
{
    m_fixedFile = QFileInfo(path).absoluteFilePath();
    m_fixedName = QFileInfo(path).completeBaseName();
}

void TfrmDesign::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (std::exchange(m_shown, true))
        return;
    Guard::run([this] { FormShow(); });
}

void TfrmDesign::followTable()
{
    GRDesigner1->setSampleData(m_source.table && m_source.settings
                                   ? LetterRun(*m_source.table, *m_source.settings).sampleData()
                                   : LetterRun::sampleFields());
}

void TfrmDesign::FormShow()
{
    loadTemplate();
}

bool TfrmDesign::canRestore() const
{
    // The window's own file, never the one the chooser names now.
    return m_shown && m_fixedFile.isEmpty() && !m_templateFile.isEmpty() &&
           m_templateFile == TemplateFolder::saveFileFor(templateName()) &&
           TemplateFolder::canRestore(templateName());
}

void TfrmDesign::updateRestore()
{
    mniRestore->setEnabled(canRestore());
}

void TfrmDesign::loadTemplate()
{
    // The file and its name are fixed now: later saves, 另存为 and 恢复默认模板 act on them,
    // whatever the chooser shows then. Where the program is installed, a shipped template
    // is read from the shipped folder and saved to the user's.
    const QString name = templateName();
    m_fixedName = name;
    const QString loadFile = m_fixedFile.isEmpty() ? TemplateFolder::fileFor(name) : m_fixedFile;
    m_templateFile = m_fixedFile.isEmpty() ? TemplateFolder::saveFileFor(name) : m_fixedFile;
    m_loadFailure.clear();
    GRDesigner1->setNotice(QString());
    const QString fileName = QFileInfo(m_templateFile).fileName();
    GRDesigner1->setDocumentName(fileName);
    followTable();
    bool loaded = false;
    if (const QString folder = TemplateLocations::current().missingShippedFolder(name);
        !m_startNew && m_fixedFile.isEmpty() && !folder.isEmpty() &&
        !StarterLetter::standsInFor(name)) {
        // Saved over, a starter letter would take the envelope's place.
        m_loadFailure = QStringLiteral("找不到程序自带的模板“%1”，它应在文件夹“%2”中")
                            .arg(fileName, QDir::toNativeSeparators(folder));
    } else if (!m_startNew) {
        try {
            loaded = Report->LoadTemplateFile(loadFile);
        } catch (const ReportError &error) {
            // A file that is there but cannot be read is never overwritten by this window.
            m_loadFailure = error.message();
        }
    }
    if (!loaded && m_loadFailure.isEmpty()) {
        // Nothing to load yet: a letter that prints as it is, and a word of where it goes.
        Report->engine().setReportTemplate(StarterLetter::make());
        GRDesigner1->setNotice(
            QStringLiteral("模板文件“%1”尚不存在，首次保存时将创建该文件。").arg(fileName));
    }
    m_stamp = FileStamp::of(m_templateFile);
    GRDesigner1->AttachReport(Report->engine());
    updateRestore();
    if (!m_loadFailure.isEmpty())
        throw Exception(m_loadFailure +
                        QStringLiteral("。\n设计器以空白模板打开；为保护原文件，不能保存到该文件"));
}

void TfrmDesign::restoreDefault()
{
    const QString name = templateName();
    if (!canRestore())
        throw Exception(QStringLiteral("“%1”不是修改过的自带模板，无需恢复").arg(name));
    if (!Prompts::current().askOkCancel(
            this, QStringLiteral("提示"),
            QStringLiteral("将删除您修改过的“%1”，恢复为程序自带的模板；未保存的修改也将丢失。"
                           "是否继续？")
                .arg(name)))
        return;
    TemplateFolder::restore(name);
    loadTemplate();
}

void TfrmDesign::FormClose()
{
    if (frmDesign == this)
        frmDesign = nullptr;
}

bool TfrmDesign::confirmClose()
{
    if (m_closing || !GRDesigner1->isModified())
        return true;
    const QString question = QStringLiteral("模板“%1”已修改。是否保存？")
                                 .arg(QFileInfo(m_templateFile).completeBaseName());
    switch (Prompts::current().askSave(this, QStringLiteral("提示"), question)) {
    case Prompts::SaveChoice::Save:
        return save();
    case Prompts::SaveChoice::Discard:
        return true;
    case Prompts::SaveChoice::Cancel:
        break;
    }
    return false;
}

void TfrmDesign::closeEvent(QCloseEvent *event)
{
    bool agreed = false;
    // A failed save is reported, and the window stays open with its edits.
    Guard::run([&] { agreed = confirmClose(); });
    if (!agreed) {
        event->ignore();
        return;
    }
    m_closing = true;
    FormClose();
    event->accept();
}

void TfrmDesign::N1Click()
{
    close();
}

bool TfrmDesign::save()
{
    GRDesigner1->setDesignerProperty18(false);
    GRDesigner1->CommitDesign();
    if (!m_loadFailure.isEmpty())
        throw Exception(QStringLiteral("打印模板“%1”未能载入，为免覆盖原文件，不能保存到该文件")
                            .arg(QFileInfo(m_templateFile).fileName()));
    // A file gone meanwhile loses nothing by being written again.
    if (QFileInfo::exists(m_templateFile) && !m_stamp.matches(m_templateFile) &&
        !Prompts::current().askConfirm(
            this, QStringLiteral("提示"),
            QStringLiteral("模板文件已被修改（可能是另一个设计窗口或程序）。是否覆盖？"),
            QStringLiteral("覆盖")))
        return false;
    // The user's template folder is made by the first save into it.
    QDir().mkpath(QFileInfo(m_templateFile).absolutePath());
    if (!Report->SaveTemplateFile(m_templateFile))
        return false;
    m_stamp = FileStamp::of(m_templateFile);
    GRDesigner1->markSaved();
    GRDesigner1->setNotice(QString());
    updateRestore();
    Prompts::current().inform(this, QStringLiteral("提示"), QStringLiteral("打印模板已保存！"));
    return true;
}

void TfrmDesign::mniN2Click()
{
    save();
}

void TfrmDesign::GRDesigner1SaveReport()
{
    mniN2Click();
}

QString TfrmDesign::askTemplateName(const QString &caption, const QString &initial)
{
    const QString name =
        Prompts::current().askText(this, caption, QStringLiteral("模板名称："), initial).trimmed();
    if (name.isEmpty())
        return QString();
    if (const QString problem = TemplateFolder::problemWithName(name); !problem.isEmpty())
        throw Exception(problem);
    return name;
}

void TfrmDesign::saveAs()
{
    const QString name =
        askTemplateName(QStringLiteral("另存为"), templateName() + QStringLiteral("（副本）"));
    if (name.isEmpty())
        return;
    const QString file = TemplateFolder::saveFileFor(name);
    if (QFileInfo::exists(file) && file != m_templateFile &&
        !Prompts::current().askConfirm(this, QStringLiteral("提示"),
                                       QStringLiteral("模板“%1”已存在。是否覆盖？").arg(name),
                                       QStringLiteral("覆盖")))
        return;
    GRDesigner1->setDesignerProperty18(false);
    GRDesigner1->CommitDesign();
    QDir().mkpath(QFileInfo(file).absolutePath());
    if (!Report->SaveTemplateFile(file))
        return;
    // From now on this window edits the new file; the old one stays as it was.
    m_fixedName = name;
    m_templateFile = file;
    m_loadFailure.clear();
    m_stamp = FileStamp::of(file);
    GRDesigner1->markSaved();
    GRDesigner1->setDocumentName(QFileInfo(file).fileName());
    GRDesigner1->setNotice(QString());
    updateRestore();
    Prompts::current().inform(this, QStringLiteral("提示"),
                              QStringLiteral("打印模板已另存为“%1”。").arg(name));
}

void TfrmDesign::newTemplate()
{
    const QString name = askTemplateName(QStringLiteral("新建模板"), QString());
    if (name.isEmpty())
        return;
    if (QFileInfo::exists(TemplateFolder::fileFor(name)))
        throw Exception(QStringLiteral("模板“%1”已存在，请换一个名称").arg(name));
    auto *design = new TfrmDesign(parentWidget(), m_source);
    design->startNew(name);
    frmDesign = design;
    design->showMaximized();
}

void TfrmDesign::preview()
{
    if (!m_source.table || !m_source.settings)
        return;
    // The design as it is now, unsaved edits included, with the table's real rows; the
    // file and this window's engine stay as they are.
    GRDesigner1->CommitDesign();
    ReportComponent preview(this);
    preview.setWording(LetterRun::wording());
    preview.engine().setReportTemplate(GRDesigner1->document().reportTemplate());
    preview.setTitle(LetterRun::PreviewTitle);
    const LetterRun run(*m_source.table, *m_source.settings);
    preview.setOnFetchRecord([&] { run.fetch(preview.engine()); });
    preview.ShowPreview(-1);
}

#include "TfrmDesign.h"

#include "app/Tfrmmain.h"
#include "engine/ReportComponent.h"
#include "engine/ReportError.h"
#include "engine/designer/DesignerControl.h"
#include "platform/Exception.h"
#include "platform/Guard.h"
#include "platform/Prompts.h"
#include "report/LetterRun.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QMenuBar>

TfrmDesign *frmDesign = nullptr;

TfrmDesign::TfrmDesign(QWidget *owner) : QMainWindow(owner, Qt::Window)
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
    mm1 = menuBar();
    mm1->setObjectName(QStringLiteral("mm1"));
    mniN1 = mm1->addMenu(QStringLiteral("文件(&F)"));
    mniN1->setObjectName(QStringLiteral("mniN1"));
    mniN2 = mniN1->addAction(QStringLiteral("保存"));
    mniN2->setObjectName(QStringLiteral("mniN2"));
    N1 = mniN1->addAction(QStringLiteral("退出"));
    N1->setObjectName(QStringLiteral("N1"));
    GRDesigner1 = new DesignerControl(this);
    GRDesigner1->setObjectName(QStringLiteral("GRDesigner1"));
    setCentralWidget(GRDesigner1);

    connect(N1, &QAction::triggered, this, Guard::slot(this, &TfrmDesign::N1Click));
    connect(mniN2, &QAction::triggered, this, Guard::slot(this, &TfrmDesign::mniN2Click));
    connect(GRDesigner1, &DesignerControl::saveReportRequested, this,
            Guard::slot(this, &TfrmDesign::GRDesigner1SaveReport));
}

TfrmDesign::~TfrmDesign()
{
    if (frmDesign == this)
        frmDesign = nullptr;
}

void TfrmDesign::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (std::exchange(m_shown, true))
        return;
    Guard::run([this] { FormShow(); });
}

void TfrmDesign::FormShow()
{
    // The file is fixed now: later saves go back to it, whatever the chooser shows then.
    m_templateFile = LetterRun::templateFileForName(frmmain ? frmmain->templateName() : QString());
    GRDesigner1->setDocumentName(QFileInfo(m_templateFile).fileName());
    if (frmmain)
        GRDesigner1->setSampleData(
            LetterRun(*frmmain->table(), *frmmain->regionalSettings).sampleData());
    else
        GRDesigner1->setSampleData(LetterRun::sampleFields());
    try {
        Report->LoadTemplateFile(m_templateFile);
    } catch (const ReportError &error) {
        // A file that is there but cannot be read is never overwritten by this window.
        m_loadFailure = error.message();
    }
    GRDesigner1->AttachReport(Report->engine());
    if (!m_loadFailure.isEmpty())
        throw Exception(m_loadFailure +
                        QStringLiteral("。\n设计器以空白模板打开；为保护原文件，不能保存到该文件"));
}

void TfrmDesign::FormClose()
{
    if (frmDesign == this)
        frmDesign = nullptr;
}

void TfrmDesign::closeEvent(QCloseEvent *event)
{
    FormClose();
    event->accept();
}

void TfrmDesign::N1Click()
{
    close();
}

void TfrmDesign::mniN2Click()
{
    GRDesigner1->setDesignerProperty18(false);
    GRDesigner1->CommitDesign();
    if (!m_loadFailure.isEmpty())
        throw Exception(QStringLiteral("打印模板“%1”未能载入，为免覆盖原文件，不能保存到该文件")
                            .arg(QFileInfo(m_templateFile).fileName()));
    if (Report->SaveTemplateFile(m_templateFile)) {
        GRDesigner1->markSaved();
        Prompts::current().inform(this, QStringLiteral("提示"), QStringLiteral("打印模板已保存！"));
    }
}

void TfrmDesign::GRDesigner1SaveReport()
{
    mniN2Click();
}

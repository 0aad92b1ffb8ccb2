#pragma once
// The template designer window: the designer control on the template that the main
// window's chooser names, saved back to the file it was loaded from.

#include <QMainWindow>

class DesignerControl;
class QAction;
class QMenu;
class QMenuBar;
class ReportComponent;

class TfrmDesign : public QMainWindow
{
    Q_OBJECT
public:
    explicit TfrmDesign(QWidget *owner);
    ~TfrmDesign() override;

    // The file this window loaded when shown, and saves to.
    QString templateFile() const { return m_templateFile; }

    // Components, named as the window description names them.
    ReportComponent *Report;
    QMenuBar *mm1;
    QMenu *mniN1;
    QAction *N1;
    QAction *mniN2;
    DesignerControl *GRDesigner1;

    // Handlers.
    void FormShow();
    void FormClose();
    void N1Click();
    void mniN2Click();
    void GRDesigner1SaveReport();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QString m_templateFile;
    QString m_loadFailure; // why the file could not be loaded; a save must not overwrite it
    bool m_shown = false;
};

// The designer window opened last; cleared when a designer window closes.
extern TfrmDesign *frmDesign;

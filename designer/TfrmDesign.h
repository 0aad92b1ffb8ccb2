#pragma once
// The template designer window: the designer control on the template that the main
// window's chooser names, saved back to the file it was loaded from. It never loses an
// edit: closing asks to save, and a save never overwrites unasked what another window or
// program wrote to the file meanwhile.

#include "platform/FileStamp.h"

#include <QMainWindow>
#include <functional>

class DesignerControl;
class QAction;
class QMenu;
class QMenuBar;
struct RegionalSettings;
class ReportComponent;
class StringGridModel;

class TfrmDesign : public QMainWindow
{
    Q_OBJECT
public:
    // What the window reads from its owner, at the moment of use.
    struct Source
    {
        std::function<QString()> templateName;  // the chooser's entry
        const StringGridModel *table = nullptr; // the rows the designer shows and previews
        const RegionalSettings *settings = nullptr;
    };

    TfrmDesign(QWidget *owner, Source source);
    ~TfrmDesign() override;

    // The file this window saves to (where the program is installed, the user's copy of a
    // shipped template it read from the shipped folder).
    QString templateFile() const { return m_templateFile; }
    // The template's name as the chooser lists it: the chooser's entry until the window
    // loads, then the name of the file it loaded, whatever the chooser shows later.
    QString templateName() const;

    // Before the window or the program closes: a modified design asks "保存, 不保存,
    // 取消". False when the user cancels or the save fails.
    bool confirmClose();
    // Opens on the starter letter under 'name' instead of the chooser's entry.
    void startNew(const QString &name);
    // Opens that template file, wherever it is, instead of the chooser's entry, and saves
    // back to it.
    void openFile(const QString &path);

    // Components, named as the window description names them.
    ReportComponent *Report;
    QMenuBar *mm1;
    QMenu *mniN1;
    QAction *N1;
    QAction *mniN2;
    QAction *mniRestore; // 恢复默认模板
    DesignerControl *GRDesigner1;

    // Handlers.
    void FormShow();
    void FormClose();
    void N1Click();
    void mniN2Click();
    void GRDesigner1SaveReport();
    // 恢复默认模板: removes the user's edited copy of a shipped template, after a question,
    // and shows the shipped one.
    void restoreDefault();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Writes the design to the file; false when the user declined to overwrite.
    bool save();
    // Loads the template the window edits (the chooser's entry, a file, or a new one).
    void loadTemplate();
    void saveAs();
    void newTemplate();
    void preview();
    void followTable();
    // Whether this window's own file is an edited copy of a shipped template.
    bool canRestore() const;
    void updateRestore();
    QString askTemplateName(const QString &caption, const QString &initial);

    Source m_source;
    QString
        m_fixedName; // set when loaded, by 新建 and 另存为: the chooser no longer names the file
    QString m_fixedFile; // set by openFile
    bool m_startNew = false;
    QString m_templateFile;
    FileStamp m_stamp;     // the file as loaded or last saved
    QString m_loadFailure; // why the file could not be loaded; a save must not overwrite it
    bool m_shown = false;
    bool m_closing = false; // the close was already asked and agreed
};

// The designer window opened last; cleared when a designer window closes.
extern TfrmDesign *frmDesign;

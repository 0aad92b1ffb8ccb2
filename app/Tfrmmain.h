#pragma once
// The main window: tool bar and menu with the six commands, the template chooser,
// the receivables table and the status bar.

#include "platform/RegionalSettings.h"
#include "spreadsheet/SpreadsheetServer.h"

#include <QMainWindow>
#include <functional>
#include <optional>

class FileOpenDialog;
class ImageList;
class QAction;
class QFrame;
class QLabel;
class QMenu;
class QMenuBar;
class QStatusBar;
class QToolBar;
class QToolButton;
class PreviewWindow;
class ReportComponent;
class StringGridModel;
class StringGridView;
class TemplateChooser;

class LedgerStore;

class Tfrmmain : public QMainWindow
{
    Q_OBJECT
public:
    explicit Tfrmmain(QWidget *parent = nullptr);
    ~Tfrmmain() override;

    // The template name: the selected chooser entry's text, empty when none is selected.
    QString templateName() const;
    StringGridModel *table() const;

    // What the import reads with; tests put their own in place.
    SpreadsheetServerFactory spreadsheetServer;
    const RegionalSettings *regionalSettings;

    // Components, named as the window description names them.
    QMenuBar *mmMain;
    QMenu *N1;
    QAction *mniImport;
    QAction *mniPrint;
    QAction *mniReplies;
    QMenu *N4;
    QAction *N5;
    QAction *mniabout;
    QToolBar *ToolBar1;
    QToolButton *btnImport;
    QToolButton *btnPrint;
    QToolButton *btnReplies;
    QToolButton *btnHelp;
    QToolButton *btnAbout;
    QToolButton *btnExit;
    ImageList *ImageList1;
    FileOpenDialog *dlgOpen1;
    QStatusBar *stat1;
    QAction *mniN2;
    ReportComponent *Report;
    QToolButton *btnDesign;
    StringGridView *AdvStringGrid1;
    QFrame *Panel1;
    QLabel *lbl1;
    TemplateChooser *cbb1;
    QLabel *statPanel0;
    QLabel *statPanel1;
    QAction *mniNewLedger;
    QAction *mniOpenLedger;
    QAction *mniConnectCentre;
    QAction *mniLedger;
    QAction *mniMailSettings;
    QAction *mniSelection;
    QLabel *statLedger;

    // Handlers.
    void btnExitClick();
    void mniImportClick();
    void mniaboutClick();
    void FormCreate();
    void mniPrintClick();
    void btnHelpClick();
    void ReportFetchRecord();
    void btnDesignClick();
    // Imports a workbook as 导入应收帐款 does once the file is chosen.
    void importWorkbook(const QString &fileName);
    // What the command line asks for at start: a workbook to import, a template to design.
    void openFromCommandLine(const QString &workbook, const QString &templateFile);
    // 回函登记…: the reply window, one for the program.
    void mniRepliesClick();

    // The confirmation ledger open in the program, or none: print runs record into it,
    // replies are matched against it.
    LedgerStore *ledger() const { return m_ledger.get(); }
    // Puts 'ledger' in the place of the one open (closing it); none closes it.
    void setLedger(std::unique_ptr<LedgerStore> ledger);
    // 新建函证台账…, 打开函证台账… and 函证台账… (the ledger window, one for the program).
    void mniNewLedgerClick();
    void mniOpenLedgerClick();
    // 连接函证中心…: an engagement on the firm's server as the ledger in use.
    void mniConnectCentreClick();
    void mniLedgerClick();
    void mniMailSettingsClick();
    // Opens the ledger at 'path' as the one in use, and remembers it for the next start.
    void openLedger(const QString &path);
    // At start: the ledger the command line names, else the one last opened. One that no
    // longer opens is said so in the status bar and forgotten.
    void openLedgerAtStart(const QString &path);
    // Whatever changed the ledger (a print run, replies, the ledger window) calls this: the
    // status bar and the ledger window show it as it is now.
    void ledgerChanged();
    // 选样…: the selection window, one for the program, on the ledger and the table.
    void mniSelectionClick();
    // The grid marks the rows of the selection made from the table now shown; none when
    // no selection was made from it. True when one was.
    bool showSelectionMarks();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // The preview's 导出函证控制表…: the register of the letters it shows.
    void exportRegister(PreviewWindow &preview);
    // A designer window, set up by 'prepare' before it shows.
    void showDesigner(const std::function<void(class TfrmDesign &)> &prepare);
    // Asks every modified designer window whether to save; false when one is cancelled.
    bool confirmDesignersClose();
    // After an import (or a failed one): the marks, the selection window, and whether the
    // ledger's selections were made from another table ('imported': said so).
    void tableReplaced(bool imported);
    // Which letters a print run makes when the table has a recorded selection: its rows or
    // all; false when the user cancelled.
    bool choosePrintRows();
    // The letter run as the print run makes it: all rows, or those chosen to print.
    class LetterRun letterRun() const;
    QPoint m_fetchCell{-1, -1};            // the cell the record fetch is reading
    std::optional<QList<int>> m_printRows; // the rows the print run is limited to
    std::unique_ptr<LedgerStore> m_ledger;
    // Ends the watch on the ledger's server with the ledger it watches.
    std::unique_ptr<QObject> m_ledgerWatch;
    // After a new ledger is in place: the status bar, the mark of it read-only, and for one
    // on a server, other programs' changes shown as they come.
    void ledgerOpened();
    void showLedgerState();
    void createMenu();
    void createToolBar();
    void createPanel();
    void createStatusBar();
    QToolButton *addToolButton(const char *name, const QString &caption, int picture,
                               void (Tfrmmain::*handler)());
};

// The program-wide main-window reference, set when the main window is created.
extern Tfrmmain *frmmain;

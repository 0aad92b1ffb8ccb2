// The main window's structure and commands, and the error box of the event dispatch.

#include "app/Application.h"
#include "app/DesktopCommandLine.h"
#include "app/ReplyWindow.h"
#include "app/TemplateChooser.h"
#include "app/Tfrmmain.h"
#include "control/RegisterWriter.h"
#include "designer/TfrmDesign.h"
#include "engine/PageRenderer.h"
#include "engine/PageView.h"
#include "engine/PreviewWindow.h"
#include "engine/ReportComponent.h"
#include "help/HelpText.h"
#include "help/TfrmHelp.h"
#include "ledger/LedgerStore.h"
#include "platform/Exception.h"
#include "platform/Guard.h"
#include "platform/ProgramDirectory.h"
#include "spreadsheet/WorkbookFile.h"
#include "support/FakePrompts.h"
#include "support/PreviewCatcher.h"
#include "support/ProgramTemplates.h"
#include "support/ScanMaker.h"
#include "support/TestData.h"
#include "table/StringGridModel.h"
#include "table/StringGridView.h"

#include <QAccessible>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QFile>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace {

QList<TfrmHelp *> openHelpWindows()
{
    QList<TfrmHelp *> list;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *help = qobject_cast<TfrmHelp *>(w); help && help->isVisible())
            list.append(help);
    return list;
}

// Runs the event loop until the application quits or 'ms' pass; true when it quit.
bool quitsWithin(int ms, const std::function<void()> &action)
{
    QTimer::singleShot(0, action);
    QTimer::singleShot(ms, [] { QCoreApplication::exit(2); });
    return QCoreApplication::exec() == 0;
}

void typeIntoChooser(TemplateChooser *chooser, const QString &text)
{
    chooser->lineEdit()->selectAll();
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(chooser->lineEdit(), &event);
}

// The regional settings of a Chinese desktop: yyyy/M/d dates, "." decimals.
const RegionalSettings &chineseSettings()
{
    static const RegionalSettings settings =
        RegionalSettings::fromLocale(QLocale(QStringLiteral("zh_CN")));
    return settings;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        for (TfrmHelp *help : openHelpWindows())
            help->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // Every error of every test was caught where our code is entered, never by the
        // backstop after unwinding through Qt.
        QCOMPARE(Application::escapedErrors(), 0);
    }

    void componentsAndCaptions()
    {
        FakePrompts prompts;
        Tfrmmain window;
        QCOMPARE(window.windowTitle(), QStringLiteral("roviradavev"));
        QVERIFY(!window.windowIcon().isNull());
        for (const char *name : {"mmMain",     "N1",           "mniImport",     "mniPrint",
                                 "N4",         "N5",           "mniabout",      "ToolBar1",
                                 "btnImport",  "btnPrint",     "btnHelp",       "btnAbout",
                                 "btnExit",    "ImageList1",   "dlgOpen1",      "stat1",
                                 "mniN2",      "Report",       "btnDesign",     "AdvStringGrid1",
                                 "Panel1",     "lbl1",         "cbb1",          "mniReplies",
                                 "btnReplies", "mniNewLedger", "mniOpenLedger", "mniLedger",
                                 "stat1Ledger"})
            QVERIFY2(window.findChild<QObject *>(QLatin1String(name)), name);
        QCOMPARE(window.lbl1->text(), QStringLiteral("请选择打印模板："));
        QCOMPARE(window.statPanel0->width(), 450);
        QCOMPARE(window.statPanel1->width(), 400);
        QVERIFY(!window.statPanel0->text().isEmpty());
        QVERIFY(!window.statPanel1->text().isEmpty());
    }

    void toolButtonsInOrder()
    {
        FakePrompts prompts;
        Tfrmmain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QList<QToolButton *> buttons{window.btnImport, window.btnPrint,  window.btnReplies,
                                           window.btnHelp,   window.btnDesign, window.btnAbout,
                                           window.btnExit};
        const QStringList captions{"导入应收帐款", "打印询证函", "回函登记", "使用说明",
                                   "设计模板",     "关于软件",   "退出"};
        int previousX = -1;
        for (int i = 0; i < buttons.size(); ++i) {
            QCOMPARE(buttons[i]->text(), captions[i]);
            QCOMPARE(buttons[i]->size(), QSize(79, 52));
            QCOMPARE(buttons[i]->iconSize(), QSize(32, 32));
            QVERIFY(!buttons[i]->icon().isNull());
            QVERIFY(buttons[i]->x() > previousX);
            previousX = buttons[i]->x();
        }
        QCOMPARE(window.btnPrint->x() - window.btnImport->x(), 79);
    }

    void menuInOrder()
    {
        FakePrompts prompts;
        Tfrmmain window;
        const QList<QAction *> top = window.mmMain->actions();
        QCOMPARE(top.size(), 2);
        QCOMPARE(top[0]->text(), QStringLiteral("系统(&S)"));
        QCOMPARE(top[1]->text(), QStringLiteral("帮助(&H)"));
        const QList<QAction *> system = window.N1->actions();
        QCOMPARE(system.size(), 10);
        QCOMPARE(system[0], window.mniImport);
        QCOMPARE(system[2], window.mniReplies);
        QVERIFY(system[3]->isSeparator());
        QCOMPARE(system[4]->text(), QStringLiteral("新建函证台账…"));
        QCOMPARE(system[5]->text(), QStringLiteral("打开函证台账…"));
        QCOMPARE(system[6], window.mniConnectCentre);
        QCOMPARE(system[6]->text(), QStringLiteral("连接函证中心…"));
        QCOMPARE(system[7]->text(), QStringLiteral("函证台账…"));
        QCOMPARE(system[8], window.mniMailSettings);
        QCOMPARE(system[8]->text(), QStringLiteral("邮件设置…"));
        QCOMPARE(system[9], window.mniSelection);
        QCOMPARE(system[9]->text(), QStringLiteral("选样…"));
        QVERIFY(!window.mniLedger->isEnabled()); // no ledger open yet
        // Chosen without a ledger, it says what is missing.
        QVERIFY(window.mniSelection->isEnabled());
        QVERIFY(
            window.mniSelection->statusTip().startsWith(QStringLiteral("请先新建或打开函证台账")));
        QCOMPARE(window.mniReplies->text(), QStringLiteral("回函登记…"));
        QCOMPARE(window.mniImport->text(), QStringLiteral("导入应收文件"));
        QCOMPARE(window.mniPrint->text(), QStringLiteral("打印应收确认函"));
        const QList<QAction *> help = window.N4->actions();
        QCOMPARE(help.size(), 3);
        QCOMPARE(help[0]->text(), QStringLiteral("使用说明"));
        QVERIFY(help[1]->isSeparator());
        QCOMPARE(help[2]->text(), QStringLiteral("关于"));
        for (QAction *action : system + help)
            QVERIFY(action->shortcut().isEmpty());
    }

    // Both menus open from the keyboard by their access keys.
    void menusOpenByTheirAccessKeys()
    {
        FakePrompts prompts;
        Tfrmmain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        for (QMenu *menu : {window.N1, window.N4}) {
            const Qt::Key key = menu == window.N1 ? Qt::Key_S : Qt::Key_H;
            QTest::keyClick(&window, key, Qt::AltModifier);
            QTRY_VERIFY(menu->isVisible());
            QTest::keyClick(menu, Qt::Key_Escape);
            QTRY_VERIFY(!menu->isVisible());
        }
    }

    // 回函登记 from the menu: scans matched to the table's letters, then to the register of
    // the run, exported; the register itself is never written.
    void repliesAreMatchedToTheTableAndTheRegister()
    {
        FakePrompts prompts;
        Tfrmmain window;
        window.regionalSettings = &scanSettings();
        fillReceivables(*window.table(), 4, QStringLiteral("HZ2026"));
        const ReportDocument letters = lettersOf(*window.table());
        QTemporaryDir dir;
        QStringList scans;
        for (int i : {2, 0}) {
            scans.append(dir.filePath(QStringLiteral("回函%1.png").arg(i)));
            QVERIFY(scanned(letters, i, 150).save(scans.last()));
        }
        QImage blank(600, 800, QImage::Format_RGB32);
        blank.fill(Qt::white);
        scans.append(dir.filePath(QStringLiteral("空白.png")));
        QVERIFY(blank.save(scans.last()));

        window.mniReplies->trigger();
        auto *replies = window.findChild<ReplyWindow *>();
        QVERIFY(replies);
        QCOMPARE(replies->rbTable->text(), QStringLiteral("当前表格（4 封询证函）"));
        QVERIFY(replies->rbTable->isChecked());
        QVERIFY(!replies->btnExport->isEnabled());
        prompts.openAnswers = {scans.join(QLatin1Char('\n'))};
        replies->btnAddFiles->click();
        QCOMPARE(prompts.errors(), QStringList());
        auto column = [](QTableView *view, int c) {
            QStringList texts;
            for (int r = 0; r < view->model()->rowCount(); ++r)
                texts.append(view->model()->index(r, c).data().toString());
            return texts;
        };
        QCOMPARE(
            column(replies->tblReplies, 2),
            (QStringList{QStringLiteral("HZ2026-0003"), QStringLiteral("HZ2026-0001"), QString()}));
        QCOMPARE(column(replies->tblReplies, 5),
                 (QStringList{QStringLiteral("已匹配"), QStringLiteral("已匹配"),
                              QStringLiteral("未识别")}));
        QCOMPARE(column(replies->tblReplies, 3)[0], QStringLiteral("客户3贸易有限公司"));
        QCOMPARE(column(replies->tblUnanswered, 0),
                 (QStringList{QStringLiteral("HZ2026-0002"), QStringLiteral("HZ2026-0004")}));
        QCOMPARE(replies->lblSummary->text(), QStringLiteral("已匹配 2，未识别 1，未回函 2"));

        // The same scans against the register: the same lines, without reading them again.
        const QString registerFile = dir.filePath(QStringLiteral("函证控制表.xlsx"));
        RegisterWriter::write(letters, QStringLiteral("应收帐款确认函"), registerFile);
        const QDateTime written = QFileInfo(registerFile).lastModified();
        const QString table = column(replies->tblReplies, 4).join(QLatin1Char('|'));
        prompts.openAnswers = {registerFile};
        replies->rbRegister->click();
        QVERIFY(replies->rbRegister->isChecked());
        QCOMPARE(replies->edtRegister->text(), registerFile);
        QCOMPARE(column(replies->tblReplies, 4).join(QLatin1Char('|')), table);
        QCOMPARE(replies->lblSummary->text(), QStringLiteral("已匹配 2，未识别 1，未回函 2"));

        // A second scan of a letter is a repeat.
        const QString second = dir.filePath(QStringLiteral("回函2-2.jpg"));
        QVERIFY(scanned(letters, 2, 150).save(second, "JPEG", 80));
        prompts.openAnswers = {second};
        replies->btnAddFiles->click();
        QCOMPARE(column(replies->tblReplies, 5).last(), QStringLiteral("重复"));

        // Exported with .xlsx added; the register may not be the target.
        prompts.openAnswers = {dir.filePath(QStringLiteral("回函清单"))};
        replies->btnExport->click();
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("回函清单.xlsx"))));
        QCOMPARE(prompts.shown.last().text,
                 QStringLiteral("已将回函清单导出到“%1”。")
                     .arg(dir.filePath(QStringLiteral("回函清单.xlsx"))));
        prompts.openAnswers = {registerFile};
        replies->btnExport->click();
        QCOMPARE(prompts.errors().size(), 1);
        QCOMPARE(QFileInfo(registerFile).lastModified(), written);

        // A workbook that is no register is refused and the register stays in use.
        prompts.openAnswers = {workbookPath("receivables.xlsx")};
        replies->btnChooseRegister->click();
        QCOMPARE(prompts.errors().size(), 2);
        QVERIFY(prompts.errors().last().contains(QStringLiteral("不是函证控制表")));
        QCOMPARE(replies->edtRegister->text(), registerFile);

        // One reply window: the tool button brings it back.
        window.btnReplies->click();
        QCOMPARE(window.findChildren<ReplyWindow *>().size(), 1);

        // Another import, matched again as the user chooses: the pages read are matched to
        // the table now shown.
        replies->rbTable->click();
        prompts.confirmAnswer = true;
        fillReceivables(*window.table(), 2, QStringLiteral("XX2026"));
        window.table()->notifyCellsChanged(0, 0, 3, 2);
        QTRY_COMPARE(replies->rbTable->text(), QStringLiteral("当前表格（2 封询证函）"));
        QCOMPARE(column(replies->tblReplies, 5).constFirst(), QStringLiteral("未知编号"));
        QCOMPARE(column(replies->tblUnanswered, 0),
                 (QStringList{QStringLiteral("XX2026-0001"), QStringLiteral("XX2026-0002")}));
    }

    void startUpState()
    {
        FakePrompts prompts;
        Tfrmmain window;
        window.showMaximized();
        QVERIFY(window.windowState() & Qt::WindowMaximized);
        const StringGridModel *grid = window.table();
        QCOMPARE(grid->RowCount(), 1);
        QCOMPARE(grid->ColCount(), 5);
        QCOMPARE(grid->FixedCols(), 1);
        QCOMPARE(grid->FixedRows(), 0);
        QCOMPARE(grid->ColWidths(0), 250);
        QCOMPARE(grid->ColWidths(1), 200);
        QCOMPARE(grid->ColWidths(2), 150);
        QCOMPARE(grid->ColWidths(3), 150);
        QCOMPARE(window.cbb1->count(), 2);
        QCOMPARE(window.cbb1->itemText(0), QStringLiteral("应收帐款确认函"));
        QCOMPARE(window.cbb1->itemText(1), QStringLiteral("预收帐款确认函"));
        QCOMPARE(window.cbb1->currentIndex(), 0);
        QCOMPARE(window.cbb1->currentText(), QStringLiteral("应收帐款确认函"));
        QCOMPARE(window.templateName(), QStringLiteral("应收帐款确认函"));
    }

    void chooserFollowsTypedText()
    {
        FakePrompts prompts;
        Tfrmmain window;
        window.show();
        typeIntoChooser(window.cbb1, QStringLiteral("预收帐款确认函"));
        QCOMPARE(window.cbb1->currentIndex(), 1);
        QCOMPARE(window.templateName(), QStringLiteral("预收帐款确认函"));

        typeIntoChooser(window.cbb1, QStringLiteral("别的模板"));
        QCOMPARE(window.cbb1->currentIndex(), -1);
        QCOMPARE(window.cbb1->currentText(), QStringLiteral("别的模板")); // typing is kept
        QCOMPARE(window.templateName(), QString());
        QTest::keyClick(window.cbb1->lineEdit(), Qt::Key_Return);
        QCOMPARE(window.cbb1->count(), 2); // Enter adds nothing
        QCOMPARE(window.templateName(), QString());

        window.cbb1->setCurrentIndex(0); // picking from the list
        QCOMPARE(window.templateName(), QStringLiteral("应收帐款确认函"));
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("expected"); // action, workbook, template and ledger
        const QString here = QDir::currentPath() + QLatin1Char('/');
        // A ledger renamed is still known by its content.
        static QTemporaryDir dir;
        const QString renamed = dir.filePath(QStringLiteral("台账副本.bak"));
        LedgerStore::create(renamed + QStringLiteral(".rvledger"), QStringLiteral("E"));
        QFile::rename(renamed + QStringLiteral(".rvledger"), renamed);
        QTest::newRow("nothing") << QStringList() << QStringLiteral("run|||");
        QTest::newRow("a workbook") << QStringList{"账.xls"} << "run|" + here + "账.xls||";
        QTest::newRow("a file address")
            << QStringList{"file:///tmp/a%20b.xlsx"} << QStringLiteral("run|/tmp/a b.xlsx||");
        QTest::newRow("design") << QStringList{"--design", "/t/信封.grf"}
                                << QStringLiteral("run||/t/信封.grf|");
        QTest::newRow("both") << QStringList{"--design", "/t/a.grf", "/w/b.xls"}
                              << QStringLiteral("run|/w/b.xls|/t/a.grf|");
        QTest::newRow("a template from the file manager")
            << QStringList{"file:///t/%E4%BF%A1.GRF"} << QStringLiteral("run||/t/信.GRF|");
        QTest::newRow("a ledger by its name")
            << QStringList{"/l/审计2026.rvledger"} << QStringLiteral("run|||/l/审计2026.rvledger");
        QTest::newRow("a ledger by its content") << QStringList{renamed} << "run|||" + renamed;
        QTest::newRow("a ledger and a workbook") << QStringList{"/w/b.xlsx", "file:///l/a.RVLEDGER"}
                                                 << QStringLiteral("run|/w/b.xlsx||/l/a.RVLEDGER");
        QTest::newRow("help") << QStringList{"x.xls", "--help"} << QStringLiteral("help|||");
        QTest::newRow("-h") << QStringList{"-h"} << QStringLiteral("help|||");
        QTest::newRow("version") << QStringList{"--version"} << QStringLiteral("version|||");
        QTest::newRow("design without a file")
            << QStringList{"--design"} << QStringLiteral("error:选项 --design 缺少模板文件");
        QTest::newRow("two workbooks")
            << QStringList{"a.xls", "b.xls"} << QStringLiteral("error:只能导入一个工作簿");
        QTest::newRow("two ledgers") << QStringList{"a.rvledger", "b.rvledger"}
                                     << QStringLiteral("error:只能打开一个函证台账");
        QTest::newRow("unknown option")
            << QStringList{"--print"} << QStringLiteral("error:未知选项 --print");
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, expected);
        const DesktopCommandLine line = DesktopCommandLine::parse(arguments);
        static const char *const actions[] = {"run", "help", "version", "error"};
        const QString action = QLatin1String(actions[int(line.action)]);
        const QStringList parts{action, line.workbook, line.templateFile, line.ledger};
        QCOMPARE(line.action == DesktopCommandLine::Action::Error
                     ? action + QLatin1Char(':') + line.error
                     : parts.join(QLatin1Char('|')),
                 expected);
    }

    // The program itself: help and version without a display, a wrong line refused.
    void programOptions()
    {
        const QString program =
            qEnvironmentVariable("PROGRAM_DIR") + QStringLiteral("/roviradavev");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        auto run = [&](const QStringList &arguments) {
            QProcess process;
            process.setProcessEnvironment(env);
            process.start(program, arguments);
            process.waitForFinished(30000);
            return std::make_pair(process.exitCode(),
                                  QString::fromUtf8(process.readAllStandardOutput() +
                                                    process.readAllStandardError()));
        };
        QCOMPARE(run({QStringLiteral("--version")}),
                 std::make_pair(0, QStringLiteral("roviradavev 2.1\n")));
        const auto help = run({QStringLiteral("--help")});
        QCOMPARE(help.first, 0);
        QVERIFY(help.second.startsWith(QStringLiteral("用法：roviradavev [工作簿]")));
        const auto wrong = run({QStringLiteral("--bogus")});
        QCOMPARE(wrong.first, 2);
        QVERIFY(wrong.second.startsWith(QStringLiteral("未知选项 --bogus\n用法：")));
    }

    // A workbook named at start is imported as 导入应收帐款 imports it, with its messages;
    // a template named with --design opens in a designer that saves back to it.
    void startingWithAWorkbookAndATemplate()
    {
        FakePrompts prompts;
        Tfrmmain window;
        window.openFromCommandLine(workbookPath("receivables.xlsx"), QString());
        QCOMPARE(window.table()->RowCount(), 11);
        QCOMPARE(window.table()->Cells(3, 1), QStringLiteral("WL-2024-001"));
        QVERIFY(!Guard::run([&] {
            window.openFromCommandLine(testDataPath(QStringLiteral("bad/random.xls")), QString());
        }));
        QCOMPARE(prompts.errors().size(), 1);
        QVERIFY(prompts.errors()[0].contains(QStringLiteral("random.xls")));

        QTemporaryDir dir;
        const QString templateFile = dir.filePath(QStringLiteral("我的信封.grf"));
        QVERIFY(QFile::copy(qEnvironmentVariable("PROGRAM_DIR") + QStringLiteral("/信封.grf"),
                            templateFile));
        window.openFromCommandLine(QString(), templateFile);
        auto *design = window.findChild<TfrmDesign *>();
        QVERIFY(design);
        QCOMPARE(design->templateFile(), templateFile);
        QCOMPARE(design->templateName(), QStringLiteral("我的信封"));
        QCOMPARE(prompts.errors().size(), 1);
        design->close();
    }

    // A screen reader reads the table after an import: counts, titles, cells, the current one.
    void theTableIsReadableByAScreenReader()
    {
        FakePrompts prompts;
        Tfrmmain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QAccessibleInterface *grid = QAccessible::queryAccessibleInterface(window.AdvStringGrid1);
        QVERIFY(grid);
        QCOMPARE(grid->role(), QAccessible::Table);
        QAccessibleTableInterface *table = grid->tableInterface();
        QVERIFY(table);
        const int before = table->rowCount();

        window.openFromCommandLine(workbookPath("receivables.xlsx"), QString());
        QCOMPARE(table->rowCount(), 10);
        QCOMPARE(table->columnCount(), 4);
        QVERIFY(before != table->rowCount());
        QCOMPARE(table->columnDescription(0), QStringLiteral("客户名称"));
        QCOMPARE(table->columnDescription(3), QStringLiteral("函编号"));
        QCOMPARE(table->cellAt(0, 0)->text(QAccessible::Name),
                 QStringLiteral("北京华信科技有限公司"));
        QCOMPARE(table->cellAt(9, 3)->text(QAccessible::Name), window.table()->Cells(3, 10));
        QVERIFY(!table->cellAt(10, 0));
        QAccessibleTableCellInterface *cell = table->cellAt(2, 1)->tableCellInterface();
        QCOMPARE(cell->rowIndex(), 2);
        QCOMPARE(cell->columnHeaderCells().constFirst()->text(QAccessible::Name),
                 QStringLiteral("截止日期"));
        QCOMPARE(grid->childCount(), 4 * 11);
        QCOMPARE(grid->indexOfChild(table->cellAt(2, 1)), 3 * 4 + 1);

        // The current cell is the focused one, and selected.
        window.AdvStringGrid1->setFocus();
        window.AdvStringGrid1->showCell(2, 5);
        QAccessibleInterface *current = grid->focusChild();
        QVERIFY(current);
        QCOMPARE(current->text(QAccessible::Name), window.table()->Cells(2, 5));
        QVERIFY(current->state().selected);
        QCOMPARE(table->selectedCellCount(), 1);
    }

    void aboutBox()
    {
        FakePrompts prompts;
        Tfrmmain window;
        window.btnAbout->click();
        window.mniabout->trigger();
        QCOMPARE(prompts.shown.size(), 2);
        QCOMPARE(prompts.shown[0].kind, QStringLiteral("inform"));
        QCOMPARE(prompts.shown[0].caption, QStringLiteral("关于"));
        const QStringList lines = prompts.shown[0].text.split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QStringLiteral("软件名称:roviradavev"));
        QCOMPARE(lines[1], QStringLiteral("版本号:2.1"));
        QCOMPARE(prompts.shown[1].text, prompts.shown[0].text);
    }

    void helpOpensOneMoreWindowEachTime()
    {
        FakePrompts prompts;
        Tfrmmain window;
        window.btnHelp->click();
        window.N5->trigger();
        const QList<TfrmHelp *> windows = openHelpWindows();
        QCOMPARE(windows.size(), 2);
        for (TfrmHelp *help : windows) {
            QCOMPARE(help->windowTitle(), QStringLiteral("帮助说明"));
            QCOMPARE(help->mmo1->toPlainText(), helpText());
            QVERIFY(!help->mmo1->isReadOnly());
            QCOMPARE(help->btnclose->text(), QStringLiteral("离开"));
            QVERIFY(help->parent() == nullptr);
        }
        // Text typed into one window is not kept for the next.
        windows[0]->mmo1->setPlainText(QStringLiteral("changed"));
        windows[0]->btnclose->click();
        QCOMPARE(openHelpWindows().size(), 1);
        window.btnHelp->click();
        for (TfrmHelp *help : openHelpWindows())
            QCOMPARE(help->mmo1->toPlainText(), helpText());
    }

    void helpTextIsExact()
    {
        const QStringList lines = helpText().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 12);
        QCOMPARE(lines[0], QStringLiteral("软件说明:"));
        QCOMPARE(lines[2], QStringLiteral("1.应收数据请填写在exce文件的第一个表页中。"));
        QCOMPARE(lines[4], QStringLiteral("A列----->客户名称"));
        QCOMPARE(lines[8], QString());
        QCOMPARE(lines[9], QStringLiteral("3.导入数据时,请确保要导入的表格不被其他程序打开(如:"
                                          "excel2000),否则无法正确读取数据。"));
        QCOMPARE(
            lines[10],
            QStringLiteral("4.本软件完成目录下的“导入模板.xls”为系统预置导入模板，供用户参考"));
    }

    void helpWindowKeepsItsAnchors()
    {
        TfrmHelp help;
        help.show();
        QVERIFY(QTest::qWaitForWindowExposed(&help));
        QCOMPARE(help.mmo1->geometry(), QRect(0, 8, 681, 297));
        QCOMPARE(help.btnclose->geometry(), QRect(590, 311, 89, 27));
        help.resize(800, 500);
        QCOMPARE(help.mmo1->geometry(), QRect(0, 8, 681 + 112, 297 + 159));
        QCOMPARE(help.btnclose->geometry(), QRect(590 + 112, 311 + 159, 89, 27));
        QCOMPARE(help.mmo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(help.mmo1->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    }

    void importCancelChangesNothing()
    {
        FakePrompts prompts;
        Tfrmmain window;
        window.table()->setCells(0, 0, QStringLiteral("kept"));
        window.btnImport->click();
        window.mniImport->trigger();
        QCOMPARE(prompts.shown.size(), 2);
        QCOMPARE(prompts.shown[0].kind, QStringLiteral("open"));
        QCOMPARE(prompts.filterSeen, QStringLiteral("Excel文件 (*.xls *.xlsx)"));
        QCOMPARE(prompts.suffixSeen, QStringLiteral("xls"));
        QVERIFY(prompts.errors().isEmpty());
        QCOMPARE(window.table()->Cells(0, 0), QStringLiteral("kept"));
        QCOMPARE(window.table()->RowCount(), 1);
    }

    void importFillsTheTableAndErrorsShowInTheErrorBox()
    {
        FakePrompts prompts;
        Tfrmmain window;
        window.regionalSettings = &chineseSettings();
        window.show();
        prompts.openAnswers = {workbookPath("receivables.xlsx"),
                               testDataPath("bad/truncated.xlsx")};
        QTest::mouseClick(window.btnImport, Qt::LeftButton);
        QCOMPARE(window.table()->RowCount(), 11);
        QCOMPARE(window.table()->ColCount(), 4);
        QCOMPARE(window.table()->Cells(1, 1), QStringLiteral("2024/12/31"));
        QVERIFY(!QGuiApplication::overrideCursor());
        // A damaged file, chosen through the menu: the error box, the table as it was.
        QMetaObject::invokeMethod(window.mniImport, &QAction::trigger, Qt::QueuedConnection);
        QCoreApplication::processEvents();
        QCOMPARE(prompts.errors(),
                 QStringList{QStringLiteral(
                     "工作簿“truncated.xlsx”已损坏，无法读取：ZIP 压缩包结构损坏.")});
        QCOMPARE(window.table()->RowCount(), 11);
        QCOMPARE(window.table()->Cells(0, 1), QStringLiteral("北京华信科技有限公司"));
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void printPathFollowsTheChooser()
    {
        FakePrompts prompts;
        Tfrmmain window;
        window.show();
        QVERIFY(!window.Report->isConnected()); // the engine comes with the first use
        const QString directory = programDirectory();
        QVERIFY(directory.endsWith(QLatin1Char('/')));
        auto printAndTakeError = [&] {
            prompts.shown.clear();
            const PreviewSeen seen = runAndCatchPreview([&] { window.btnPrint->click(); });
            return seen.shown ? QStringLiteral("preview") : prompts.errors().value(0);
        };
        QCOMPARE(printAndTakeError(),
                 QStringLiteral("找不到打印模板文件“%1应收帐款确认函.grf”.").arg(directory));
        QVERIFY(window.Report->isConnected());
        window.cbb1->setCurrentIndex(1);
        QCOMPARE(printAndTakeError(),
                 QStringLiteral("找不到打印模板文件“%1预收帐款确认函.grf”.").arg(directory));
        // A typed name that lists no template is named in the message, not lost from it.
        typeIntoChooser(window.cbb1, QStringLiteral("不存在的模板"));
        QCOMPARE(printAndTakeError(),
                 QStringLiteral("找不到打印模板文件“%1不存在的模板.grf”.").arg(directory));
        QCOMPARE(window.Report->Title(), QStringLiteral("打印预览"));
    }

    // The preview's 导出函证控制表… writes the register of the letters it shows, where the
    // user says, suggesting the date's name in the folder used last.
    void thePreviewExportsTheRegister()
    {
        TemplatesInProgramDirectory templates;
        FakePrompts prompts;
        Tfrmmain window;
        window.regionalSettings = &chineseSettings();
        window.show();
        prompts.openAnswers = {qEnvironmentVariable("PROGRAM_DIR") +
                               QStringLiteral("/导入模板.xls")};
        window.btnImport->click();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("本所函证控制表"));
        const PreviewSeen seen = runAndCatchPreview([&] { window.btnPrint->click(); },
                                                    [&](PreviewWindow &preview) {
                                                        prompts.openAnswers = {path};
                                                        auto *act = preview.findChild<QAction *>(
                                                            QStringLiteral("actExportRegister"));
                                                        QVERIFY(act && act->isEnabled());
                                                        act->trigger();
                                                    });
        QVERIFY(seen.shown);
        const auto save =
            std::find_if(prompts.shown.cbegin(), prompts.shown.cend(),
                         [](const auto &s) { return s.kind == QStringLiteral("save"); });
        QVERIFY(save != prompts.shown.cend());
        QVERIFY2(save->text.endsWith(QStringLiteral("函证控制表-%1.xlsx")
                                         .arg(QDate::currentDate().toString(Qt::ISODate))),
                 qPrintable(save->text));
        const auto book = WorkbookFile::open(path + QStringLiteral(".xlsx"));
        QCOMPARE(book->sheet(1)->cell(13, 2).text, QStringLiteral("YS-2025-012"));
        QCOMPARE(book->sheet(1)->cell(2, 7).text, QStringLiteral("应收帐款确认函"));
        QCOMPARE(prompts.shown.last().kind, QStringLiteral("inform"));
    }

    void printShowsOneLetterPerRow()
    {
        TemplatesInProgramDirectory templates;
        FakePrompts prompts;
        Tfrmmain window;
        window.regionalSettings = &chineseSettings();
        window.show();

        PreviewSeen seen = runAndCatchPreview([&] { window.mniPrint->trigger(); });
        QVERIFY(seen.shown); // a table of one row: the preview opens and has no letters
        QCOMPARE(seen.pages, 0);

        prompts.openAnswers = {qEnvironmentVariable("PROGRAM_DIR") +
                               QStringLiteral("/导入模板.xls")};
        window.btnImport->click();
        seen = runAndCatchPreview([&] { window.btnPrint->click(); });
        QVERIFY(seen.shown);
        QCOMPARE(seen.caption, QStringLiteral("打印预览"));
        QCOMPARE(seen.documentName, QStringLiteral("应收帐款确认函（12 封）"));
        QCOMPARE(seen.pages, 12);
        QCOMPARE(seen.firstCustomer, QStringLiteral("北京华信科技有限公司"));
        QVERIFY(prompts.errors().isEmpty());

        prompts.openAnswers = {workbookPath("bad_rows.xlsx")};
        window.btnImport->click();
        seen = runAndCatchPreview([&] { window.btnPrint->click(); });
        QVERIFY(!seen.shown);
        QCOMPARE(prompts.errors(),
                 QStringList{QStringLiteral("第6行B列: '2024年13月1日' is not a valid date.")});
    }

    void aFetchThatStopsShowsItsCell()
    {
        TemplatesInProgramDirectory templates;
        FakePrompts prompts;
        Tfrmmain window;
        window.regionalSettings = &chineseSettings();
        StringGridView *grid = window.AdvStringGrid1;
        grid->setFixedHeight(2 * 21 + 4); // the table shows two rows at a time
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        prompts.openAnswers = {workbookPath("bad_rows.xlsx")};
        window.btnImport->click();
        window.table()->moveCurrent(3, 5, false);
        grid->scrollToCurrent();
        QVERIFY(grid->cellRect(1, 3).isEmpty());
        runAndCatchPreview([&] { window.btnPrint->click(); });
        QCOMPARE(prompts.errors(),
                 QStringList{QStringLiteral("第6行B列: '2024年13月1日' is not a valid date.")});
        // The date of the third data row stopped it: that cell is current and in view.
        QCOMPARE(window.table()->currentCell(), QPoint(1, 3));
        QCOMPARE(window.table()->selection(), QRect(1, 3, 1, 1));
        QVERIFY(!grid->cellRect(1, 3).isEmpty());
    }

    void aShorterImportShowsAllItsRows()
    {
        FakePrompts prompts;
        Tfrmmain window;
        window.resize(900, 600);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        StringGridView *grid = window.AdvStringGrid1;
        window.table()->setColCount(4);
        window.table()->setRowCount(100000);
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
        QVERIFY(window.table()->topLeft().y() > 1000);
        prompts.openAnswers = {qEnvironmentVariable("PROGRAM_DIR") +
                               QStringLiteral("/导入模板.xls")};
        window.btnImport->click();
        QCOMPARE(window.table()->RowCount(), 13);
        // Every row can be seen: scrolled to the top, and no scroll range left over.
        QCOMPARE(window.table()->topLeft().y(), 0);
        QVERIFY(!grid->cellRect(1, 0).isEmpty());
        QVERIFY(!grid->cellRect(1, 12).isEmpty());
        QCOMPARE(grid->verticalScrollBar()->maximum(), grid->verticalScrollBar()->minimum());
        QVERIFY(
            !grid->cellRect(window.table()->currentCell().x(), window.table()->currentCell().y())
                 .isEmpty());
    }

    void importDialogOpensInTheLastFolder()
    {
        FakePrompts prompts;
        Tfrmmain window;
        prompts.openAnswers = {qEnvironmentVariable("PROGRAM_DIR") +
                               QStringLiteral("/导入模板.xls")};
        window.btnImport->click();
        prompts.openAnswers = {QString()};
        window.btnImport->click();
        QCOMPARE(prompts.shown.last().kind, QStringLiteral("open"));
        QCOMPARE(QDir(prompts.shown.last().caption).canonicalPath(),
                 QDir(qEnvironmentVariable("PROGRAM_DIR")).canonicalPath());
    }

    void previewExportsMatchTheBatchCompanion()
    {
        TemplatesInProgramDirectory templates;
        FakePrompts prompts;
        Tfrmmain window;
        window.regionalSettings = &chineseSettings();
        window.show();
        const QString sample =
            qEnvironmentVariable("PROGRAM_DIR") + QStringLiteral("/导入模板.xls");
        prompts.openAnswers = {sample};
        window.btnImport->click();

        QTemporaryDir dir;
        const QString fromPreview = dir.filePath(QStringLiteral("preview.pdf"));
        const QString folder = dir.filePath(QStringLiteral("each"));
        QDir().mkpath(folder);
        const PreviewSeen seen =
            runAndCatchPreview([&] { window.btnPrint->click(); },
                               [&](PreviewWindow &preview) {
                                   prompts.openAnswers = {fromPreview, folder};
                                   preview.exportPdf();
                                   preview.exportEachPdf(); // the letter number by default
                               });
        QVERIFY(seen.shown);
        QVERIFY(prompts.errors().isEmpty());
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 12);
        QVERIFY2(QFile::exists(folder + QStringLiteral("/YS-2025-012.pdf")),
                 qPrintable(QDir(folder).entryList(QDir::Files).join(",")));
        // Each letter's own file is titled with its number and customer, not the run's name.
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {folder + QStringLiteral("/YS-2025-012.pdf")});
        QVERIFY(info.waitForFinished(30000));
        const QString shown = QString::fromUtf8(info.readAllStandardOutput());
        QVERIFY2(shown.contains(QStringLiteral("Title:           应收帐款确认函（YS-2025-012，")),
                 qPrintable(shown));

        const QString fromBatch = dir.filePath(QStringLiteral("batch.pdf"));
        QProcess batch;
        batch.start(qEnvironmentVariable("PROGRAM_DIR") + QStringLiteral("/roviradavev-batch"),
                    {QStringLiteral("print"), sample, QStringLiteral("--pdf"), fromBatch});
        QVERIFY(batch.waitForFinished(60000));
        QCOMPARE(batch.exitCode(), 0);
        auto text = [](const QString &pdf) {
            QProcess p;
            p.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
            p.waitForFinished(30000);
            return QString::fromUtf8(p.readAllStandardOutput());
        };
        const QString letters = text(fromPreview);
        QCOMPARE(letters.count(QStringLiteral("企业询证函")), 12);
        QVERIFY(letters.contains(QStringLiteral("青岛海湾食品有限公司：")));
        QCOMPARE(text(fromBatch), letters);
    }

    void previewPagesAndZooms()
    {
        TemplatesInProgramDirectory templates;
        ReportEngine engine;
        QVERIFY(engine.LoadTemplateFile(programDirectory() + QStringLiteral("应收帐款确认函.grf")));
        engine.setTitle(QStringLiteral("打印预览"));
        engine.setFetchRecordHandler([&] {
            for (int i = 0; i < 3; ++i) {
                engine.DetailRecords().AddRecord();
                engine.LookupField(QStringLiteral("客户单位"))
                    .SetText(QStringLiteral("客户%1").arg(i));
                engine.DetailRecords().CommitRecord();
            }
        });
        PreviewWindow preview(engine.generate());
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        QCOMPARE(preview.windowTitle(), QStringLiteral("打印预览"));
        auto *label = preview.findChild<QLabel *>(QStringLiteral("lblPage"));
        QCOMPARE(label->text(), QStringLiteral("第 1 页，共 3 页"));
        preview.findChild<QAction *>(QStringLiteral("actNext"))->trigger();
        QCOMPARE(label->text(), QStringLiteral("第 2 页，共 3 页"));
        QTest::keyClick(preview.pageView(), Qt::Key_End);
        QCOMPARE(label->text(), QStringLiteral("第 3 页，共 3 页"));
        QTest::keyClick(preview.pageView(), Qt::Key_PageDown); // stays on the last page
        QCOMPARE(preview.pageView()->page(), 2);
        auto *zoom = preview.findChild<QComboBox *>(QStringLiteral("cbbZoom"));
        zoom->setCurrentText(QStringLiteral("100%"));
        const QSize actual = preview.pageView()->pageSizePixels();
        QVERIFY(qAbs(actual.width() - 210 / 25.4 * preview.pageView()->logicalDpiX()) < 2);
        zoom->setCurrentText(QStringLiteral("200%"));
        QVERIFY(qAbs(preview.pageView()->pageSizePixels().width() - 2 * actual.width()) < 3);
        zoom->setCurrentText(QStringLiteral("整页"));
        QVERIFY(preview.pageView()->pageSizePixels().height() <=
                preview.pageView()->viewport()->height());
        QVERIFY(!preview.pageView()->grab().isNull());
    }

    void exitAnsweredWithCancelKeepsRunning()
    {
        FakePrompts prompts;
        Tfrmmain window;
        window.show();
        prompts.answerOk = false;
        QVERIFY(!quitsWithin(300, [&] { window.btnExit->click(); }));
        QCOMPARE(prompts.shown.size(), 1);
        QCOMPARE(prompts.shown[0].kind, QStringLiteral("ask"));
        QCOMPARE(prompts.shown[0].caption, QStringLiteral("提示"));
        QCOMPARE(prompts.shown[0].text, QStringLiteral("你确定退出软件吗？"));
        QVERIFY(window.isVisible());
    }

    void exitAnsweredWithOkEnds()
    {
        FakePrompts prompts;
        Tfrmmain window;
        window.show();
        QVERIFY(quitsWithin(3000, [&] { window.btnExit->click(); }));
    }

    void closingMainWindowEndsAtOnceWithHelpOpen()
    {
        FakePrompts prompts;
        Tfrmmain window;
        window.show();
        window.btnHelp->click();
        QVERIFY(quitsWithin(3000, [&] { window.close(); }));
        QVERIFY(prompts.shown.isEmpty()); // no exit question
    }

    void errorInCommandShowsErrorBox()
    {
        FakePrompts prompts;
        QPushButton raising;
        connect(&raising, &QPushButton::clicked,
                Guard::slot([] { throw Exception(QStringLiteral("Excel OLE server not found")); }));
        QPushButton aborting;
        connect(&aborting, &QPushButton::clicked, Guard::slot([] { throw EAbort(); }));
        raising.show();
        aborting.show();
        QVERIFY(QTest::qWaitForWindowExposed(&raising));
        QTest::mouseClick(&raising, Qt::LeftButton);
        QTest::mouseClick(&aborting, Qt::LeftButton);
        QCOMPARE(prompts.shown.size(), 1);
        QCOMPARE(prompts.shown[0].kind, QStringLiteral("error"));
        QCOMPARE(prompts.shown[0].caption, QStringLiteral("zevuriz"));
        // Screen readers name the program, not the error boxes' title.
        QAccessibleInterface *application = QAccessible::queryAccessibleInterface(qApp);
        QVERIFY(application);
        QCOMPARE(application->text(QAccessible::Name), QStringLiteral("roviradavev"));
        QCOMPARE(prompts.shown[0].text, QStringLiteral("Excel OLE server not found."));
        // Still usable afterwards.
        QTest::mouseClick(&raising, Qt::LeftButton);
        QCOMPARE(prompts.errors().size(), 2);
    }

    void gridSelectsByMouseAndKeysButNeverFixedCells()
    {
        FakePrompts prompts;
        Tfrmmain window;
        window.resize(900, 600);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        StringGridModel *grid = window.table();
        grid->setColCount(4);
        grid->setRowCount(50);
        StringGridView *view = window.AdvStringGrid1;
        // Column 0 is fixed: a click there selects nothing.
        const QPoint fixedCell = view->cellRect(0, 3).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, fixedCell);
        QCOMPARE(grid->currentCell(), QPoint(1, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->cellRect(2, 3).center());
        QCOMPARE(grid->currentCell(), QPoint(2, 3));
        QTest::keyClick(view, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(view, Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(grid->selection(), QRect(QPoint(2, 3), QPoint(3, 4)));
        QTest::keyClick(view, Qt::Key_Left);
        QTest::keyClick(view, Qt::Key_Left);
        QTest::keyClick(view, Qt::Key_Left);
        QCOMPARE(grid->currentCell(), QPoint(1, 4));
        QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(grid->currentCell(), QPoint(3, 49));
        QVERIFY(!view->cellRect(3, 49).isEmpty()); // scrolled into view
        QVERIFY(view->verticalScrollBar()->value() > 0);
    }
};

int main(int argc, char *argv[])
{
    Application app(argc, argv);
    QStandardPaths::setTestModeEnabled(true); // remembered folders stay out of ~/.config
    app.setQuitOnLastWindowClosed(false);
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_main_window.moc"

// The reply window: what it says when the table changes under it, a file added twice,
// and its keyboard and screen-reader access.

#include "app/Application.h"
#include "app/ReplyWindow.h"
#include "control/LetterRecording.h"
#include "control/RegisterWriter.h"
#include "ledger/LedgerStore.h"
#include "support/FakePrompts.h"
#include "support/Python.h"
#include "support/ScanMaker.h"

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

QStringList column(QTableView *view, int c)
{
    QStringList texts;
    for (int r = 0; r < view->model()->rowCount(); ++r)
        texts.append(view->model()->index(r, c).data().toString());
    return texts;
}

} // namespace

class TestReplyWindow : public QObject
{
    Q_OBJECT
    StringGridModel m_table;
    ReportDocument m_letters;
    QTemporaryDir m_dir;
    QStringList m_scans; // letters 3 and 1, and another scan of letter 3

private slots:
    void initTestCase()
    {
        fillReceivables(m_table, 4, QStringLiteral("HZ2026"));
        m_letters = lettersOf(m_table);
        for (int i : {2, 0}) {
            m_scans.append(m_dir.filePath(QStringLiteral("回函%1.png").arg(m_scans.size())));
            QVERIFY(scanned(m_letters, i, 150).save(m_scans.last()));
        }
        m_scans.append(m_dir.filePath(QStringLiteral("回函2.jpg")));
        QVERIFY(scanned(m_letters, 2, 150).save(m_scans.last(), "JPEG", 80));
    }

    void cleanup()
    {
        fillReceivables(m_table, 4, QStringLiteral("HZ2026"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(Application::escapedErrors(), 0);
    }

    // With a ledger open, the pages go into it: matched against its letters whatever the
    // table shows, each file once, with the date and channel the user gives.
    void repliesGoIntoTheOpenLedger()
    {
        FakePrompts prompts;
        const QString path = m_dir.filePath(QStringLiteral("回函.rvledger"));
        auto ledger = LedgerStore::create(path, QStringLiteral("E"));
        QList<SentPage> pages;
        for (const LetterIdentity &identity :
             LetterRecording::identities(m_letters, QStringLiteral("应收帐款确认函")))
            pages.append({identity, QByteArray(64, 'a')});
        ledger->recordRun(LedgerRun{0,
                                    {},
                                    QStringLiteral("PDF"),
                                    QStringLiteral("x.pdf"),
                                    QStringLiteral("应收帐款确认函"),
                                    {},
                                    0,
                                    0},
                          pages);
        int recorded = 0;
        std::unique_ptr<ReplyWindow> window(new ReplyWindow(nullptr, m_table, scanSettings()));
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->setLedger(ledger.get(), [&recorded] { ++recorded; });
        window->show();
        QVERIFY(window->rbLedger->isChecked());
        QVERIFY(window->rbLedger->text().contains(QStringLiteral("4 封询证函")));

        // A date that is none stops before anything is read.
        window->edtReceived->setText(QStringLiteral("2026-13-40"));
        prompts.openAnswers = {m_scans.mid(0, 2).join(QLatin1Char('\n'))};
        window->btnAddFiles->click();
        QVERIFY(prompts.shown.last().kind == QStringLiteral("error"));
        QVERIFY(ledger->replies().isEmpty());

        window->edtReceived->setText(QStringLiteral("2026-12-20"));
        window->cbbChannel->setCurrentText(QStringLiteral("快递"));
        prompts.openAnswers = {m_scans.mid(0, 2).join(QLatin1Char('\n'))};
        window->btnAddFiles->click();
        QCOMPARE(column(window->tblReplies, 5),
                 (QStringList{QStringLiteral("已匹配"), QStringLiteral("已匹配")}));
        QCOMPARE(ledger->replies().size(), 2);
        QVERIFY(recorded >= 1);
        const LedgerLetter third = *ledger->letter(QStringLiteral("HZ2026-0003"));
        QVERIFY(third.answered);
        QCOMPARE(third.value(LetterField::ReplyDate), QStringLiteral("2026-12-20"));
        QCOMPARE(third.value(LetterField::ReplyChannel), QStringLiteral("快递"));

        // Another import in the main window changes nothing here, and asks nothing.
        const qsizetype asked = prompts.shown.size();
        fillReceivables(m_table, 2, QStringLiteral("XX2026"));
        m_table.notifyCellsChanged(0, 0, 3, 2);
        QCoreApplication::processEvents();
        QCOMPARE(prompts.shown.size(), asked);

        // The same files again, from a window opened afresh: recorded already, not read.
        window.reset(new ReplyWindow(nullptr, m_table, scanSettings()));
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->setLedger(ledger.get(), {});
        prompts.openAnswers = {m_scans.mid(0, 2).join(QLatin1Char('\n'))};
        window->btnAddFiles->click();
        QCOMPARE(column(window->tblReplies, 5), (QStringList(2, QStringLiteral("重复文件"))));
        QCOMPARE(ledger->replies().size(), 2);
        // The letters still unanswered are the ledger's.
        QCOMPARE(column(window->tblUnanswered, 0),
                 (QStringList{QStringLiteral("HZ2026-0002"), QStringLiteral("HZ2026-0004")}));
        QVERIFY(ledger->verify().ok);

        // Read-only, the ledger takes nothing: the table's letters are used.
        ledger.reset();
        QFile::setPermissions(path, QFile::ReadOwner);
        auto readOnly = LedgerStore::open(path);
        window->setLedger(readOnly.get(), {});
        QVERIFY(!window->rbLedger->isEnabled());
        QVERIFY(window->rbTable->isChecked());
        window->setLedger(nullptr, {});
        QVERIFY(!window->rbLedger->isVisible());
    }

    // Another import while pages are listed: the window asks, and keeps the list matched
    // to the table as it was unless the user chooses to match again.
    void anotherImportAsksBeforeMatchingAgain()
    {
        FakePrompts prompts;
        const std::unique_ptr<ReplyWindow> window(
            new ReplyWindow(nullptr, m_table, scanSettings()));
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->show();
        // The first added twice: its second line names the first and matches nothing.
        prompts.openAnswers = {m_scans.mid(0, 2).join(QLatin1Char('\n')), m_scans[0]};
        window->btnAddFiles->click();
        window->btnAddFiles->click();
        QCOMPARE(column(window->tblReplies, 5),
                 (QStringList{QStringLiteral("已匹配"), QStringLiteral("已匹配"),
                              QStringLiteral("重复文件")}));

        // Kept: nothing changes but the note of which table it is.
        prompts.confirmAnswer = false;
        fillReceivables(m_table, 2, QStringLiteral("XX2026"));
        m_table.notifyCellsChanged(0, 0, 3, 2);
        QTRY_COMPARE(prompts.shown.size(), 3);
        QCOMPARE(prompts.shown.last().kind, QStringLiteral("confirm:重新匹配"));
        QCOMPARE(prompts.shown.last().text,
                 QStringLiteral("主窗口导入了另一个工作簿，表格现有 2 封询证函。\n"
                                "已识别的 2 页回函是按导入前的表格匹配的。\n\n"
                                "重新匹配：按新表格重新匹配这些回函；取消：保留原来的清单。"));
        QCOMPARE(column(window->tblReplies, 5),
                 (QStringList{QStringLiteral("已匹配"), QStringLiteral("已匹配"),
                              QStringLiteral("重复文件")}));
        QCOMPARE(column(window->tblUnanswered, 0),
                 (QStringList{QStringLiteral("HZ2026-0002"), QStringLiteral("HZ2026-0004")}));
        QCOMPARE(window->rbTable->text(),
                 QStringLiteral("导入前的表格（4 封询证函；点此按现在的表格重新匹配）"));
        // Pages added now go to the same letters.
        prompts.openAnswers = {m_scans[2]};
        window->btnAddFiles->click();
        QCOMPARE(column(window->tblReplies, 5).last(), QStringLiteral("重复"));

        // Another import, matched again: the pages now meet the new table's letters.
        prompts.confirmAnswer = true;
        fillReceivables(m_table, 3, QStringLiteral("YY2026"));
        m_table.notifyCellsChanged(0, 0, 3, 3);
        QTRY_COMPARE(window->rbTable->text(), QStringLiteral("当前表格（3 封询证函）"));
        QCOMPARE(column(window->tblReplies, 5),
                 (QStringList{QStringLiteral("未知编号"), QStringLiteral("未知编号"),
                              QStringLiteral("重复文件"), QStringLiteral("未知编号")}));
        QCOMPARE(column(window->tblUnanswered, 0).size(), 3);

        // A row left empty makes no letter, here as in the print run.
        m_table.setRowCount(m_table.RowCount() + 2);
        m_table.clearCells(0, m_table.RowCount() - 2, 3, m_table.RowCount() - 1);
        m_table.setCells(0, m_table.RowCount() - 1, QStringLiteral("只填了客户"));
        m_table.notifyCellsChanged(0, 0, 3, m_table.RowCount() - 1);
        QTRY_COMPARE(window->rbTable->text(), QStringLiteral("当前表格（4 封询证函）"));
    }

    // The main window closed (and deleted) with the reply window open and its lists full:
    // the lists are gone before the window hides, and nothing reads them then.
    void anOpenWindowGoesWithItsOwner()
    {
        FakePrompts prompts;
        auto *owner = new QWidget;
        auto *window = new ReplyWindow(owner, m_table, scanSettings());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        prompts.openAnswers = {m_scans.mid(0, 2).join(QLatin1Char('\n'))};
        window->btnAddFiles->click();
        QCOMPARE(window->tblReplies->model()->rowCount(), 2);
        const QPointer<ReplyWindow> watched = window;
        delete owner;
        QVERIFY(!watched);
    }

    // Without pages there is nothing to lose: the list follows the table unasked.
    void anEmptyListFollowsTheTable()
    {
        FakePrompts prompts;
        ReplyWindow window(nullptr, m_table, scanSettings());
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        fillReceivables(m_table, 2, QStringLiteral("XX2026"));
        m_table.notifyCellsChanged(0, 0, 3, 2);
        QTRY_COMPARE(window.rbTable->text(), QStringLiteral("当前表格（2 封询证函）"));
        QCOMPARE(column(window.tblUnanswered, 0).size(), 2);
        QVERIFY(prompts.shown.isEmpty());
    }

    // A file added again is listed once as read before, not as repeats of its own pages.
    void aFileAddedAgainIsSkipped()
    {
        FakePrompts prompts;
        ReplyWindow window(nullptr, m_table, scanSettings());
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        prompts.openAnswers = {m_scans[0], m_scans[0]};
        window.btnAddFiles->click();
        window.btnAddFiles->click();
        QCOMPARE(column(window.tblReplies, 5),
                 (QStringList{QStringLiteral("已匹配"), QStringLiteral("重复文件")}));
        QCOMPARE(window.lblSummary->text(), QStringLiteral("已匹配 1，重复文件 1，未回函 3"));
    }

    // The register's rows that name no letter are listed under the counts.
    void skippedRegisterRowsAreShown()
    {
        FakePrompts prompts;
        ReplyWindow window(nullptr, m_table, scanSettings());
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        const QString registerFile = m_dir.filePath(QStringLiteral("函证控制表.xlsx"));
        RegisterWriter::write(m_letters, QStringLiteral("应收帐款确认函"), registerFile);
        // A totals row under the letters, as auditors add one.
        QVERIFY(runPython(QStringLiteral("import sys, openpyxl\n"
                                         "wb = openpyxl.load_workbook(sys.argv[1])\n"
                                         "wb['函证控制表']['C6'] = '合计'\n"
                                         "wb['函证控制表']['E6'] = 4000\n"
                                         "wb.save(sys.argv[1])\n"),
                          {registerFile})
                    .ok);
        prompts.openAnswers = {registerFile};
        window.rbRegister->click();
        QCOMPARE(prompts.errors(), QStringList());
        QCOMPARE(column(window.tblUnanswered, 0).size(), 4);
        QCOMPARE(window.lblSummary->text().section(QLatin1Char('\n'), 1),
                 QStringLiteral("函证控制表有 1 行没有函证编号或账面金额，未计为询证函：第 6 行"));
    }

    // Tab leaves the lists, Escape closes the window; screen readers see a window, and the
    // lists and the register's field by their names.
    void keyboardAndScreenReaders()
    {
        FakePrompts prompts;
        QPointer<ReplyWindow> window = new ReplyWindow(nullptr, m_table, scanSettings());
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QAccessibleInterface *self = QAccessible::queryAccessibleInterface(window.data());
        QVERIFY(self);
        QCOMPARE(self->role(), QAccessible::Window);
        QCOMPARE(self->text(QAccessible::Name), QStringLiteral("回函登记"));
        const struct
        {
            const char *name;
            QAccessible::Role role;
            QString text;
        } named[] = {
            {"tblReplies", QAccessible::Table, QStringLiteral("扫描的回函")},
            {"tblUnanswered", QAccessible::Table, QStringLiteral("尚未回函的询证函")},
            {"edtRegister", QAccessible::EditableText, QStringLiteral("函证控制表文件")},
        };
        for (const auto &expected : named) {
            QWidget *widget = window->findChild<QWidget *>(QLatin1String(expected.name));
            QVERIFY2(widget, expected.name);
            QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
            QCOMPARE(face->role(), expected.role);
            QCOMPARE(face->text(QAccessible::Name), expected.text);
        }

        prompts.openAnswers = {m_scans.mid(0, 2).join(QLatin1Char('\n'))};
        window->btnAddFiles->click();
        for (QTableView *table : {window->tblReplies, window->tblUnanswered}) {
            table->setFocus();
            table->setCurrentIndex(table->model()->index(0, 0));
            QCOMPARE(QApplication::focusWidget(), table);
            QTest::keyClick(table, Qt::Key_Tab);
            QVERIFY2(QApplication::focusWidget() != table, table->objectName().toUtf8());
        }
        window->tblReplies->setFocus();
        QTest::keyClick(window->tblReplies, Qt::Key_Escape);
        QTRY_VERIFY(!window); // closed, and gone
    }
};

int main(int argc, char *argv[])
{
    Application app(argc, argv);
    QStandardPaths::setTestModeEnabled(true); // remembered folders stay out of ~/.config
    app.setQuitOnLastWindowClosed(false);
    TestReplyWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_reply_window.moc"

// 调节与替代程序 and the 结论 tab on real ledger files: the button acts on one live letter of
// a ledger that can be written; items and a procedure typed into the dialog are kept and
// shown again; a bad row or a refusal of the ledger writes nothing and keeps the input;
// the tab refuses a tolerance that is no amount and follows the ledger's changes.

#include "app/Application.h"
#include "app/EvaluationPage.h"
#include "app/KindRowsTable.h"
#include "app/LedgerWindow.h"
#include "app/ReconciliationDialog.h"
#include "control/LedgerLetterModel.h"
#include "ledger/LedgerStore.h"
#include "platform/Exception.h"
#include "support/FakePrompts.h"
#include "support/LedgerFixtures.h"
#include "support/LedgerWindowSteps.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <sys/stat.h>

namespace {

QString number(int n)
{
    return ledgerLetter(n).number;
}

// Four letters of 1,000.00; the first answered with 980.00, the fourth voided.
QString ledgerAt(const QTemporaryDir &dir, const QString &name)
{
    const QString path = dir.filePath(name);
    auto ledger = LedgerStore::create(path, QStringLiteral("审计2026"));
    ledger->recordRun(ledgerRun(), ledgerPages(1, 4));
    ledger->setValues(number(1), {{LetterField::ReplyAmount, QStringLiteral("980.00")}});
    ledger->voidLetter(number(4), QStringLiteral("地址有误"));
    return path;
}

RegionalSettings chinese()
{
    return RegionalSettings::fromLocale(QLocale(QStringLiteral("zh_CN")));
}

// Types into a cell's editor and presses Enter, as a user does; text beyond ASCII goes in
// as an input method would put it.
void typeInto(KindRowsTable *table, int row, int column, const QString &text)
{
    table->setCurrentCell(row, column);
    table->setFocus();
    QTest::keyClick(table, Qt::Key_F2);
    const QModelIndex cell = table->model()->index(row, column);
    auto *editor = qobject_cast<QLineEdit *>(table->indexWidget(cell));
    QVERIFY(editor);
    editor->selectAll();
    bool ascii = true;
    for (QChar c : text)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii) {
        QTest::keyClick(editor, Qt::Key_Delete);
        QTest::keyClicks(editor, text);
    } else {
        editor->setText(text);
    }
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(!table->indexWidget(cell));
    QCOMPARE(table->item(row, column)->text(), text);
}

// Adds a row through the button and fills it: kind, then the typed columns.
void addRow(KindRowsTable *table, QPushButton *add, const QStringList &texts)
{
    QTest::mouseClick(add, Qt::LeftButton);
    const int row = table->rowCount() - 1;
    // The new row's amount is being edited: Escape leaves it, as a user might.
    if (auto *editor = table->indexWidget(table->currentIndex()))
        QTest::keyClick(editor, Qt::Key_Escape);
    table->kindBox(row)->setCurrentText(texts[0]);
    QCOMPARE(table->kindBox(row)->currentText(), texts[0]);
    for (int column = 1; column < texts.size(); ++column)
        if (!texts[column].isEmpty())
            typeInto(table, row, column, texts[column]);
}

// A ledger opened and shown in its window.
struct ShownLedger
{
    explicit ShownLedger(const QString &path)
        : store(LedgerStore::open(path)), window(nullptr, store.get())
    {
        window.show();
    }
    std::unique_ptr<LedgerStore> store;
    LedgerWindow window;
};

qsizetype reconciliationEntries(const LedgerStore &ledger)
{
    qsizetype count = 0;
    for (const LogEntry &entry : ledger.log())
        count += entry.action == LedgerStore::ReconcileAction ||
                 entry.action == LedgerStore::AlternativeAction;
    return count;
}

const QString kInTransit = QStringLiteral("在途款项");
const QString kReceipt = QStringLiteral("期后收款");
const QString kShipping = QStringLiteral("发货单");

} // namespace

class TestReconciliationWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_made = 0;

    QString freshLedger()
    {
        return ledgerAt(m_dir, QStringLiteral("台账%1.rvledger").arg(++m_made));
    }

private slots:
    void initTestCase() { LedgerStore::setUserName(QStringLiteral("审计员甲")); }
    void cleanup()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(Application::escapedErrors(), 0);
    }

    void buttonActsOnOneLiveLetter()
    {
        FakePrompts prompts;
        const QString path = freshLedger();
        ShownLedger opened(path);
        auto &store = opened.store;
        LedgerWindow &window = opened.window;
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(!window.btnReconcile->isEnabled());
        select(window, {1});
        QVERIFY(window.btnReconcile->isEnabled());
        select(window, {1, 2});
        QVERIFY(!window.btnReconcile->isEnabled());
        select(window, {4});
        QVERIFY(!window.btnReconcile->isEnabled());
        select(window, {2});
        QVERIFY(window.btnReconcile->isEnabled());
        // Voided from the table: the button goes off with the letter.
        store->voidLetter(number(2), QStringLiteral("重复"));
        window.reload();
        select(window, {2});
        QVERIFY(!window.btnReconcile->isEnabled());

        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0444) == 0);
        const auto restore =
            qScopeGuard([&] { ::chmod(QFile::encodeName(path).constData(), 0644); });
        auto readOnly = LedgerStore::open(path);
        QVERIFY(readOnly->readOnly());
        window.setStore(readOnly.get());
        select(window, {1});
        QVERIFY(!window.btnReconcile->isEnabled());
        QVERIFY(!window.tabEvaluation->edtTolerance->isEnabled());
        QVERIFY(!window.tabEvaluation->btnApplyTolerance->isEnabled());
        window.setStore(nullptr);
        QCOMPARE(prompts.errors(), QStringList());
    }

    // Typed as a user types, saved through the window, read back from the file.
    void itemsAndProcedureAreKept()
    {
        FakePrompts prompts;
        const QString path = freshLedger();
        ShownLedger opened(path);
        auto &store = opened.store;
        LedgerWindow &window = opened.window;
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.tabs->setCurrentWidget(window.tabEvaluation);
        select(window, {1});

        bool shown = false;
        whenShown<ReconciliationDialog>([&](ReconciliationDialog *dialog) {
            shown = true;
            // A check failed within: the dialog must not stay open over the test.
            const auto closed = qScopeGuard([dialog] {
                if (dialog->isVisible())
                    dialog->reject();
            });
            QCOMPARE(dialog->lblNumber->text(), number(1));
            QCOMPARE(dialog->lblCustomer->text(), QStringLiteral("杭州第1公司"));
            QCOMPARE(dialog->lblBook->text(), QStringLiteral("1,000.00"));
            QCOMPARE(dialog->lblReply->text(), QStringLiteral("980.00"));
            QCOMPARE(dialog->lblDifference->text(), QStringLiteral("-20.00"));
            QCOMPARE(dialog->lblDifferenceAfter->text(), QStringLiteral("-20.00"));
            QVERIFY(dialog->lblResult->text().contains(QStringLiteral("不符")));
            QVERIFY(!dialog->grpAlternative->isVisible());
            QVERIFY(dialog->lblNoAlternative->isVisible());

            addRow(dialog->tblItems, dialog->btnAddItem,
                   {kInTransit, QStringLiteral("-15"), QStringLiteral("2027-01-05"),
                    QStringLiteral("YH-0105"), QStringLiteral("1月5日银行到账")});
            QCOMPARE(dialog->lblItemsTotal->text(), QStringLiteral("-15.00"));
            QCOMPARE(dialog->lblDifferenceAfter->text(), QStringLiteral("-5.00"));
            QVERIFY(dialog->lblResult->text().contains(QStringLiteral("不符")));
            addRow(dialog->tblItems, dialog->btnAddItem,
                   {QStringLiteral("记账差错"), QStringLiteral("-5.00")});
            QCOMPARE(dialog->lblDifferenceAfter->text(), QStringLiteral("0.00"));
            QVERIFY(dialog->lblResult->text().contains(QStringLiteral("调节后相符")));
            // A row added by mistake and taken off again.
            addRow(dialog->tblItems, dialog->btnAddItem, {QStringLiteral("其他")});
            QVERIFY(dialog->lblItemsTotal->text().contains(QStringLiteral("另有 1 行")));
            QTest::mouseClick(dialog->btnRemoveItem, Qt::LeftButton);
            QCOMPARE(dialog->tblItems->rowCount(), 2);
            QCOMPARE(dialog->lblItemsTotal->text(), QStringLiteral("-20.00"));

            QTest::mouseClick(dialog->chkAlternative, Qt::LeftButton, {},
                              QPoint(8, dialog->chkAlternative->height() / 2));
            QVERIFY(dialog->grpAlternative->isVisible());
            addRow(dialog->tblEvidence, dialog->btnAddEvidence,
                   {kReceipt, QStringLiteral("600"), QStringLiteral("2027-01-20"),
                    QStringLiteral("SK-01")});
            QCOMPARE(dialog->edtCovered->text(), QStringLiteral("600.00"));
            QCOMPARE(dialog->cbbConclusion->currentText(), QStringLiteral("部分确认"));
            addRow(dialog->tblEvidence, dialog->btnAddEvidence,
                   {kShipping, QStringLiteral("500"), QString(), QStringLiteral("FH-7")});
            // Capped at the book amount, the conclusion following.
            QCOMPARE(dialog->edtCovered->text(), QStringLiteral("1000.00"));
            QCOMPARE(dialog->cbbConclusion->currentText(), QStringLiteral("替代程序确认"));
            dialog->edtAlternativeNote->setText(QStringLiteral("核对了期后银行回单和发货单"));
            QTest::mouseClick(dialog->btnSave, Qt::LeftButton);
        });
        QTest::mouseClick(window.btnReconcile, Qt::LeftButton);
        QVERIFY(shown);
        QCOMPARE(prompts.errors(), QStringList());

        const QList<ReconcilingItem> items{
            {kInTransit, -1500, QDate(2027, 1, 5), QStringLiteral("YH-0105"),
             QStringLiteral("1月5日银行到账")},
            {QStringLiteral("记账差错"), -500, QDate(), QString(), QString()}};
        AlternativeProcedure procedure;
        procedure.evidence = {{kReceipt, 60000, QDate(2027, 1, 20), QStringLiteral("SK-01")},
                              {kShipping, 50000, QDate(), QStringLiteral("FH-7")}};
        procedure.coveredCents = 100000;
        procedure.conclusion = QStringLiteral("替代程序确认");
        procedure.note = QStringLiteral("核对了期后银行回单和发货单");
        {
            const auto reread = LedgerStore::open(path);
            QCOMPARE(reread->reconcilingItems(number(1)), items);
            QCOMPARE(reread->alternativeProcedure(number(1)), std::optional(procedure));
            QCOMPARE(reread->letter(number(1))->value(LetterField::Result),
                     QStringLiteral("调节后相符"));
        }
        // The letters and the tab read the ledger again.
        QCOMPARE(window.letters()->letterAt(0)->value(LetterField::Result),
                 QStringLiteral("调节后相符"));
        QCOMPARE(Evaluation::lines(window.tabEvaluation->result()),
                 Evaluation::lines(Evaluation::evaluate(Evaluation::inputOf(*store))));

        // Shown again as kept; saved unchanged, nothing more is logged.
        const qsizetype logged = reconciliationEntries(*store);
        ReconciliationDialog again(&window, *store, *store->letter(number(1)), chinese());
        QCOMPARE(again.tblItems->rowCount(), 2);
        QCOMPARE(again.tblItems->item(0, 1)->text(), QStringLiteral("-15.00"));
        QCOMPARE(again.tblItems->item(0, 2)->text(), QStringLiteral("2027-01-05"));
        QCOMPARE(again.tblItems->kindBox(1)->currentText(), QStringLiteral("记账差错"));
        QVERIFY(again.chkAlternative->isChecked());
        QCOMPARE(again.tblEvidence->rowCount(), 2);
        QCOMPARE(again.edtCovered->text(), QStringLiteral("1000.00"));
        QCOMPARE(again.cbbConclusion->currentText(), QStringLiteral("替代程序确认"));
        QCOMPARE(again.lblDifferenceAfter->text(), QStringLiteral("0.00"));
        QTest::mouseClick(again.btnSave, Qt::LeftButton);
        QCOMPARE(again.result(), int(QDialog::Accepted));
        QCOMPARE(reconciliationEntries(*store), logged);

        // The procedure taken off, the items kept.
        ReconciliationDialog off(&window, *store, *store->letter(number(1)), chinese());
        off.chkAlternative->setChecked(false);
        QTest::mouseClick(off.btnSave, Qt::LeftButton);
        QCOMPARE(prompts.errors(), QStringList());
        QCOMPARE(store->alternativeProcedure(number(1)), std::nullopt);
        QCOMPARE(store->reconcilingItems(number(1)), items);
    }

    // A row that does not read stops the save with one error box, takes the user to it,
    // and nothing is written: not even the rows before it, nor the other list.
    void badRowsWriteNothing_data()
    {
        QTest::addColumn<QList<QStringList>>("items");
        QTest::addColumn<QList<QStringList>>("evidence"); // none: no procedure
        QTest::addColumn<QString>("covered");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("table"); // where the user is taken back to
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        const QStringList good{kInTransit, QStringLiteral("-15")};
        const QList<QStringList> none;
        QTest::newRow("item without an amount")
            << QList<QStringList>{good,
                                  {QStringLiteral("争议"), QString(), QString(),
                                   QStringLiteral("ZY-1")}}
            << none << ""
            << "第 2 行调节项没有金额"
            << "tblItems" << 1 << 1;
        QTest::newRow("item dated 2027-13-45")
            << QList<QStringList>{{kInTransit, QStringLiteral("-15"), QStringLiteral("2027-13-45")}}
            << QList<QStringList>{{kReceipt, QStringLiteral("100")}} << ""
            << "第 1 行调节项日期“2027-13-45”不是日期"
            << "tblItems" << 0 << 2;
        QTest::newRow("evidence dated 2027-13-45")
            << QList<QStringList>{good}
            << QList<QStringList>{{kReceipt, QStringLiteral("100"), QStringLiteral("2027-13-45")}}
            << ""
            << "第 1 行证据日期“2027-13-45”不是日期"
            << "tblEvidence" << 0 << 2;
        QTest::newRow("evidence negative") << none
                                           << QList<QStringList>{{kReceipt, QStringLiteral("100")},
                                                                 {kShipping, QStringLiteral("-1")}}
                                           << ""
                                           << "第 2 行证据金额“-1”不是金额"
                                           << "tblEvidence" << 1 << 1;
        QTest::newRow("covered no amount")
            << QList<QStringList>{good} << QList<QStringList>{{kReceipt, QStringLiteral("100")}}
            << "1OO"
            << "确认金额“1OO”不是金额"
            << "" << -1 << -1;
    }
    void badRowsWriteNothing()
    {
        QFETCH(QList<QStringList>, items);
        QFETCH(QList<QStringList>, evidence);
        QFETCH(QString, covered);
        QFETCH(QString, message);
        QFETCH(QString, table);
        QFETCH(int, row);
        QFETCH(int, column);
        FakePrompts prompts;
        auto store = LedgerStore::open(freshLedger());
        const qint64 logSize = store->logSize();
        ReconciliationDialog dialog(nullptr, *store, *store->letter(number(1)), chinese());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        for (const QStringList &texts : items)
            addRow(dialog.tblItems, dialog.btnAddItem, texts);
        if (!evidence.isEmpty()) {
            dialog.chkAlternative->setChecked(true);
            for (const QStringList &texts : evidence)
                addRow(dialog.tblEvidence, dialog.btnAddEvidence, texts);
        }
        if (!covered.isEmpty()) {
            dialog.edtCovered->setFocus();
            dialog.edtCovered->selectAll();
            QTest::keyClicks(dialog.edtCovered, covered);
        }
        QTest::mouseClick(dialog.btnSave, Qt::LeftButton);
        QCOMPARE(prompts.errors(), QStringList{message + QLatin1Char('.')});
        QVERIFY(dialog.isVisible());
        QCOMPARE(store->logSize(), logSize);
        QCOMPARE(store->reconcilingItems(number(1)), QList<ReconcilingItem>());
        QCOMPARE(store->alternativeProcedure(number(1)), std::nullopt);
        QCOMPARE(dialog.tblItems->rowCount(), items.size());
        if (!table.isEmpty()) {
            auto *refused = dialog.findChild<KindRowsTable *>(table);
            QCOMPARE(refused->currentRow(), row);
            QCOMPARE(refused->currentColumn(), column);
        }
        // Put right, the same input saves.
        if (covered.isEmpty() && !table.isEmpty()) {
            auto *refused = dialog.findChild<KindRowsTable *>(table);
            typeInto(refused, row, column,
                     column == 2 ? QStringLiteral("2027-01-31") : QStringLiteral("12.5"));
        } else {
            dialog.edtCovered->clear();
        }
        QTest::mouseClick(dialog.btnSave, Qt::LeftButton);
        QCOMPARE(prompts.errors(), QStringList{message + QLatin1Char('.')});
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(store->reconcilingItems(number(1)).size(), items.size());
    }

    // The ledger refuses a procedure covering more than the book amount: its message, the
    // dialog open with what was typed, and the items, good as they are, not written either.
    void refusalKeepsTheInput()
    {
        FakePrompts prompts;
        auto store = LedgerStore::open(freshLedger());
        const qint64 logSize = store->logSize();
        ReconciliationDialog dialog(nullptr, *store, *store->letter(number(2)), chinese());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.lblReply->text(), QStringLiteral("（尚未填写）"));
        QCOMPARE(dialog.lblDifferenceAfter->text(), QStringLiteral("尚无回函金额，不能计算"));
        addRow(dialog.tblItems, dialog.btnAddItem, {kInTransit, QStringLiteral("-15")});
        dialog.chkAlternative->setChecked(true);
        addRow(dialog.tblEvidence, dialog.btnAddEvidence, {kReceipt, QStringLiteral("1500")});
        QCOMPARE(dialog.edtCovered->text(), QStringLiteral("1000.00"));
        dialog.edtCovered->selectAll();
        QTest::keyClicks(dialog.edtCovered, QStringLiteral("1500"));
        dialog.cbbConclusion->setCurrentText(QStringLiteral("替代程序确认"));
        QTest::mouseClick(dialog.btnSave, Qt::LeftButton);
        QCOMPARE(prompts.errors().size(), 1);
        QVERIFY(!prompts.errors()[0].isEmpty());
        QVERIFY(dialog.isVisible());
        QCOMPARE(store->logSize(), logSize);
        QCOMPARE(store->reconcilingItems(number(2)), QList<ReconcilingItem>());
        QCOMPARE(store->alternativeProcedure(number(2)), std::nullopt);
        QCOMPARE(dialog.tblItems->item(0, 1)->text(), QStringLiteral("-15"));
        QCOMPARE(dialog.tblEvidence->item(0, 1)->text(), QStringLiteral("1500"));
        QCOMPARE(dialog.edtCovered->text(), QStringLiteral("1500"));

        // Escape, meant for a cell, would drop it all: the user is asked first.
        prompts.answerOk = false;
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(prompts.shown.last().kind, QStringLiteral("ask"));
        QVERIFY(dialog.isVisible());
        prompts.answerOk = true;
        QTest::mouseClick(dialog.btnCancel, Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(store->logSize(), logSize);
    }

    void evaluationTab()
    {
        FakePrompts prompts;
        ShownLedger opened(freshLedger());
        auto &store = opened.store;
        LedgerWindow &window = opened.window;
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        EvaluationPage *page = window.tabEvaluation;
        window.tabs->setCurrentWidget(page);
        QCOMPARE(page->edtTolerance->text(), QStringLiteral("0.00"));
        QVERIFY(page->lblStatement->isVisible());
        QCOMPARE(page->tblJudged->model()->rowCount(), page->result().judged.size());
        QCOMPARE(page->tblLines->model()->rowCount(), Evaluation::lines(page->result()).size());

        page->edtTolerance->selectAll();
        QTest::keyClicks(page->edtTolerance, QStringLiteral("abc"));
        QTest::mouseClick(page->btnApplyTolerance, Qt::LeftButton);
        QCOMPARE(prompts.errors(), QStringList{QStringLiteral("调节容差“abc”不是金额.")});
        QCOMPARE(store->toleranceCents(), 0);
        QCOMPARE(page->edtTolerance->text(), QStringLiteral("abc"));
        page->edtTolerance->selectAll();
        QTest::keyClicks(page->edtTolerance, QStringLiteral("-1"));
        QTest::keyClick(page->edtTolerance, Qt::Key_Return);
        QCOMPARE(prompts.errors().last(), QStringLiteral("调节容差“-1”不是金额."));
        QCOMPARE(store->toleranceCents(), 0);

        // Within 5.00 the letter answered with 980.00 and items of -16.00 is agreed.
        store->setReconcilingItems(number(1), {{kInTransit, -1600, {}, {}, {}}});
        QCOMPARE(store->letter(number(1))->value(LetterField::Result), QStringLiteral("不符"));
        page->edtTolerance->selectAll();
        QTest::keyClicks(page->edtTolerance, QStringLiteral("5"));
        QTest::mouseClick(page->btnApplyTolerance, Qt::LeftButton);
        QCOMPARE(prompts.errors().size(), 2);
        QCOMPARE(store->toleranceCents(), 500);
        QCOMPARE(page->edtTolerance->text(), QStringLiteral("5.00"));
        const int first = window.letters()->rowOf(store->letter(number(1))->id);
        QCOMPARE(window.letters()->letterAt(first)->value(LetterField::Result),
                 QStringLiteral("调节后相符"));
        QCOMPARE(Evaluation::lines(page->result()),
                 Evaluation::lines(Evaluation::evaluate(Evaluation::inputOf(*store))));

        // A reply amount typed in the letters table: the tab reads the ledger again.
        const int row = window.letters()->rowOf(store->letter(number(3))->id);
        window.letters()->setValue(row, LetterField::ReplyAmount, QStringLiteral("1000"));
        QCOMPARE(Evaluation::lines(page->result()),
                 Evaluation::lines(Evaluation::evaluate(Evaluation::inputOf(*store))));
        QCOMPARE(page->result().judged.size(),
                 Evaluation::evaluate(Evaluation::inputOf(*store)).judged.size());
    }
};

int main(int argc, char *argv[])
{
    Application app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    app.setQuitOnLastWindowClosed(false);
    TestReconciliationWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_reconciliation_window.moc"

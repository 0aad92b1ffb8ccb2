// The ledger in the desktop program, on real ledger files: new and open through the menu,
// the status bar, the ledger opened again at start, files refused, read-only ledgers, the
// ledger window's filters, edits, voids, history and log.

#include "app/Application.h"
#include "app/LedgerFiles.h"
#include "app/LedgerWindow.h"
#include "app/PartiesDialog.h"
#include "app/RiskFlagsPage.h"
#include "app/Tfrmmain.h"
#include "control/LedgerLetterModel.h"
#include "control/LedgerLogModel.h"
#include "ledger/LedgerStore.h"
#include "support/FakePrompts.h"
#include "support/LedgerFixtures.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <sys/stat.h>

namespace {

// A ledger of 'count' letters, one run; the customers 杭州第n公司, numbers HZ2026-000n.
QString ledgerWith(const QTemporaryDir &dir, const QString &name, int count)
{
    const QString path = dir.filePath(name);
    auto ledger = LedgerStore::create(path, QStringLiteral("审计2026"));
    if (count > 0)
        ledger->recordRun(ledgerRun(), ledgerPages(1, count));
    return path;
}

LedgerWindow *ledgerWindowOf(Tfrmmain &window)
{
    window.mniLedger->trigger();
    return window.findChild<LedgerWindow *>();
}

// The ledger at 'path' opened in the main window, and its window shown.
LedgerWindow *ledgerWindowOn(Tfrmmain &window, const QString &path)
{
    window.openLedger(path);
    return ledgerWindowOf(window);
}

int rowOfNumber(const LedgerLetterModel &model, const QString &number)
{
    for (int row = 0; row < model.rowCount(); ++row)
        if (model.index(row, LedgerLetterModel::Number).data().toString() == number)
            return row;
    return -1;
}

// Opens the cell's editor with F2, as a user does; null when none opened.
QLineEdit *openCellEditor(QTableView *view, const QModelIndex &index)
{
    view->setCurrentIndex(index);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_F2);
    return view->viewport()->findChild<QLineEdit *>();
}

// Types into the cell's editor and presses Enter, as a user does.
void typeIntoCell(QTableView *view, const QModelIndex &index, const QString &text)
{
    QLineEdit *editor = openCellEditor(view, index);
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    // The delegate commits on Enter through a queued call.
    QTRY_VERIFY(!view->viewport()->findChild<QLineEdit *>());
}

} // namespace

class TestLedgerWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase() { LedgerStore::setUserName(QStringLiteral("审计员甲")); }
    void init() { LedgerFiles::forget(); }
    void cleanup()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(Application::escapedErrors(), 0);
    }

    void newAndOpenThroughTheMenu()
    {
        FakePrompts prompts;
        Tfrmmain window;
        QVERIFY(!window.mniLedger->isEnabled());
        QCOMPARE(window.statLedger->text(), QString());

        // Cancelled at the name, then at the engagement: nothing is made.
        window.mniNewLedger->trigger();
        prompts.openAnswers = {m_dir.filePath(QStringLiteral("审计2026"))};
        window.mniNewLedger->trigger();
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("审计2026.rvledger"))));
        QCOMPARE(window.ledger(), nullptr);

        prompts.shown.clear();
        prompts.openAnswers = {m_dir.filePath(QStringLiteral("审计2026"))};
        prompts.textAnswers = {QStringLiteral(" 甲公司2026年报 ")};
        window.mniNewLedger->trigger();
        QCOMPARE(prompts.errors(), QStringList());
        QCOMPARE(prompts.shown[1].kind, QStringLiteral("text"));
        QCOMPARE(prompts.shown[1].text, QStringLiteral("审计2026")); // the file's name offered
        QVERIFY(window.ledger());
        const QString made = m_dir.filePath(QStringLiteral("审计2026.rvledger"));
        QCOMPARE(window.ledger()->path(), made);
        QCOMPARE(window.ledger()->engagement(), QStringLiteral("甲公司2026年报"));
        QCOMPARE(window.statLedger->text(),
                 QStringLiteral("函证台账：审计2026.rvledger（0 封询证函）"));
        QVERIFY(window.mniLedger->isEnabled());
        QCOMPARE(LedgerFiles::last(), made);

        // The same name again is refused, the ledger open stays open.
        prompts.openAnswers = {made};
        prompts.textAnswers = {QStringLiteral("乙")};
        window.mniNewLedger->trigger();
        QCOMPARE(prompts.errors().size(), 1);
        QVERIFY2(prompts.errors()[0].contains(QStringLiteral("已存在")),
                 qPrintable(prompts.errors()[0]));
        QCOMPARE(window.ledger()->path(), made);

        // Another ledger opened through the dialog takes its place.
        const QString other = ledgerWith(m_dir, QStringLiteral("乙.rvledger"), 12);
        prompts.openAnswers = {other};
        window.mniOpenLedger->trigger();
        QCOMPARE(prompts.filterSeen, QStringLiteral("函证台账 (*.rvledger)"));
        QCOMPARE(window.ledger()->path(), other);
        QCOMPARE(window.statLedger->text(), QStringLiteral("函证台账：乙.rvledger（12 封询证函）"));
        QCOMPARE(LedgerFiles::last(), other);
        QCOMPARE(prompts.errors().size(), 1);
    }

    // Files the store refuses: the message in the error box, the ledger open kept.
    void refusedFilesKeepTheLedgerOpen_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("message");
        QTest::newRow("damaged") << "damaged"
                                 << "不是函证台账文件（或已损坏）";
        QTest::newRow("newer") << "newer"
                               << "由较新版本的程序建立（结构版本 99）";
        QTest::newRow("missing") << "missing"
                                 << "找不到函证台账";
        QTest::newRow("cut short") << "truncated"
                                   << "不完整";
    }
    void refusedFilesKeepTheLedgerOpen()
    {
        QFETCH(QString, how);
        QFETCH(QString, message);
        FakePrompts prompts;
        Tfrmmain window;
        const QString good = ledgerWith(m_dir, QStringLiteral("好-%1.rvledger").arg(how), 3);
        window.openLedger(good);
        const QString bad = m_dir.filePath(QStringLiteral("坏-%1.rvledger").arg(how));
        if (how == QLatin1String("damaged")) {
            QFile file(bad);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(4096, '\x5a'));
        } else if (how == QLatin1String("newer")) {
            ledgerWith(m_dir, QFileInfo(bad).fileName(), 1);
            tamper(bad,
                   {QStringLiteral("UPDATE meta SET value = '99' WHERE key = 'schema_version'")});
        } else if (how == QLatin1String("truncated")) {
            ledgerWith(m_dir, QFileInfo(bad).fileName(), 40);
            QFile file(bad);
            QVERIFY(file.resize(file.size() / 2 + 1));
        }
        prompts.openAnswers = {bad};
        window.mniOpenLedger->trigger();
        QCOMPARE(prompts.errors().size(), 1);
        QVERIFY2(prompts.errors()[0].contains(message), qPrintable(prompts.errors()[0]));
        QCOMPARE(window.ledger()->path(), good);
        QCOMPARE(LedgerFiles::last(), good);
        QCOMPARE(window.statLedger->text(),
                 QStringLiteral("函证台账：好-%1.rvledger（3 封询证函）").arg(how));
    }

    void readOnlyLedgersAreShownNotChanged()
    {
        FakePrompts prompts;
        const QString path = ledgerWith(m_dir, QStringLiteral("只读.rvledger"), 3);
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0444) == 0);
        const auto restore =
            qScopeGuard([&] { ::chmod(QFile::encodeName(path).constData(), 0644); });
        const QByteArray before = [&] {
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            return file.readAll();
        }();
        Tfrmmain window;
        prompts.openAnswers = {path};
        window.mniOpenLedger->trigger();
        QCOMPARE(prompts.errors(), QStringList());
        QCOMPARE(prompts.shown.last().kind, QStringLiteral("inform"));
        QVERIFY(
            prompts.shown.last().text.contains(QStringLiteral("以只读方式打开（文件是只读的）")));
        QCOMPARE(window.statLedger->text(),
                 QStringLiteral("函证台账：只读.rvledger（3 封询证函）（只读）"));

        LedgerWindow *ledger = ledgerWindowOf(window);
        QVERIFY(ledger);
        QVERIFY(ledger->lblReadOnly->isVisibleTo(ledger));
        QVERIFY(!ledger->btnVoid->isEnabled());
        QCOMPARE(ledger->tblLetters->editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(ledger->letters()->rowCount(), 3); // everything is shown
        const QModelIndex amount =
            ledger->letters()->index(0, LedgerLetterModel::columnOf(LetterField::ReplyAmount));
        QVERIFY(!(ledger->letters()->flags(amount) & Qt::ItemIsEditable));
        // Asked all the same, the store refuses and says why.
        QVERIFY(!ledger->letters()->setData(amount, QStringLiteral("5")));
        QCOMPARE(prompts.errors().size(), 1);
        QVERIFY(prompts.errors()[0].contains(QStringLiteral("只读")));
        QCOMPARE(amount.data().toString(), QString());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll() == before);
    }

    void lastLedgerOpensAtStart()
    {
        FakePrompts prompts;
        const QString first = ledgerWith(m_dir, QStringLiteral("上次.rvledger"), 2);
        const QString named = ledgerWith(m_dir, QStringLiteral("命令行.rvledger"), 1);
        {
            Tfrmmain window;
            window.openLedger(first);
        }
        {
            Tfrmmain window;
            window.openLedgerAtStart(QString());
            QVERIFY(window.ledger());
            QCOMPARE(window.ledger()->path(), first);
            QCOMPARE(window.statLedger->text(),
                     QStringLiteral("函证台账：上次.rvledger（2 封询证函）"));
        }
        {
            // The command line's ledger comes first and is remembered in its place.
            Tfrmmain window;
            window.openLedgerAtStart(named);
            QCOMPARE(window.ledger()->path(), named);
            QCOMPARE(LedgerFiles::last(), named);
        }
        // Gone since: said once, quietly, and forgotten.
        QVERIFY(QFile::remove(named));
        {
            Tfrmmain window;
            window.openLedgerAtStart(QString());
            QCOMPARE(window.ledger(), nullptr);
            QCOMPARE(prompts.errors(), QStringList());
            QVERIFY2(window.stat1->currentMessage().contains(QStringLiteral("找不到函证台账")),
                     qPrintable(window.stat1->currentMessage()));
            QCOMPARE(LedgerFiles::last(), QString());
        }
        {
            Tfrmmain window;
            window.openLedgerAtStart(QString());
            QCOMPARE(window.stat1->currentMessage(), QString());
        }
    }

    // The filters together, over more letters than one read brings, and the count shown.
    void filtersAndSearch()
    {
        FakePrompts prompts;
        const QString path = m_dir.filePath(QStringLiteral("筛选.rvledger"));
        {
            auto ledger = LedgerStore::create(path, QStringLiteral("E"));
            ledger->recordRun(ledgerRun(QStringLiteral("/tmp/甲.pdf")), ledgerPages(1, 300));
            QList<SentPage> second = ledgerPages(301, 5);
            for (SentPage &page : second)
                page.identity.templateName = QStringLiteral("预收帐款确认函");
            ledger->recordRun(ledgerRun(QStringLiteral("/tmp/乙.pdf")), second);
            ledger->setValues(ledgerLetter(7).number,
                              {{LetterField::Result, QStringLiteral("不符")}});
            ledger->setValues(ledgerLetter(302).number,
                              {{LetterField::Result, QStringLiteral("相符")}});
        }
        Tfrmmain window;
        LedgerWindow *ledger = ledgerWindowOn(window, path);
        LedgerLetterModel *model = ledger->letters();
        QCOMPARE(model->rowCount(), 305);
        QCOMPARE(model->index(250, LedgerLetterModel::Number).data().toString(),
                 ledgerLetter(251).number);
        QCOMPARE(model->index(250, LedgerLetterModel::Amount).data().toString(),
                 QStringLiteral("1,000.00"));
        QCOMPARE(ledger->cbbTemplate->count(), 3);
        QCOMPARE(ledger->cbbRun->count(), 3);

        // The window opens in its letters, and the wheel passing over a filter the user is
        // not in leaves it, and the list, alone.
        QCOMPARE(ledger->focusWidget(), ledger->tblLetters);
        for (QComboBox *filter : {ledger->cbbState, ledger->cbbTemplate, ledger->cbbRun}) {
            QWheelEvent wheel(QPointF(5, 5), filter->mapToGlobal(QPointF(5, 5)), QPoint(),
                              QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                              false);
            QApplication::sendEvent(filter, &wheel);
            QCOMPARE(filter->currentIndex(), 0);
        }
        QCOMPARE(model->rowCount(), 305);
        QVERIFY(ledger->cbbRun->itemText(2).contains(QStringLiteral("/tmp/乙.pdf（5 封）")));

        auto shown = [&] {
            QStringList numbers;
            for (int row = 0; row < model->rowCount(); ++row)
                numbers.append(model->index(row, 0).data().toString().right(4));
            return numbers.join(QLatin1Char(' '));
        };
        ledger->cbbState->setCurrentText(QStringLiteral("不符"));
        QCOMPARE(shown(), QStringLiteral("0007"));
        ledger->cbbState->setCurrentText(QStringLiteral("相符"));
        QCOMPARE(shown(), QStringLiteral("0302"));
        ledger->cbbState->setCurrentIndex(0);
        ledger->cbbTemplate->setCurrentText(QStringLiteral("预收帐款确认函"));
        QCOMPARE(shown(), QStringLiteral("0301 0302 0303 0304 0305"));
        ledger->cbbState->setCurrentText(QStringLiteral("已发函"));
        QCOMPARE(shown(), QStringLiteral("0301 0303 0304 0305"));
        ledger->cbbState->setCurrentIndex(0);
        ledger->cbbTemplate->setCurrentIndex(0);
        ledger->cbbRun->setCurrentIndex(1);
        QCOMPARE(model->rowCount(), 300);
        ledger->edtSearch->setText(QStringLiteral("第29"));
        QCOMPARE(shown(), QStringLiteral("0029 0290 0291 0292 0293 0294 0295 0296 0297 0298 0299"));
        ledger->edtSearch->setText(QStringLiteral("hz2026-0030"));
        QCOMPARE(shown(), QStringLiteral("0030"));
        QCOMPARE(ledger->lblCount->text(),
                 QStringLiteral("显示 1 封询证函（台账中有效的共 305 封）"));
        ledger->cbbRun->setCurrentIndex(2);
        QCOMPARE(shown(), QString());
    }

    // Edits in the table go to the ledger and its log; a value refused shows in the error
    // box and the cell keeps what the ledger holds.
    void editsReachTheLedger()
    {
        FakePrompts prompts;
        const QString path = ledgerWith(m_dir, QStringLiteral("修改.rvledger"), 3);
        Tfrmmain window;
        LedgerWindow *ledger = ledgerWindowOn(window, path);
        QVERIFY(QTest::qWaitForWindowExposed(ledger));
        LedgerLetterModel *model = ledger->letters();
        const int row = rowOfNumber(*model, ledgerLetter(2).number);
        const QModelIndex amount =
            model->index(row, LedgerLetterModel::columnOf(LetterField::ReplyAmount));
        const qint64 logBefore = window.ledger()->logSize();

        typeIntoCell(ledger->tblLetters, amount, QStringLiteral("12x"));
        QCOMPARE(prompts.errors().size(), 1);
        QVERIFY(prompts.errors()[0].startsWith(QStringLiteral("回函金额“12x”不是数字")));
        QCOMPARE(amount.data().toString(), QString());
        QCOMPARE(window.ledger()->logSize(), logBefore);
        // The cell has the keyboard again, to type the amount anew.
        QTRY_COMPARE(ledger->tblLetters->currentIndex(), amount);
        QTRY_VERIFY(ledger->tblLetters->hasFocus());

        typeIntoCell(ledger->tblLetters, amount, QStringLiteral("1234.5"));
        QCOMPARE(prompts.errors().size(), 1);
        QCOMPARE(amount.data().toString(), QStringLiteral("1,234.50"));
        QCOMPARE(window.ledger()->letter(ledgerLetter(2).number)->value(LetterField::ReplyAmount),
                 QStringLiteral("1234.50"));
        const LogEntry last = window.ledger()->log().last();
        QCOMPARE(last.subject, ledgerLetter(2).number);
        QCOMPARE(last.field, QStringLiteral("回函金额"));
        QCOMPARE(last.newValue, QStringLiteral("1234.50"));
        QCOMPARE(last.user, QStringLiteral("审计员甲"));
        // The letter's history below the table shows the change.
        QCOMPARE(ledger->history()
                     ->index(ledger->history()->rowCount() - 1, LedgerLogModel::NewValue)
                     .data()
                     .toString(),
                 QStringLiteral("1234.50"));

        // A date set on the date editor is kept as yyyy-MM-dd; a wrong one, given past the
        // editor, is refused.
        const QModelIndex sent =
            model->index(row, LedgerLetterModel::columnOf(LetterField::SendDate));
        ledger->tblLetters->setCurrentIndex(sent);
        ledger->tblLetters->edit(sent);
        auto *date = ledger->tblLetters->viewport()->findChild<QDateEdit *>();
        QVERIFY(date);
        date->setDate(QDate(2027, 1, 5));
        QTest::keyClick(date, Qt::Key_Return);
        QTRY_VERIFY(!ledger->tblLetters->viewport()->findChild<QDateEdit *>());
        QCOMPARE(sent.data().toString(), QStringLiteral("2027-01-05"));
        QVERIFY(!model->setData(sent, QStringLiteral("2027-02-30")));
        QCOMPARE(prompts.errors().size(), 2);
        QCOMPARE(sent.data().toString(), QStringLiteral("2027-01-05"));

        // The result is picked from the list; the state follows it.
        const QModelIndex result =
            model->index(row, LedgerLetterModel::columnOf(LetterField::Result));
        ledger->tblLetters->setCurrentIndex(result);
        ledger->tblLetters->edit(result);
        auto *combo = ledger->tblLetters->findChild<QComboBox *>(QStringLiteral("cbbResult"));
        QVERIFY(combo);
        QCOMPARE(combo->count(), LedgerStore::results().size() + 1);
        // An arrow opens the list instead of keeping the first result passed.
        QTest::keyClick(combo, Qt::Key_Down);
        QTRY_VERIFY(combo->view()->isVisible());
        QCOMPARE(result.data().toString(), QString());
        combo->hidePopup();
        combo->setCurrentText(QStringLiteral("相符"));
        emit combo->activated(combo->currentIndex());
        QCOMPARE(result.data().toString(), QStringLiteral("相符"));
        QCOMPARE(model->index(row, LedgerLetterModel::State).data().toString(),
                 QStringLiteral("相符"));
        QCOMPARE(window.ledger()->letter(ledgerLetter(2).number)->state(), QStringLiteral("相符"));
        QVERIFY(window.ledger()->verify().ok);
        QCOMPARE(prompts.errors().size(), 2);
    }

    void voidingAsksForAReason()
    {
        FakePrompts prompts;
        const QString path = ledgerWith(m_dir, QStringLiteral("作废.rvledger"), 3);
        Tfrmmain window;
        LedgerWindow *ledger = ledgerWindowOn(window, path);
        LedgerLetterModel *model = ledger->letters();

        ledger->btnVoid->click(); // nothing selected
        QCOMPARE(prompts.errors().size(), 1);
        QVERIFY(prompts.errors()[0].startsWith(QStringLiteral("请先在列表中选择要作废的询证函")));
        const int row = rowOfNumber(*model, ledgerLetter(3).number);
        ledger->tblLetters->setCurrentIndex(model->index(row, 0));
        ledger->btnVoid->click(); // cancelled
        QVERIFY(!window.ledger()->lettersNumbered(ledgerLetter(3).number)[0].voided.isValid());
        prompts.textAnswers = {QStringLiteral("  ")};
        ledger->btnVoid->click();
        QVERIFY(prompts.errors().last().startsWith(QStringLiteral("请写明作废的原因")));
        prompts.textAnswers = {QStringLiteral("客户地址有误")};
        ledger->btnVoid->click();
        QCOMPARE(prompts.shown.last().text, QString()); // asked with nothing filled in
        const LedgerLetter voided = window.ledger()->lettersNumbered(ledgerLetter(3).number)[0];
        QVERIFY(voided.voided.isValid());
        QCOMPARE(voided.voidReason, QStringLiteral("客户地址有误"));
        QCOMPARE(model->index(row, LedgerLetterModel::State).data().toString(),
                 QStringLiteral("已作废"));
        QVERIFY(
            !(model->flags(model->index(row, LedgerLetterModel::FirstField)) & Qt::ItemIsEditable));
        QCOMPARE(window.statLedger->text(),
                 QStringLiteral("函证台账：作废.rvledger（2 封询证函）"));
        QCOMPARE(ledger->history()
                     ->index(ledger->history()->rowCount() - 1, LedgerLogModel::Action)
                     .data()
                     .toString(),
                 QStringLiteral("作废"));
        ledger->btnVoid->click(); // once only
        QVERIFY(prompts.errors().last().contains(QStringLiteral("已于")));
    }

    // A dispatch list taken in through 导入…, then the register written by 导出函证控制表….
    void importAndExportFromTheWindow()
    {
        FakePrompts prompts;
        const QString path = ledgerWith(m_dir, QStringLiteral("导入.rvledger"), 3);
        Tfrmmain window;
        LedgerWindow *ledger = ledgerWindowOn(window, path);
        const QString list = m_dir.filePath(QStringLiteral("发函清单.csv"));
        QFile csv(list);
        QVERIFY(csv.open(QIODevice::WriteOnly));
        csv.write(
            QStringLiteral("函证编号,发函方式,快递单号\n%1,快递,SF100\n%2,邮寄,EMS200\n合计,,\n")
                .arg(ledgerLetter(1).number, ledgerLetter(2).number)
                .toUtf8());
        csv.close();
        prompts.openAnswers = {list};
        ledger->btnImport->click();
        QVERIFY(prompts.errors().isEmpty());
        QVERIFY2(prompts.shown.last().text.contains(QStringLiteral("合计")),
                 qPrintable(prompts.shown.last().text));
        const int row = rowOfNumber(*ledger->letters(), ledgerLetter(2).number);
        QCOMPARE(ledger->letters()
                     ->index(row, LedgerLetterModel::FirstField + int(LetterField::Waybill))
                     .data()
                     .toString(),
                 QStringLiteral("EMS200"));
        QCOMPARE(window.ledger()->log(ledgerLetter(1).number).last().action,
                 QStringLiteral("导入"));

        const QString out = m_dir.filePath(QStringLiteral("台账控制表.xlsx"));
        prompts.openAnswers = {out};
        ledger->btnExport->click();
        QVERIFY(prompts.errors().isEmpty());
        QVERIFY(QFileInfo(out).size() > 0);
        QCOMPARE(prompts.shown.last().text,
                 QStringLiteral("已将函证台账“导入.rvledger”的 3 封询证函登记到“%1”。")
                     .arg(QDir::toNativeSeparators(out)));
    }

    // The whole log, and its check: passed, then failed after a change made outside.
    void logAndVerify()
    {
        FakePrompts prompts;
        const QString path = ledgerWith(m_dir, QStringLiteral("校验.rvledger"), 200);
        Tfrmmain window;
        LedgerWindow *ledger = ledgerWindowOn(window, path);
        ledger->tabs->setCurrentIndex(1);
        const qint64 entries = window.ledger()->logSize();
        QCOMPARE(ledger->log()->rowCount(), int(entries));
        QCOMPARE(ledger->log()->index(int(entries) - 1, LedgerLogModel::Id).data().toString(),
                 QString::number(entries));
        const QList<LogEntry> log = window.ledger()->log();
        for (int row : {0, 127, 128, 150, int(entries) - 1})
            QCOMPARE(ledger->log()->index(row, LedgerLogModel::Subject).data().toString(),
                     log[row].subject);
        ledger->btnVerify->click();
        QCOMPARE(prompts.errors(), QStringList());
        QCOMPARE(prompts.shown.last().kind, QStringLiteral("inform"));
        QVERIFY(prompts.shown.last().text.startsWith(
            QStringLiteral("校验通过：%1 条操作记录").arg(entries)));

        tamper(path, {QStringLiteral("UPDATE letters SET cents = 1 WHERE number = 'HZ2026-0009'")});
        ledger->btnVerify->click();
        QCOMPARE(prompts.errors().size(), 1);
        QVERIFY2(prompts.errors()[0].startsWith(QStringLiteral("校验未通过：")),
                 qPrintable(prompts.errors()[0]));
        QVERIFY(prompts.errors()[0].startsWith(ledger->lblVerify->text()));
    }

    // Changes made elsewhere (a print run) show once the main window is told.
    void changesElsewhereShow()
    {
        FakePrompts prompts;
        const QString path = ledgerWith(m_dir, QStringLiteral("别处.rvledger"), 2);
        Tfrmmain window;
        LedgerWindow *ledger = ledgerWindowOn(window, path);
        ledger->cbbState->setCurrentText(QStringLiteral("已发函"));
        window.ledger()->recordRun(ledgerRun(QStringLiteral("打印机乙")), ledgerPages(3, 4));
        window.ledgerChanged();
        QCOMPARE(window.statLedger->text(),
                 QStringLiteral("函证台账：别处.rvledger（6 封询证函）"));
        QCOMPARE(ledger->letters()->rowCount(), 6);
        QCOMPARE(ledger->cbbState->currentText(), QStringLiteral("已发函")); // filter kept
        QCOMPARE(ledger->cbbRun->count(), 3);
        // Another ledger opened: the window shows it.
        window.openLedger(ledgerWith(m_dir, QStringLiteral("另一个.rvledger"), 1));
        QCOMPARE(ledger->letters()->rowCount(), 1);
        QVERIFY(ledger->windowTitle().contains(QStringLiteral("另一个.rvledger")));
    }

    // A change from elsewhere that comes while the user types in a cell waits for the cell:
    // what is typed is neither lost nor saved over the other's change unseen.
    void aChangeElsewhereWaitsForTheCellBeingEdited()
    {
        FakePrompts prompts;
        const QString path = ledgerWith(m_dir, QStringLiteral("编辑中.rvledger"), 2);
        Tfrmmain window;
        LedgerWindow *ledger = ledgerWindowOn(window, path);
        QVERIFY(QTest::qWaitForWindowExposed(ledger));
        LedgerLetterModel *model = ledger->letters();
        const int row = rowOfNumber(*model, ledgerLetter(1).number);
        QLineEdit *editor = openCellEditor(
            ledger->tblLetters, model->index(row, LedgerLetterModel::columnOf(LetterField::Note)));
        QVERIFY(editor);
        editor->insert(QStringLiteral("已电话确认"));

        window.ledger()->recordRun(ledgerRun(QStringLiteral("打印机乙")), ledgerPages(3, 1));
        window.ledgerChanged();
        QCOMPARE(ledger->tblLetters->viewport()->findChild<QLineEdit *>(), editor);
        QCOMPARE(editor->text(), QStringLiteral("已电话确认"));
        QCOMPARE(model->rowCount(), 2);

        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(model->rowCount(), 3);
        QCOMPARE(window.ledger()->letter(ledgerLetter(1).number)->value(LetterField::Note),
                 QStringLiteral("已电话确认"));
        QVERIFY(prompts.errors().isEmpty());
    }

    void flagsTabShowsAndSelectsTheLetters()
    {
        FakePrompts prompts;
        const QString path = ledgerWith(m_dir, QStringLiteral("风险.rvledger"), 4);
        {
            auto store = LedgerStore::open(path);
            for (int n : {1, 3})
                store->setValues(ledgerLetter(n).number,
                                 {{LetterField::ReplyPhone, QStringLiteral("13800000000")}});
        }
        Tfrmmain window;
        LedgerWindow *ledger = ledgerWindowOn(window, path);
        auto *page = ledger->findChild<RiskFlagsPage *>(QStringLiteral("tabFlags"));
        QVERIFY(page);
        ledger->tabs->setCurrentWidget(page);
        QCOMPARE(page->tblFlags->model()->rowCount(), 1);
        QCOMPARE(page->tblFlags->model()->index(0, 0).data().toString(),
                 QStringLiteral("不同单位回函寄件电话相同"));
        QCOMPARE(page->tblFlags->model()->index(0, 2).data().toString(),
                 QStringLiteral("HZ2026-0001、HZ2026-0003"));
        QCOMPARE(page->lblFlags->text(), QStringLiteral("1 条风险提示，请逐条核实"));
        // The flag chosen selects its letters in the letters' table.
        page->tblFlags->setCurrentIndex(page->tblFlags->model()->index(0, 1));
        QCOMPARE(ledger->selectedRows(), (QList<int>{0, 2}));

        // The client named as the respondent of letter 2: a second flag once the list is kept.
        window.ledger()->setValues(ledgerLetter(2).number,
                                   {{LetterField::Respondent, QStringLiteral("甲公司")}});
        PartiesDialog dialog(page, *window.ledger());
        dialog.edtClient->setText(QStringLiteral("甲公司"));
        dialog.memRelated->setPlainText(QStringLiteral("乙公司\n\n丙公司"));
        dialog.accept();
        QCOMPARE(window.ledger()->parties().related,
                 (QStringList{QStringLiteral("乙公司"), QStringLiteral("丙公司")}));
        page->refresh();
        QCOMPARE(page->tblFlags->model()->rowCount(), 2);
        QCOMPARE(page->tblFlags->model()->index(1, 0).data().toString(),
                 QStringLiteral("回函单位为被审计单位或关联方"));

        // The courier's record gives letter 4 the same sender: shown, confirmed, kept, flagged.
        const QString records = m_dir.filePath(QStringLiteral("回函快递.csv"));
        QFile file(records);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("函证编号,寄件人电话\nHZ2026-0004,138 0000 0000\n").toUtf8());
        file.close();
        prompts.shown.clear();
        prompts.openAnswers = {records};
        ledger->btnImportReplyCourier->click();
        QCOMPARE(prompts.errors(), QStringList());
        QCOMPARE(prompts.shown.last().text,
                 QStringLiteral("将为 1 封询证函登记回函快递记录：\nHZ2026-0004 杭州第4公司 — "
                                "回函寄件电话：138 0000 0000"));
        QCOMPARE(window.ledger()->letter(ledgerLetter(4).number)->value(LetterField::ReplyPhone),
                 QStringLiteral("138 0000 0000"));
        QCOMPARE(page->tblFlags->model()->index(0, 2).data().toString(),
                 QStringLiteral("HZ2026-0001、HZ2026-0003、HZ2026-0004"));
    }
};

int main(int argc, char *argv[])
{
    Application app(argc, argv);
    QStandardPaths::setTestModeEnabled(true); // the last ledger stays out of ~/.config
    app.setQuitOnLastWindowClosed(false);
    TestLedgerWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_ledger_window.moc"

// The ledger window's dispatch work on real ledger files: how and when letters left, set
// in the table and for many at once; waybills typed, scanned off generated label sheets
// and imported from a courier's export, each shown before it is kept; addresses checked;
// and the 待催收 tab with its days setting.

#include "app/AddressCheckDialog.h"
#include "app/Application.h"
#include "app/DispatchDetailsDialog.h"
#include "app/FollowUpPage.h"
#include "app/LedgerWindow.h"
#include "app/WaybillPairingDialog.h"
#include "control/FollowUpModel.h"
#include "control/LedgerLetterModel.h"
#include "control/LedgerLogModel.h"
#include "ledger/LedgerStore.h"
#include "support/FakePrompts.h"
#include "support/LabelSheet.h"
#include "support/LedgerFixtures.h"
#include "support/LedgerWindowSteps.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

const QStringList kWaybills{QStringLiteral("SF1428837650123"), QStringLiteral("773012345678901"),
                            QStringLiteral("YT7654321098765"), QStringLiteral("EA123456789CN")};

QString number(int n)
{
    return ledgerLetter(n).number;
}

QString waybillOf(const LedgerStore &ledger, int n)
{
    return ledger.letter(number(n))->value(LetterField::Waybill);
}

QString sheetOf(const QTemporaryDir &dir, const QStringList &waybills, const char *format)
{
    QList<LabelContent> labels;
    for (const QString &waybill : waybills)
        labels.append({waybill, {}, {}, 0});
    const QString path = dir.filePath(QStringLiteral("面单.%1").arg(QLatin1String(format)));
    if (!labelSheet(labels, SheetLayout{}).save(path, format, 90))
        qFatal("could not save %s", qPrintable(path));
    return path;
}

QString written(const QTemporaryDir &dir, const QString &name, const QString &text)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0)
        qFatal("could not write %s", qPrintable(path));
    return path;
}

QStringList column(const QTableWidget *table, int column)
{
    QStringList texts;
    for (int row = 0; row < table->rowCount(); ++row)
        texts.append(table->item(row, column)->text());
    return texts;
}

} // namespace

class TestLedgerDispatchWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<LedgerStore> m_ledger;
    std::unique_ptr<LedgerWindow> m_window;

    // A ledger of 'count' letters, HZ2026-0001 on, in a window shown.
    LedgerWindow &windowOf(int count)
    {
        static int made = 0;
        m_window.reset();
        m_ledger = LedgerStore::create(m_dir.filePath(QStringLiteral("d%1.rvledger").arg(++made)),
                                       QStringLiteral("审计2026"));
        m_ledger->recordRun(ledgerRun(), ledgerPages(1, count));
        m_window = std::make_unique<LedgerWindow>(nullptr, m_ledger.get());
        m_window->setAttribute(Qt::WA_DeleteOnClose, false);
        m_window->show();
        return *m_window;
    }

private slots:
    void initTestCase() { LedgerStore::setUserName(QStringLiteral("审计员甲")); }
    void cleanup()
    {
        m_window.reset();
        m_ledger.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(Application::escapedErrors(), 0);
    }

    void scannedLabelsBindInTheOrderShown_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QList<int>>("clicked"); // the letters, in the order clicked
        QTest::addColumn<int>("labels");         // how many of kWaybills the sheet has
        QTest::addColumn<QStringList>("notes");  // the pairing's last column
        QTest::newRow("as many labels as letters, clicked out of order")
            << QByteArray("png") << QList<int>{4, 2, 3, 5} << 4
            << QStringList{QString(), QString(), QString(), QString()};
        QTest::newRow("a label more, JPEG")
            << QByteArray("jpg") << QList<int>{2, 3, 4} << 4
            << QStringList{QString(), QString(), QString(),
                           QStringLiteral("多出的快递单，没有对应的询证函")};
    }
    void scannedLabelsBindInTheOrderShown()
    {
        QFETCH(QByteArray, format);
        QFETCH(QList<int>, clicked);
        QFETCH(int, labels);
        QFETCH(QStringList, notes);
        FakePrompts prompts;
        LedgerWindow &window = windowOf(6);
        select(window, clicked);
        QList<int> shown = clicked;
        std::sort(shown.begin(), shown.end());
        prompts.openAnswers = {sheetOf(m_dir, kWaybills.mid(0, labels), format.constData())};

        QStringList numbers, waybills, seen;
        whenShown<WaybillPairingDialog>([&](WaybillPairingDialog *dialog) {
            numbers = column(dialog->tblPairing, 0);
            waybills = column(dialog->tblPairing, 2);
            seen = column(dialog->tblPairing, 3);
            QVERIFY(dialog->btnSave->isEnabled());
            dialog->btnSave->click();
        });
        window.btnScanWaybills->click();
        QCOMPARE(prompts.errors(), QStringList());
        QCOMPARE(waybills, kWaybills.mid(0, labels));
        QCOMPARE(seen, notes);
        for (int i = 0; i < shown.size(); ++i) {
            QCOMPARE(numbers[i], number(shown[i]));
            QCOMPARE(waybillOf(*m_ledger, shown[i]), kWaybills[i]);
        }
        QCOMPARE(waybillOf(*m_ledger, 1), QString());
        // The table shows what was kept, and the log says how it came.
        const QModelIndex cell =
            window.letters()->index(window.letters()->rowOf(m_ledger->letter(number(shown[0]))->id),
                                    LedgerLetterModel::columnOf(LetterField::Waybill));
        QCOMPARE(cell.data().toString(), kWaybills[0]);
        QCOMPARE(m_ledger->log(number(shown[0])).constLast().action, QStringLiteral("扫描快递单"));
        QVERIFY(m_ledger->verify().ok);
    }

    void cancelledPairingKeepsNothing()
    {
        FakePrompts prompts;
        LedgerWindow &window = windowOf(3);
        select(window, {1, 2, 3});
        // Fewer labels than letters: the last letter is named as left without one.
        prompts.openAnswers = {sheetOf(m_dir, kWaybills.mid(0, 2), "png")};
        QString summary;
        QStringList seen;
        whenShown<WaybillPairingDialog>([&](WaybillPairingDialog *dialog) {
            summary = dialog->lblPairing->text();
            seen = column(dialog->tblPairing, 3);
            dialog->reject();
        });
        window.btnScanWaybills->click();
        QVERIFY(summary.contains(QStringLiteral("选中了 3 封询证函，读到 2 个运单号")));
        QCOMPARE(seen.constLast(), QStringLiteral("没有读到对应的快递单"));
        for (int n = 1; n <= 3; ++n)
            QCOMPARE(waybillOf(*m_ledger, n), QString());
    }

    void aWaybillOfAnotherLetterIsRefused_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("typed") << QStringLiteral("typed");
        QTest::newRow("scanned") << QStringLiteral("scanned");
        QTest::newRow("imported") << QStringLiteral("imported");
    }
    void aWaybillOfAnotherLetterIsRefused()
    {
        QFETCH(QString, how);
        FakePrompts prompts;
        LedgerWindow &window = windowOf(5);
        // Letter 5 went with kWaybills[1]; letters 2 and 3 are to be bound to kWaybills[0, 1].
        m_ledger->setValues(number(5), {{LetterField::Waybill, kWaybills[1]}});
        const qint64 logged = m_ledger->logSize();
        if (how == QStringLiteral("typed")) {
            const QModelIndex cell =
                window.letters()->index(2, LedgerLetterModel::columnOf(LetterField::Waybill));
            window.tblLetters->setCurrentIndex(cell);
            window.letters()->setData(cell, kWaybills[1].toLower());
            QCOMPARE(cell.data().toString(), QString());
        } else {
            whenShown<WaybillPairingDialog>(
                [](WaybillPairingDialog *dialog) { dialog->btnSave->click(); });
            if (how == QStringLiteral("scanned")) {
                select(window, {2, 3});
                prompts.openAnswers = {sheetOf(m_dir, kWaybills.mid(0, 2), "png")};
                window.btnScanWaybills->click();
            } else {
                prompts.openAnswers = {
                    written(m_dir, QStringLiteral("快递.csv"),
                            QStringLiteral("函证编号,运单号\n%1,%2\n%3,%4\n")
                                .arg(number(2), kWaybills[0], number(3), kWaybills[1]))};
                window.btnImportWaybills->click();
            }
        }
        QCOMPARE(prompts.errors(),
                 QStringList{QStringLiteral("快递单号“%1”已登记在函证编号 %2 的询证函上，"
                                            "不能再用于函证编号 %3.")
                                 .arg(kWaybills[1], number(5), number(3))});
        // Nothing kept, not even the waybill that was free.
        QCOMPARE(waybillOf(*m_ledger, 2), QString());
        QCOMPARE(waybillOf(*m_ledger, 3), QString());
        QCOMPARE(m_ledger->logSize(), logged);
    }

    void importShowsNumbersNotInTheLedger()
    {
        FakePrompts prompts;
        LedgerWindow &window = windowOf(3);
        m_ledger->setValues(number(2), {{LetterField::Waybill, QStringLiteral("SF1000000099")}});
        prompts.openAnswers = {
            written(m_dir, QStringLiteral("导出.csv"),
                    QStringLiteral("函证编号,收件单位,运单号\n"
                                   "%1,甲,%2\n%3,乙,%4\nHZ2026-0099,丙,%5\n")
                        .arg(number(1), kWaybills[0], number(2), kWaybills[2], kWaybills[3]))};
        QStringList numbers, customers, seen;
        whenShown<WaybillPairingDialog>([&](WaybillPairingDialog *dialog) {
            numbers = column(dialog->tblPairing, 0);
            customers = column(dialog->tblPairing, 1);
            seen = column(dialog->tblPairing, 3);
            dialog->btnSave->click();
        });
        window.btnImportWaybills->click();
        QCOMPARE(prompts.errors(), QStringList());
        QCOMPARE(numbers, (QStringList{number(1), number(2), QStringLiteral("HZ2026-0099")}));
        QCOMPARE(customers, (QStringList{ledgerLetter(1).customer, ledgerLetter(2).customer, {}}));
        QCOMPARE(seen, (QStringList{QString(), QStringLiteral("替换原快递单号 SF1000000099"),
                                    QStringLiteral("第 4 行：台账中没有此函证编号的有效询证函")}));
        QCOMPARE(waybillOf(*m_ledger, 1), kWaybills[0]);
        QCOMPARE(waybillOf(*m_ledger, 2), kWaybills[2]);
        QCOMPARE(m_ledger->log(number(1)).constLast().action, QStringLiteral("导入快递单号"));
    }

    void dispatchDetailsForManyAndInTheTable()
    {
        FakePrompts prompts;
        LedgerWindow &window = windowOf(4);
        select(window, {1, 3, 4});
        whenShown<DispatchDetailsDialog>([](DispatchDetailsDialog *dialog) {
            QCOMPARE(dialog->lblLetters->text(),
                     QStringLiteral("选中的 3 封询证函：HZ2026-0001、HZ2026-0003、HZ2026-0004"));
            dialog->cbbSendMethod->setCurrentText(QStringLiteral("挂号信"));
            dialog->dteSendDate->setDate(QDate(2027, 1, 8));
            dialog->accept();
        });
        const qint64 logged = m_ledger->logSize();
        window.btnDispatchDetails->click();
        QCOMPARE(prompts.errors(), QStringList());
        for (int n : {1, 3, 4}) {
            QCOMPARE(m_ledger->letter(number(n))->value(LetterField::SendMethod),
                     QStringLiteral("挂号信"));
            QCOMPARE(m_ledger->letter(number(n))->value(LetterField::SendDate),
                     QStringLiteral("2027-01-08"));
        }
        QCOMPARE(m_ledger->letter(number(2))->value(LetterField::SendMethod), QString());
        QCOMPARE(m_ledger->logSize(), logged + 6);

        // Only the date, for letter 2: its way is left as it is.
        select(window, {2});
        m_ledger->setValues(number(2), {{LetterField::SendMethod, QStringLiteral("专人")}});
        whenShown<DispatchDetailsDialog>([](DispatchDetailsDialog *dialog) {
            dialog->chkSendMethod->setChecked(false);
            dialog->dteSendDate->setDate(QDate(2027, 1, 9));
            dialog->accept();
        });
        window.btnDispatchDetails->click();
        QCOMPARE(m_ledger->letter(number(2))->value(LetterField::SendMethod),
                 QStringLiteral("专人"));
        QCOMPARE(m_ledger->letter(number(2))->value(LetterField::SendDate),
                 QStringLiteral("2027-01-09"));

        // In the table: the way from a list that keeps a way typed before, the date on a
        // date editor, emptied at its least date.
        const int row = window.letters()->rowOf(m_ledger->letter(number(2))->id);
        const QModelIndex method =
            window.letters()->index(row, LedgerLetterModel::columnOf(LetterField::SendMethod));
        window.tblLetters->setCurrentIndex(method);
        window.tblLetters->edit(method);
        auto *combo = window.tblLetters->viewport()->findChild<QComboBox *>();
        QVERIFY(combo);
        QCOMPARE(combo->currentText(), QStringLiteral("专人"));
        QCOMPARE(combo->count(), 4);
        QCOMPARE(combo->itemText(2), QStringLiteral("亲自送达（跟函）"));
        combo->setCurrentIndex(0);
        QTest::keyClick(combo, Qt::Key_Return);
        QTRY_COMPARE(method.data().toString(), QStringLiteral("快递"));

        const QModelIndex date =
            window.letters()->index(row, LedgerLetterModel::columnOf(LetterField::SendDate));
        for (const auto &[set, kept] : {std::pair{QDate(2027, 2, 1), QStringLiteral("2027-02-01")},
                                        std::pair{QDate(2000, 1, 1), QString()}}) {
            window.tblLetters->setCurrentIndex(date);
            window.tblLetters->edit(date);
            auto *editor = window.tblLetters->viewport()->findChild<QDateEdit *>();
            QVERIFY(editor);
            editor->setDate(set);
            QTest::keyClick(editor, Qt::Key_Return);
            QTRY_VERIFY(!window.tblLetters->viewport()->findChild<QDateEdit *>());
            QCOMPARE(date.data().toString(), kept);
        }
        QCOMPARE(prompts.errors(), QStringList());
    }

    void addressCheckIsLoggedAndShown()
    {
        FakePrompts prompts;
        LedgerWindow &window = windowOf(3);
        select(window, {2, 3});
        window.tblLetters->selectionModel()->setCurrentIndex(window.letters()->index(1, 0),
                                                             QItemSelectionModel::NoUpdate);
        whenShown<AddressCheckDialog>([](AddressCheckDialog *dialog) {
            // The user and today are offered.
            QCOMPARE(dialog->edtCheckedBy->text(), QStringLiteral("审计员甲"));
            QCOMPARE(dialog->dteCheckedOn->date(), QDate::currentDate());
            dialog->cbbCheckWay->setCurrentText(QStringLiteral("工商信息查询"));
            dialog->dteCheckedOn->setDate(QDate(2027, 1, 4));
            dialog->edtCheckNote->setText(QStringLiteral("国家企业信用信息公示系统"));
            dialog->accept();
        });
        window.btnCheckAddress->click();
        QCOMPARE(prompts.errors(), QStringList());
        const QList<AddressCheck> checks = m_ledger->addressChecks();
        QCOMPARE(checks.size(), 2);
        QCOMPARE(checks[0].number, number(2));
        QCOMPARE(checks[1].how, QStringLiteral("工商信息查询"));
        QCOMPARE(checks[1].on, QDate(2027, 1, 4));
        QCOMPARE(m_ledger->log(number(3)).constLast().action, QStringLiteral("核实地址"));
        // The history below shows it for the current letter; the column marks both.
        const LedgerLogModel *history = window.history();
        QCOMPARE(history->index(history->rowCount() - 1, LedgerLogModel::Action).data().toString(),
                 QStringLiteral("核实地址"));
        for (int n : {1, 2, 3}) {
            const int row = window.letters()->rowOf(m_ledger->letter(number(n))->id);
            QCOMPARE(window.letters()->index(row, LedgerLetterModel::AddressChecked).data(),
                     QVariant(n == 1 ? QString() : QStringLiteral("已核实")));
        }
        QVERIFY(m_ledger->verify().ok);
    }

    void followUpHonoursTheDaysAndTheAnswered_data()
    {
        QTest::addColumn<int>("days");
        QTest::addColumn<QList<int>>("chased"); // oldest first
        QTest::newRow("10, the default") << 10 << QList<int>{1, 2};
        QTest::newRow("15") << 15 << QList<int>{1};
        QTest::newRow("3") << 3 << QList<int>{1, 2, 3};
    }
    void followUpHonoursTheDaysAndTheAnswered()
    {
        QFETCH(int, days);
        QFETCH(QList<int>, chased);
        FakePrompts prompts;
        LedgerWindow &window = windowOf(6);
        const QDate today = QDate::currentDate();
        for (const auto &[n, ago] : {std::pair{1, 20}, {2, 12}, {3, 5}, {4, 20}, {5, 20}})
            m_ledger->setValues(
                number(n), {{LetterField::SendDate, today.addDays(-ago).toString(Qt::ISODate)}});
        // Letter 4 answered by a reply read, 5 by a result entered; 6 left today.
        m_ledger->recordReplies(
            {{QByteArray(64, 'a'), 1, QStringLiteral("/tmp/回函.pdf"), number(4),
              QStringLiteral("已匹配"), today, QStringLiteral("快递"), QString()}});
        m_ledger->setValues(number(5), {{LetterField::Result, QStringLiteral("相符")}});
        window.reload();
        window.tabs->setCurrentWidget(window.tabFollowUp);
        FollowUpPage *page = window.tabFollowUp;
        QCOMPARE(page->spnFollowUpDays->value(), 10);
        page->spnFollowUpDays->setValue(days);
        QCOMPARE(page->model()->numbers(), [&] {
            QStringList numbers;
            for (int n : chased)
                numbers.append(number(n));
            return numbers;
        }());
        QCOMPARE(page->model()->index(0, FollowUpModel::Age).data().toInt(), 20);
        QCOMPARE(page->lblFollowUp->text(), QStringLiteral("%1 封询证函待催收").arg(chased.size()));
        // The letters table shows each live letter's age too.
        QCOMPARE(window.letters()->index(0, LedgerLetterModel::Age).data().toInt(), 20);

        // None selected: all of them; one selected: that one.
        QSignalSpy reminders(&window, &LedgerWindow::remindersWanted);
        QSignalSpy second(&window, &LedgerWindow::secondRequestsWanted);
        // The reminders open the send window on 催收, which the user closes here.
        QString mailKind;
        QTimer::singleShot(0, [&] {
            for (QWidget *top : QApplication::topLevelWidgets())
                if (top->objectName() == QLatin1String("frmMail") && top->isVisible()) {
                    mailKind =
                        top->findChild<QComboBox *>(QStringLiteral("cbbKind"))->currentText();
                    top->close();
                }
        });
        page->btnReminders->click();
        QCOMPARE(mailKind, QStringLiteral("催收"));
        QCOMPARE(reminders.size(), 1);
        QCOMPARE(reminders[0][0].toStringList(), page->model()->numbers());
        page->tblFollowUp->selectRow(0);
        page->btnSecondRequests->click();
        QCOMPARE(second.size(), 1);
        QCOMPARE(second[0][0].toStringList(), QStringList{number(1)});

        // The days are the user's setting: the next window starts with them; an answer
        // read takes the letter off the list once the ledger is read again.
        LedgerWindow again(nullptr, m_ledger.get());
        again.setAttribute(Qt::WA_DeleteOnClose, false);
        QCOMPARE(again.tabFollowUp->spnFollowUpDays->value(), days);
        m_ledger->setValues(number(1), {{LetterField::Result, QStringLiteral("不符")}});
        window.reload();
        QVERIFY(!page->model()->numbers().contains(number(1)));
        page->spnFollowUpDays->setValue(10);
        // The second request went on to the printing, which wants its template beside the
        // program; nothing else failed.
        QCOMPARE(prompts.errors().size(), 1);
        QVERIFY2(prompts.errors()[0].contains(QStringLiteral("第二次询证函.grf")),
                 qPrintable(prompts.errors()[0]));
    }
};

QTEST_MAIN(TestLedgerDispatchWindow)
#include "test_ledger_dispatch_window.moc"

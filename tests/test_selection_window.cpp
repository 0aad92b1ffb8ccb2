// Selection in the desktop program, on real ledger files and real workbooks: the window's
// fields read into rules, the preview and the recording, the marks in the main grid, the
// size computed as the user types, a table imported again that is not the population, and
// a print run limited to the rows picked.

#include "app/Application.h"
#include "app/SelectionWindow.h"
#include "app/Tfrmmain.h"
#include "control/PickListModel.h"
#include "control/RowChoiceModel.h"
#include "control/SelectionDraft.h"
#include "control/SelectionRecording.h"
#include "control/XlsxBook.h"
#include "ledger/LedgerStore.h"
#include "platform/Exception.h"
#include "support/FakePrompts.h"
#include "support/MessageOf.h"
#include "support/PreviewCatcher.h"
#include "support/ProgramTemplates.h"
#include "table/StringGridModel.h"
#include "table/StringGridView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <xlsxwriter.h>

namespace {

const RegionalSettings &chineseSettings()
{
    static const RegionalSettings settings =
        RegionalSettings::fromLocale(QLocale(QStringLiteral("zh_CN")));
    return settings;
}

struct Receivable
{
    QString customer;
    double amount;
    QString number;
};

// 40 rows: 32 of 25,000 and 4 of 50,000 (1,000,000.00 to draw from below a threshold of
// 100,000), two key items of 150,000 and 200,000, a credit of -5,000 and a zero balance.
QList<Receivable> receivables()
{
    QList<Receivable> rows;
    for (int i = 1; i <= 40; ++i) {
        const double amount = i <= 32   ? 25000
                              : i <= 36 ? 50000
                              : i == 37 ? 150000
                              : i == 38 ? 200000
                              : i == 39 ? -5000
                                        : 0;
        rows.append({QStringLiteral("客户%1").arg(i, 2, 10, QLatin1Char('0')), amount,
                     QStringLiteral("WL-%1").arg(i, 3, 10, QLatin1Char('0'))});
    }
    return rows;
}

void fillTable(StringGridModel &table, const QList<Receivable> &rows)
{
    table.setColCount(4);
    table.setRowCount(int(rows.size()) + 1);
    const QStringList titles{"客户名称", "截止日期", "应收金额", "函编号"};
    for (int c = 0; c < 4; ++c)
        table.setCells(c, 0, titles[c]);
    for (int r = 0; r < rows.size(); ++r) {
        table.setCells(0, r + 1, rows[r].customer);
        table.setCells(1, r + 1, QStringLiteral("2026/12/31"));
        table.setCells(2, r + 1, QString::number(rows[r].amount, 'f', 2));
        table.setCells(3, r + 1, rows[r].number);
    }
}

// The rows as a real .xlsx, for the import to read.
void writeWorkbook(const QString &path, const QList<Receivable> &rows)
{
    XlsxBook::write(path, QStringLiteral("应收帐款"), [&](XlsxBook &book) {
        lxw_worksheet *sheet = book.addSheet(QStringLiteral("应收帐款"));
        book.writeTitles(sheet, {"客户名称", "截止日期", "应收金额", "函编号"});
        for (int r = 0; r < rows.size(); ++r) {
            const lxw_row_t row = lxw_row_t(r + 1);
            worksheet_write_string(sheet, row, 0, rows[r].customer.toUtf8().constData(), nullptr);
            worksheet_write_number(sheet, row, 1, xlsxSerial(QDate(2026, 12, 31)),
                                   book.dateFormat());
            worksheet_write_number(sheet, row, 2, rows[r].amount, book.amountFormat());
            worksheet_write_string(sheet, row, 3, rows[r].number.toUtf8().constData(), nullptr);
        }
    });
}

// The main window with a new ledger open and the receivables in its table.
struct Desk
{
    QTemporaryDir dir;
    FakePrompts prompts;
    Tfrmmain window;
    Desk()
    {
        window.regionalSettings = &chineseSettings();
        window.resize(900, 600);
        window.show();
        window.setLedger(LedgerStore::create(dir.filePath("审计2026.rvledger"), "审计2026"));
        fillTable(*window.table(), receivables());
        window.showSelectionMarks();
    }
    SelectionWindow *open()
    {
        window.mniSelection->trigger();
        return window.findChild<SelectionWindow *>(QStringLiteral("frmSelection"));
    }
    // Threshold 100,000, simple random, five rows, a fixed seed.
    SelectionWindow *openWithRules()
    {
        SelectionWindow *selection = open();
        selection->edtThreshold->setText(QStringLiteral("100,000"));
        selection->cbbMethod->setCurrentIndex(selection->cbbMethod->findText(
            SelectionPlan::methodName(SamplingMethod::SimpleRandom)));
        selection->edtSize->setText(QStringLiteral("5"));
        selection->edtSeed->setText(QStringLiteral("20261210"));
        return selection;
    }
};

} // namespace

class TestSelectionWindow : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { QCOMPARE(Application::escapedErrors(), 0); }

    void typedAmountsAreReadOrNamed_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("cents"); // -1: none
        QTest::addColumn<QString>("message");
        QTest::newRow("blank") << "  " << qint64(-1) << "";
        QTest::newRow("grouped") << "1,234,567.5" << qint64(123456750) << "";
        QTest::newRow("word") << "abc" << qint64(0) << "重要项目界限“abc”不是金额";
        QTest::newRow("two points") << "1.2.3" << qint64(0) << "重要项目界限“1.2.3”不是金额";
        QTest::newRow("beyond cents") << "1e20" << qint64(0) << "重要项目界限“1e20”不是金额";
        QTest::newRow("zero") << "0" << qint64(0) << "重要项目界限须大于零；不设界限请留空";
    }

    void typedAmountsAreReadOrNamed()
    {
        QFETCH(QString, text);
        QFETCH(qint64, cents);
        QFETCH(QString, message);
        SelectionDraft draft;
        draft.threshold = text;
        std::optional<qint64> read;
        QCOMPARE(messageOf([&] { read = draft.thresholdCents(chineseSettings()); }), message);
        if (message.isEmpty())
            QCOMPARE(read.value_or(-1), cents);
    }

    // Each field that holds no rule is named; a size is typed or computed, never neither.
    void theRulesAreReadFromTheFields_data()
    {
        QTest::addColumn<int>("method");
        QTest::addColumn<bool>("compute");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("tolerable");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("planned");
        const int simple = int(SamplingMethod::SimpleRandom);
        const int mus = int(SamplingMethod::MonetarySystematic);
        QTest::newRow("typed") << simple << false << " 7 "
                               << ""
                               << "" << 7;
        QTest::newRow("no size") << simple << false << ""
                                 << ""
                                 << "请填写样本量，或按可容忍错报计算" << 0;
        QTest::newRow("not whole") << simple << false << "2.5"
                                   << ""
                                   << "样本量“2.5”不是正整数" << 0;
        QTest::newRow("negative") << simple << false << "-3"
                                  << ""
                                  << "样本量“-3”不是正整数" << 0;
        QTest::newRow("computed") << mus << true << ""
                                  << "100000"
                                  << "" << 30;
        QTest::newRow("no tolerable") << mus << true << ""
                                      << ""
                                      << "请填写可容忍错报" << 0;
        QTest::newRow("bad tolerable") << mus << true << ""
                                       << "十万"
                                       << "可容忍错报“十万”不是金额" << 0;
        QTest::newRow("manual needs none") << int(SamplingMethod::Manual) << false << ""
                                           << ""
                                           << "" << 0;
    }

    void theRulesAreReadFromTheFields()
    {
        QFETCH(int, method);
        QFETCH(bool, compute);
        QFETCH(QString, size);
        QFETCH(QString, tolerable);
        QFETCH(QString, message);
        QFETCH(int, planned);
        StringGridModel table;
        fillTable(table, receivables());
        const Population population = Population::fromTable(table, chineseSettings());
        SelectionDraft draft;
        draft.threshold = QStringLiteral("100000");
        draft.method = SamplingMethod(method);
        draft.computeSize = compute;
        draft.size = size;
        draft.tolerable = tolerable;
        draft.seed = QStringLiteral("42");
        SelectionPlan plan;
        QCOMPARE(messageOf([&] { plan = draft.plan(population, chineseSettings()); }), message);
        if (!message.isEmpty())
            return;
        QCOMPARE(plan.size, planned);
        QCOMPARE(plan.keyThresholdCents.value_or(0), qint64(10000000));
        QCOMPARE(plan.tolerableCents.has_value(), compute);
    }

    void theMenuSaysWhatIsMissing()
    {
        FakePrompts prompts;
        Tfrmmain window;
        window.show();
        window.mniSelection->trigger();
        QTemporaryDir dir;
        window.setLedger(LedgerStore::create(dir.filePath("a.rvledger"), "审计"));
        window.table()->setRowCount(1);
        window.mniSelection->trigger();
        // The error box ends each with a full stop.
        QCOMPARE(prompts.errors(),
                 (QStringList{"请先新建或打开函证台账：选样记录在台账中.", "请先导入应收帐款."}));
        QVERIFY(!window.findChild<SelectionWindow *>());
    }

    // The population as the window shows it; a table whose amount does not parse is said so,
    // its cell made the current one, and nothing can be drawn.
    void thePopulationIsShown()
    {
        Desk desk;
        SelectionWindow *selection = desk.open();
        QVERIFY(selection);
        QCOMPARE(selection->lblPopulation->text(),
                 QStringLiteral("行数 40，账面金额合计 1,345,000.00，贷方余额 1 行，零余额 1 行"));
        QCOMPARE(selection->choices()->rowCount(), 2); // the credit and the zero
        QCOMPARE(selection->choices()->index(0, RowChoiceModel::Amount).data().toString(),
                 QStringLiteral("-5,000.00"));
        QVERIFY(selection->edtSeed->text().size() > 0);
        const QString seed = selection->edtSeed->text();
        selection->btnNewSeed->click();
        QVERIFY(selection->edtSeed->text() != seed);
        // The wheel passing over a rule the user is not in leaves it as it is.
        for (QWidget *rule : std::initializer_list<QWidget *>{
                 selection->cbbMethod, selection->cbbConfidence, selection->spnExtend}) {
            const QString before =
                rule->property("currentText").toString() + rule->property("value").toString();
            QWheelEvent wheel(QPointF(5, 5), rule->mapToGlobal(QPointF(5, 5)), QPoint(),
                              QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                              false);
            QApplication::sendEvent(rule, &wheel);
            QCOMPARE(rule->property("currentText").toString() + rule->property("value").toString(),
                     before);
        }
        QCOMPARE(desk.window.findChildren<SelectionWindow *>().size(), 1);
        desk.window.mniSelection->trigger(); // one window for the program
        QCOMPARE(desk.window.findChildren<SelectionWindow *>().size(), 1);

        desk.window.table()->setCells(2, 7, QStringLiteral("一万"));
        selection->reload();
        QVERIFY(!selection->btnPreview->isEnabled());
        QVERIFY(selection->lblPopulation->text().startsWith(QStringLiteral("无法选样：")));
        desk.window.mniSelection->trigger();
        QCOMPARE(desk.prompts.errors().size(), 1);
        QVERIFY2(desk.prompts.errors()[0].contains(QStringLiteral("第8行C列")),
                 qPrintable(desk.prompts.errors()[0]));
        QCOMPARE(desk.window.table()->currentCell(), QPoint(2, 7));
    }

    // The size follows the fields as they are typed, before anything is drawn.
    void theComputedSizeIsShownLive_data()
    {
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("confidence");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("interval");
        // 1,000,000.00 to draw from, 100,000 tolerable: n = ceil(1e6 x factor / (100,000 -
        // expected x expansion)).
        QTest::newRow("95, none expected") << "" << 95 << "样本量 30（保证系数 3.00，扩张系数 1.6）"
                                           << "抽样区间 33,333.33";
        QTest::newRow("95, 10,000 expected")
            << "10000" << 95 << "样本量 36（保证系数 3.00，扩张系数 1.6）"
            << "抽样区间 27,777.78";
        QTest::newRow("90") << "" << 90 << "样本量 24（保证系数 2.30，扩张系数 1.5）"
                            << "抽样区间 41,666.67";
    }

    void theComputedSizeIsShownLive()
    {
        QFETCH(QString, expected);
        QFETCH(int, confidence);
        QFETCH(QString, size);
        QFETCH(QString, interval);
        Desk desk;
        SelectionWindow *selection = desk.open();
        selection->edtThreshold->setText(QStringLiteral("100000"));
        selection->chkComputeSize->setChecked(true);
        QVERIFY(!selection->edtSize->isEnabled());
        QTest::keyClicks(selection->edtTolerable, QStringLiteral("100000"));
        selection->edtExpected->setText(expected);
        selection->cbbConfidence->setCurrentIndex(selection->cbbConfidence->findData(confidence));
        QCOMPARE(selection->lblSize->text(), size);
        QCOMPARE(selection->lblInterval->text(), interval);
        // A tolerable misstatement the expected one uses up gives no size, and says why.
        selection->edtExpected->setText(QStringLiteral("90000"));
        QVERIFY(!selection->lblSize->text().startsWith(QStringLiteral("样本量")));
        QVERIFY(!selection->lblSize->text().isEmpty());
        QVERIFY(selection->lblInterval->text().isEmpty());
        QVERIFY(desk.prompts.errors().isEmpty());
    }

    void aBadThresholdIsNamed()
    {
        Desk desk;
        SelectionWindow *selection = desk.openWithRules();
        selection->cbbMethod->setCurrentIndex(0); // monetary: the size line says it at once
        selection->edtThreshold->setText(QStringLiteral("abc"));
        QCOMPARE(selection->lblSize->text(), QStringLiteral("重要项目界限“abc”不是金额"));
        selection->btnPreview->click();
        QCOMPARE(desk.prompts.errors(), QStringList{"重要项目界限“abc”不是金额."});
        QCOMPARE(selection->picks()->rowCount(), 0);
    }

    // 预览 records nothing; 确定选样 records, the grid marks the rows and the recorded
    // selection's 选样说明 shows; again from the same table asks first; 扩大样本 adds rows.
    void previewThenRecordMarksTheRows()
    {
        Desk desk;
        SelectionWindow *selection = desk.openWithRules();
        // The credit balance, ticked, goes in by hand.
        QVERIFY(selection->choices()->setData(selection->choices()->index(0, 0), Qt::Checked,
                                              Qt::CheckStateRole));
        selection->btnPreview->click();
        QVERIFY2(desk.prompts.errors().isEmpty(), qPrintable(desk.prompts.errors().join('\n')));
        QCOMPARE(selection->picks()->rowCount(), 2 + 5 + 1);
        QCOMPARE(selection->tblPicks->model()->index(0, PickListModel::Reason).data().toString(),
                 QStringLiteral("重要项目"));
        QVERIFY(selection->lblPicks->text().startsWith(QStringLiteral("预览")));
        QVERIFY2(selection->lblPicks->text().contains(
                     QStringLiteral("重要项目 2 行 350,000.00；抽样 5 行")),
                 qPrintable(selection->lblPicks->text()));
        QVERIFY(!SelectionRecording::latest(*desk.window.ledger()));
        QVERIFY(desk.window.AdvStringGrid1->rowMarks().isEmpty());
        QVERIFY(!selection->btnExtend->isEnabled());

        selection->btnRecord->click();
        QVERIFY2(desk.prompts.errors().isEmpty(), qPrintable(desk.prompts.errors().join('\n')));
        const std::optional<LedgerSelection> recorded =
            SelectionRecording::latest(*desk.window.ledger());
        QVERIFY(recorded);
        QCOMPARE(recorded->picks.size(), 8);
        QCOMPARE(recorded->seed, QStringLiteral("20261210"));
        const QHash<int, QString> marks = desk.window.AdvStringGrid1->rowMarks();
        QCOMPARE(marks.size(), 8);
        QCOMPARE(marks.value(37), QStringLiteral("重要项目"));
        QCOMPARE(marks.value(38), QStringLiteral("重要项目"));
        QCOMPARE(marks.value(39), QStringLiteral("手工"));
        QVERIFY(desk.window.AdvStringGrid1->gutterWidth() > 0);
        QVERIFY(!selection->txtSummary->toPlainText().isEmpty());
        QVERIFY(selection->lblPicks->text().startsWith(QStringLiteral("已记入台账")));
        QVERIFY(selection->btnExtend->isEnabled());
        QVERIFY(desk.window.ledger()->verify().ok);

        // Again from the same table: asked first; 取消 records nothing.
        desk.prompts.answerOk = false;
        selection->btnRecord->click();
        QCOMPARE(desk.prompts.shown.last().kind, QStringLiteral("ask"));
        QVERIFY2(desk.prompts.shown.last().text.startsWith(QStringLiteral("此总体已有选样（")),
                 qPrintable(desk.prompts.shown.last().text));
        QVERIFY(desk.prompts.shown.last().text.endsWith(
            QStringLiteral("重新选样将另立一次，原选样仍留在台账中。是否继续？")));
        QCOMPARE(desk.window.ledger()->selections().size(), 1);

        // Three more points, and the zero balance decided on now, by hand; the credit ticked
        // before is picked already and stays as it was.
        selection->spnExtend->setValue(3);
        QVERIFY(selection->choices()->setData(selection->choices()->index(1, 0), Qt::Checked,
                                              Qt::CheckStateRole));
        selection->btnExtend->click();
        QVERIFY2(desk.prompts.errors().isEmpty(), qPrintable(desk.prompts.errors().join('\n')));
        const LedgerSelection extended = *SelectionRecording::latest(*desk.window.ledger());
        QCOMPARE(extended.picks.size(), 12);
        QCOMPARE(extended.picks.last().reason, PickReason::Manual);
        QCOMPARE(extended.picks.last().round, 1);
        QCOMPARE(desk.window.AdvStringGrid1->rowMarks().size(), 12);
        QCOMPARE(selection->picks()->rowCount(), 12);
        // The user is told what the extension added.
        QCOMPARE(desk.prompts.shown.last().kind, QStringLiteral("inform"));
        QVERIFY2(desk.prompts.shown.last().text.contains(QStringLiteral("新选中 4 行")),
                 qPrintable(desk.prompts.shown.last().text));
        // Nothing more to add: said, and nothing recorded.
        selection->spnExtend->setValue(0);
        selection->btnExtend->click();
        QVERIFY(desk.prompts.errors().last().contains(QStringLiteral("请填写再抽取的数量")));
        QCOMPARE(SelectionRecording::latest(*desk.window.ledger())->rounds.size(), 2);

        // Another ledger: no marks; this one again: the marks come back.
        const QString path = desk.window.ledger()->path();
        desk.window.setLedger(LedgerStore::create(desk.dir.filePath("空.rvledger"), "空"));
        QVERIFY(desk.window.AdvStringGrid1->rowMarks().isEmpty());
        QVERIFY(selection->txtSummary->toPlainText().isEmpty());
        QVERIFY(!selection->btnExtend->isEnabled());
        desk.window.setLedger(LedgerStore::open(path));
        QCOMPARE(desk.window.AdvStringGrid1->rowMarks().size(), 12);
    }

    // A manual selection lists every row to tick, as a model: ten thousand rows cost no
    // widget each.
    void aManualSelectionTicksRows()
    {
        Desk desk;
        QList<Receivable> many;
        for (int i = 1; i <= 10000; ++i)
            many.append(
                {QStringLiteral("客户%1").arg(i), 100.0 + i, QStringLiteral("N-%1").arg(i)});
        fillTable(*desk.window.table(), many);
        SelectionWindow *selection = desk.open();
        selection->cbbMethod->setCurrentIndex(
            selection->cbbMethod->findText(SelectionPlan::methodName(SamplingMethod::Manual)));
        QCOMPARE(selection->choices()->rowCount(), 10000);
        QVERIFY(!selection->edtSize->isEnabled());
        for (int position : {9999, 0, 4711})
            selection->choices()->setData(selection->choices()->index(position, 0), Qt::Checked,
                                          Qt::CheckStateRole);
        QCOMPARE(selection->choices()->checked(), (QList<int>{0, 4711, 9999}));
        // Another method lists only credit and zero balances (none here): the rows ticked out
        // of sight are not chosen, and come back with the list of all rows.
        selection->cbbMethod->setCurrentIndex(selection->cbbMethod->findText(
            SelectionPlan::methodName(SamplingMethod::MonetarySystematic)));
        QCOMPARE(selection->choices()->rowCount(), 0);
        QVERIFY(selection->choices()->checked().isEmpty());
        selection->cbbMethod->setCurrentIndex(
            selection->cbbMethod->findText(SelectionPlan::methodName(SamplingMethod::Manual)));
        QCOMPARE(selection->choices()->checked(), (QList<int>{0, 4711, 9999}));
        selection->btnRecord->click();
        QVERIFY2(desk.prompts.errors().isEmpty(), qPrintable(desk.prompts.errors().join('\n')));
        const QHash<int, QString> marks = desk.window.AdvStringGrid1->rowMarks();
        QCOMPARE(marks.size(), 3);
        QCOMPARE(marks.value(4712), QStringLiteral("手工"));
    }

    // A table imported again that is not the population: said in the status bar and a box
    // with what differs, and no marks; the population imported once more is marked again.
    void aChangedTableIsSaidAndNotMarked()
    {
        TemplatesInProgramDirectory templates;
        Desk desk;
        const QString first = desk.dir.filePath("应收.xlsx");
        writeWorkbook(first, receivables());
        desk.window.importWorkbook(first);
        SelectionWindow *selection = desk.openWithRules();
        selection->btnRecord->click();
        QVERIFY2(desk.prompts.errors().isEmpty(), qPrintable(desk.prompts.errors().join('\n')));
        QCOMPARE(desk.window.AdvStringGrid1->rowMarks().size(), 7);

        QList<Receivable> changed = receivables();
        changed[4].amount = 26000;
        changed.append({QStringLiteral("新客户"), 1000, QStringLiteral("WL-041")});
        const QString second = desk.dir.filePath("应收（改）.xlsx");
        writeWorkbook(second, changed);
        const qsizetype before = desk.prompts.shown.size();
        desk.window.importWorkbook(second);
        QVERIFY(desk.window.AdvStringGrid1->rowMarks().isEmpty());
        QCOMPARE(desk.prompts.shown.size(), before + 1);
        const FakePrompts::Shown notice = desk.prompts.shown.last();
        QCOMPARE(notice.kind, QStringLiteral("inform"));
        QVERIFY2(notice.text.startsWith(QStringLiteral("此表格不是台账中任何一次选样的总体")),
                 qPrintable(notice.text));
        QVERIFY2(notice.text.contains(QStringLiteral("WL-041")), qPrintable(notice.text));
        QVERIFY2(notice.text.contains(QStringLiteral("WL-005")), qPrintable(notice.text));
        QVERIFY(desk.window.stat1->currentMessage().contains(QStringLiteral("未标出选样的行")));
        // The window open on it follows: the new table, no selection from it.
        QVERIFY(selection->lblPopulation->text().startsWith(QStringLiteral("行数 41")));
        QVERIFY(!selection->btnExtend->isEnabled());

        // An amount that does not parse: said, the import not stopped.
        const QString third = desk.dir.filePath("应收（坏）.xlsx");
        XlsxBook::write(third, QStringLiteral("应收帐款"), [&](XlsxBook &book) {
            lxw_worksheet *sheet = book.addSheet(QStringLiteral("应收帐款"));
            book.writeTitles(sheet, {"客户名称", "截止日期", "应收金额", "函编号"});
            worksheet_write_string(sheet, 1, 0, "甲", nullptr);
            worksheet_write_string(sheet, 1, 1, "2026/12/31", nullptr);
            worksheet_write_string(sheet, 1, 2, "一万", nullptr);
            worksheet_write_string(sheet, 1, 3, "X-1", nullptr);
        });
        desk.window.importWorkbook(third);
        QCOMPARE(desk.window.table()->Cells(2, 1), QStringLiteral("一万"));
        QVERIFY2(desk.prompts.shown.last().text.contains(QStringLiteral("无法列出")),
                 qPrintable(desk.prompts.shown.last().text));

        desk.window.importWorkbook(first);
        QCOMPARE(desk.window.AdvStringGrid1->rowMarks().size(), 7);
        QVERIFY(desk.prompts.errors().isEmpty());
    }

    // With a selection recorded from the table, the print run asks which letters: the
    // picked rows (the first choice) or all.
    void thePrintRunAsksWhichRows()
    {
        TemplatesInProgramDirectory templates;
        Desk desk;
        SelectionWindow *selection = desk.openWithRules();
        selection->btnRecord->click();
        const QList<int> picked = desk.window.AdvStringGrid1->rowMarks().keys();
        QCOMPARE(picked.size(), 7);

        PreviewSeen seen = runAndCatchPreview([&] { desk.window.btnPrint->click(); });
        QVERIFY2(desk.prompts.errors().isEmpty(), qPrintable(desk.prompts.errors().join('\n')));
        QCOMPARE(desk.prompts.shown.last().kind, QStringLiteral("choose"));
        QCOMPARE(desk.prompts.shown.last().text, QStringLiteral("选样中的 7 行,全部 40 行"));
        QVERIFY(seen.shown);
        QCOMPARE(seen.pages, 7);
        // In table order: the first picked row's letter first.
        QCOMPARE(seen.firstCustomer,
                 desk.window.table()->Cells(0, *std::min_element(picked.begin(), picked.end())));

        desk.prompts.chooseAnswer = QStringLiteral("全部 40 行");
        seen = runAndCatchPreview([&] { desk.window.btnPrint->click(); });
        QCOMPARE(seen.pages, 40);

        // 取消: no preview.
        desk.prompts.chooseAnswer = QStringLiteral("");
        seen = runAndCatchPreview([&] { desk.window.btnPrint->click(); });
        QVERIFY(!seen.shown);

        // No selection from this table: nothing asked.
        desk.window.table()->setCells(0, 1, QStringLiteral("改过的客户"));
        desk.window.showSelectionMarks();
        const qsizetype asked = desk.prompts.shown.size();
        seen = runAndCatchPreview([&] { desk.window.btnPrint->click(); });
        QCOMPARE(seen.pages, 40);
        QCOMPARE(desk.prompts.shown.size(), asked);
    }
};

QTEST_MAIN(TestSelectionWindow)
#include "test_selection_window.moc"

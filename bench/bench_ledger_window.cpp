// The ledger window on 100,000 letters: opening it, scrolling it a screen at a time and by
// jumps, and filtering it, each beside the same on a small ledger measured in the same run.
// Targets: open within 300 ms, no frame of a scroll over 16 ms.
// The frames are told from the host's stops of a whole virtual processor (about 100 ms,
// charged to the running thread as processor time, seen by any program): a frame across one
// is counted, and named, but the target is read on the frames clear of them.

#include "StallWitness.h"
#include "app/LedgerWindow.h"
#include "control/LedgerLetterModel.h"
#include "ledger/LedgerStore.h"
#include "platform/FontSetup.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <tuple>

namespace {

// A ledger of 'count' letters: one run recorded through the store, then the letters put in
// with one statement, as a year of runs would have left them (some answered, some results).
QString makeLedger(const QTemporaryDir &dir, int count)
{
    const QString path = dir.filePath(QStringLiteral("台账%1.rvledger").arg(count));
    {
        auto store = LedgerStore::create(path, QStringLiteral("基准"));
        if (count == 0)
            return path;
        LedgerRun run;
        run.kind = QStringLiteral("PDF");
        run.output = QStringLiteral("/tmp/询证函.pdf");
        run.templateName = QStringLiteral("应收帐款确认函");
        LetterIdentity first;
        first.number = QStringLiteral("HZ2026-000000");
        first.customer = QStringLiteral("客户0贸易有限公司");
        first.cutOff = QDate(2026, 12, 31);
        first.cents = 100000;
        first.templateName = run.templateName;
        store->recordRun(run, {{first, QByteArray(64, 'a')}});
    }
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("make"));
        db.setDatabaseName(path);
        db.open();
        QSqlQuery query(db);
        const bool ok = query.exec(
            QStringLiteral(
                "INSERT INTO letters (number, customer, cut_off, cents, template, fields, "
                "first_run, page_sha256, reprints, voided, void_reason, answered, send_method, "
                "waybill, send_date, reply_date, reply_channel, reply_amount, result, "
                "difference_reason, alternative, note) "
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                "SELECT printf('HZ2026-%06d', i), '客户' || i || '贸易有限公司', '2026-12-31', "
                "100000 + i * 37, CASE WHEN i % 3 = 0 THEN '预收帐款确认函' ELSE '应收帐款确认函' "
                "END, "
                "'[[\"地址\",\"西湖路1号\"]]', 1, printf('%064d', i), 0, NULL, '', i % 2, '快递', "
                "printf('SF%010d', i), '2027-01-05', CASE WHEN i % 2 = 1 THEN '2027-01-20' ELSE '' "
                "END, "
                "'', '', CASE WHEN i % 7 = 0 THEN '相符' WHEN i % 11 = 0 THEN '不符' ELSE '' END, "
                "'', '', '' FROM n")
                .arg(count - 1));
        if (!ok)
            std::fprintf(stderr, "%s\n", qPrintable(query.lastError().text()));
        query.exec(QStringLiteral("INSERT INTO sendings (letter, run, page_sha256, reprint) "
                                  "SELECT id, 1, page_sha256, 0 FROM letters WHERE id > 1"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("make"));
    return path;
}

double msSince(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

double threadMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Each frame's time on the clock and in this thread's processor time, and when it ran.
struct Frames
{
    QList<double> wall;
    QList<double> cpu;
    QList<std::pair<qint64, qint64>> spans; // StallWitness::now() at its start and end
};

struct Figures
{
    double open = 0;         // the store opened, the window made, shown and painted
    double windowOnly = 0;   // the window alone
    Frames pages;            // scrolling a screen at a time
    Frames jumps;            // jumping to places anywhere in the list
    double filterState = 0;  // 状态 相符
    double filterSearch = 0; // a text in the customers' names
    double block = 0;        // one read of the rows the list reads at a time, mean of 50
};

Figures measure(const QString &path)
{
    Figures figures;
    QElapsedTimer timer;
    timer.start();
    auto store = LedgerStore::open(path);
    const double opened = msSince(timer);
    const QList<qint64> ids = store->letterIds();
    QRandomGenerator blocks(3);
    timer.restart();
    for (int i = 0; i < 50; ++i) {
        const qsizetype from = ids.size() > 128 ? blocks.bounded(int(ids.size() - 128)) : 0;
        store->lettersWithIds(ids.mid(from, 128));
    }
    figures.block = ids.isEmpty() ? 0 : msSince(timer) / 50;
    timer.restart();
    auto *window = new LedgerWindow(nullptr, store.get());
    window->resize(1280, 800);
    window->show();
    QApplication::processEvents();
    window->repaint();
    figures.windowOnly = msSince(timer);
    figures.open = opened + figures.windowOnly;

    QTableView *view = window->tblLetters;
    QScrollBar *bar = view->verticalScrollBar();
    auto frame = [&](int value, Frames &frames) {
        QElapsedTimer each;
        const qint64 start = StallWitness::now();
        const double cpuBefore = threadMs();
        each.start();
        bar->setValue(value);
        view->viewport()->repaint();
        frames.wall.append(msSince(each));
        frames.cpu.append(threadMs() - cpuBefore);
        frames.spans.append({start, StallWitness::now()});
    };
    for (int value = 0; value <= bar->maximum() && figures.pages.wall.size() < 300;
         value += bar->pageStep())
        frame(value, figures.pages);
    QRandomGenerator random(7);
    for (int i = 0; i < 200; ++i)
        frame(bar->maximum() ? random.bounded(bar->maximum()) : 0, figures.jumps);

    timer.restart();
    window->cbbState->setCurrentText(QStringLiteral("相符"));
    view->viewport()->repaint();
    figures.filterState = msSince(timer);
    window->cbbState->setCurrentIndex(0);
    timer.restart();
    window->edtSearch->setText(QStringLiteral("999贸易"));
    view->viewport()->repaint();
    figures.filterSearch = msSince(timer);
    delete window;
    return figures;
}

// The frame at that share of the frames sorted by time (0.5 the median, 1 the slowest).
double at(QList<double> frames, double share)
{
    if (frames.isEmpty())
        return 0;
    std::sort(frames.begin(), frames.end());
    return frames[std::min<qsizetype>(frames.size() - 1, qsizetype(share * frames.size()))];
}

int over(const QList<double> &frames, double ms)
{
    return int(std::count_if(frames.begin(), frames.end(), [ms](double f) { return f > ms; }));
}

// The processor times of the frames during which no processor stood still.
QList<double> clearOfStops(const Frames &frames, const StallWitness &witness)
{
    QList<double> clear;
    for (qsizetype i = 0; i < frames.cpu.size(); ++i)
        if (!witness.stoppedBetween(frames.spans[i].first, frames.spans[i].second))
            clear.append(frames.cpu[i]);
    return clear;
}

void line(const QString &what, double large, double small, const char *target = "")
{
    std::printf("%-48s 100,000 letters %8.2f ms   baseline %8.2f ms   ratio %6.2f  %s\n",
                what.toUtf8().constData(), large, small, small > 0 ? large / small : 0.0, target);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const StallWitness witness;
    FontSetup::install();
    QTemporaryDir dir;
    QElapsedTimer timer;
    timer.start();
    const QString large = makeLedger(dir, 100000);
    std::printf("ledger of 100,000 letters made in %.0f ms\n", msSince(timer));
    const QString empty = makeLedger(dir, 0);
    const QString small = makeLedger(dir, 1000);
    // Once each before measuring, so that neither pays for fonts and the file cache alone.
    measure(empty);
    measure(large);

    const Figures none = measure(empty);
    const Figures thousand = measure(small);
    const Figures lots = measure(large);
    std::printf("baseline: the open beside an empty ledger's, the rest beside 1,000 letters\n");
    line("open (store + window shown and painted)", lots.open, none.open, "target 300 ms");
    line("  of which the window", lots.windowOnly, none.windowOnly);
    for (const auto &[what, large, small] :
         {std::tuple{"scroll a screen at a time", lots.pages, thousand.pages},
          std::tuple{"jump anywhere", lots.jumps, thousand.jumps}}) {
        for (const auto &[label, big, few] :
             {std::tuple{QString::fromUtf8(what), large.wall, small.wall},
              std::tuple{QStringLiteral("  processor time"), large.cpu, small.cpu}}) {
            line(label + QStringLiteral(", median frame"), at(big, 0.5), at(few, 0.5));
            line(label + QStringLiteral(", 95th percentile"), at(big, 0.95), at(few, 0.95));
            line(label + QStringLiteral(", slowest frame"), at(big, 1), at(few, 1));
            std::printf("  frames over 16 ms: %d of %d (baseline %d of %d)\n", over(big, 16),
                        int(big.size()), over(few, 16), int(few.size()));
        }
        const QList<double> largeClear = clearOfStops(large, witness);
        const QList<double> smallClear = clearOfStops(small, witness);
        line("  processor time, slowest frame clear of stops", at(largeClear, 1), at(smallClear, 1),
             "target 16 ms");
        std::printf("  frames over 16 ms clear of stops: %d of %d (baseline %d of %d)\n",
                    over(largeClear, 16), int(largeClear.size()), over(smallClear, 16),
                    int(smallClear.size()));
    }
    std::printf("the host stopped a processor %d times in the whole run (20 ms or more each)\n",
                witness.stops());
    line("read 128 letters by id", lots.block, thousand.block);
    line("filter 状态 相符", lots.filterState, thousand.filterState);
    line("search 被询证单位", lots.filterSearch, thousand.filterSearch);
    return 0;
}

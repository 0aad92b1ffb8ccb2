// Scanned reply pages checked against their letters: generated pages with a known truth
// (altered or not, which answer), scanned at 150/200/300 dpi, turned up to 3°, JPEG
// quality 40. Prints the confusion tables, the rates and the time of reading the code,
// drawing the page's letter and checking the page beside reading the code alone, on the same
// pages, as a ratio: each letter gets one reply, so drawing its letter is part of the cost.
// Targets: altered caught >= 99 %, false alarms <= 1 %, suggestion right >= 98 %, never
// 无法判断 for a clean single-area answer, read+check <= 2.0x read.
//
// bench_reply_check [--pages N] [--letters N] [--missed FOLDER]

#include "control/LetterReference.h"
#include "control/ReplyPageCheck.h"
#include "engine/CodeReader.h"
#include "support/ReplyPageFactory.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMap>
#include <QMutex>

#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>

namespace {

struct Outcome
{
    ReplyPageTruth truth;
    bool compared = false;
    bool flagged = false;
    QString suggestion;
    QString why;
    double readSeconds = 0;
    double drawSeconds = 0;
    double checkSeconds = 0;
};

bool wrong(const Outcome &outcome)
{
    return outcome.flagged != outcome.truth.altered() ||
           outcome.suggestion != outcome.truth.suggestion();
}

// Only one answer box answered, and answered completely.
bool cleanSingle(const ReplyPageTruth &truth)
{
    return truth.answer == Answer::AgreeSealed || truth.answer == Answer::AgreeSealOnly ||
           truth.answer == Answer::DisagreeWritten || truth.answer == Answer::DisagreeTicked ||
           truth.answer == Answer::DisagreeSealed;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    int pages = 520, letters = 104;
    QString missedFolder;
    const QStringList arguments = app.arguments();
    for (int i = 1; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == QLatin1String("--pages"))
            pages = arguments[i + 1].toInt();
        else if (arguments[i] == QLatin1String("--letters"))
            letters = arguments[i + 1].toInt();
        else if (arguments[i] == QLatin1String("--missed"))
            missedFolder = arguments[i + 1];
    }
    const ReplyPageFactory factory(QStringLiteral(PROGRAM_FOLDER "/应收帐款确认函.grf"), letters,
                                   7);
    const QList<ReplyPageTruth> truths = ReplyPageFactory::mix(pages, letters, 11);

    QList<Outcome> outcomes(truths.size());
    std::atomic<int> next{0};
    const ReplyAreas areas = ReplyAreas::shippedLetter();
    auto work = [&] {
        for (int i; (i = next++) < int(truths.size());) {
            Outcome &outcome = outcomes[i];
            outcome.truth = truths[i];
            const QImage scan = factory.page(truths[i]);
            QElapsedTimer clock;
            clock.start();
            const QList<CodeReader::Code> codes = CodeReader::read(scan);
            outcome.readSeconds = clock.nsecsElapsed() / 1e9;
            clock.restart();
            const LetterReference letter(factory.letterPdf(truths[i].letter));
            outcome.drawSeconds = clock.nsecsElapsed() / 1e9;
            clock.restart();
            QPolygonF corners;
            for (const CodeReader::Code &code : codes)
                if (!code.linear)
                    corners = code.corners;
            const ReplyPageCheck::Result result =
                ReplyPageCheck::check(scan, corners, letter, areas);
            outcome.checkSeconds = clock.nsecsElapsed() / 1e9;
            outcome.compared = result.compared;
            outcome.flagged = result.altered() || !result.compared;
            outcome.suggestion = result.suggestion;
            outcome.why = result.compared ? QString() : result.notCompared;
            if (!missedFolder.isEmpty() && wrong(outcome)) {
                QDir().mkpath(missedFolder);
                scan.save(missedFolder + QLatin1Char('/') + truths[i].describe() + ".png");
            }
        }
    };
    std::thread other(work);
    work();
    other.join();

    int tp = 0, fn = 0, fp = 0, tn = 0, right = 0, undecidedClean = 0, cleanCount = 0;
    double read = 0, draw = 0, check = 0;
    QMap<QString, QMap<QString, int>> suggestions;
    for (const Outcome &o : outcomes) {
        (o.truth.altered() ? (o.flagged ? tp : fn) : (o.flagged ? fp : tn))++;
        suggestions[o.truth.suggestion()][o.suggestion]++;
        right += o.suggestion == o.truth.suggestion();
        if (cleanSingle(o.truth)) {
            ++cleanCount;
            undecidedClean += o.suggestion == ReplyPageCheck::kUndecided;
        }
        read += o.readSeconds;
        draw += o.drawSeconds;
        check += o.checkSeconds;
    }
    std::printf("%d pages of %d letters\n", int(outcomes.size()), letters);
    std::printf("\naltered vs flagged     flagged  not flagged\n");
    std::printf("  altered              %7d  %11d\n", tp, fn);
    std::printf("  not altered          %7d  %11d\n", fp, tn);
    const QStringList names{ReplyPageCheck::kAgrees, ReplyPageCheck::kDiffers,
                            ReplyPageCheck::kUndecided};
    std::printf("\nsuggestion (rows: truth, columns: given)  相符  不符  无法判断\n");
    for (const QString &truth : names)
        std::printf("  %-8s                                 %4d  %4d  %8d\n", qPrintable(truth),
                    suggestions[truth][names[0]], suggestions[truth][names[1]],
                    suggestions[truth][names[2]]);
    std::printf("\naltered caught:          %6.2f %% (target >= 99 %%)\n",
                tp + fn ? 100.0 * tp / (tp + fn) : 100.0);
    std::printf("false alarms:            %6.2f %% (target <= 1 %%)\n",
                fp + tn ? 100.0 * fp / (fp + tn) : 0.0);
    std::printf("suggestion right:        %6.2f %% (target >= 98 %%)\n",
                100.0 * right / std::max<qsizetype>(1, outcomes.size()));
    std::printf("无法判断 on a clean single answer: %d of %d (target 0)\n", undecidedClean,
                cleanCount);
    const double n = std::max<qsizetype>(1, outcomes.size());
    std::printf("\nper page: read %.1f ms (baseline); draw letter %.1f ms, check %.1f ms;\n"
                "read+draw+check %.1f ms; ratio %.2f (target <= 2.0)\n",
                read / n * 1e3, draw / n * 1e3, check / n * 1e3, (read + draw + check) / n * 1e3,
                (read + draw + check) / read);
    std::printf(
        "\npages judged wrongly%s:\n",
        missedFolder.isEmpty() ? "" : qPrintable(QStringLiteral(" (PNG in ") + missedFolder + ")"));
    int shown = 0;
    for (const Outcome &o : outcomes)
        if (wrong(o) && shown++ < 30)
            std::printf("  %s: flagged %d, suggested %s%s\n", qPrintable(o.truth.describe()),
                        int(o.flagged), qPrintable(o.suggestion),
                        o.why.isEmpty() ? "" : qPrintable(QStringLiteral("，未比对：") + o.why));
    return 0;
}

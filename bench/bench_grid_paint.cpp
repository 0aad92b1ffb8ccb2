// Painting one screen of the receivables table: 10 rows against 1,000,000 rows, and the
// 1,000,000 with every tenth row marked in the gutter (a selection's picks). Only visible
// cells and marks are drawn, so the figures should be alike.

#include "platform/FontSetup.h"
#include "table/StringGridModel.h"
#include "table/StringGridView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QStringList>
#include <cstdio>

namespace {

// 'marking', when given, receives how long setting the marks took.
double millisecondsPerPaint(int rows, double *marking = nullptr)
{
    StringGridView view;
    view.resize(1280, 10 * StringGridModel::DefaultRowHeight + 4); // a screen that 10 rows fill
    StringGridModel *grid = view.model();
    grid->setColCount(4);
    grid->setRowCount(rows);
    // The same texts on every screen, shared between rows, so both tables draw alike.
    QStringList names;
    for (int i = 0; i < 100; ++i)
        names.append(QStringLiteral("客户%1贸易有限公司").arg(i, 2, 10, QLatin1Char('0')));
    for (int row = 0; row < rows; ++row) {
        grid->setCells(0, row, names[row % 100]);
        grid->setCells(1, row, QStringLiteral("2024/12/31"));
        grid->setCells(2, row, QStringLiteral("12345.67"));
        grid->setCells(3, row, QStringLiteral("HZ-2024-0001"));
    }
    if (marking) {
        QHash<int, QString> marks;
        for (int row = 1; row < rows; row += 10)
            marks.insert(row, row % 30 == 1 ? QStringLiteral("重要项目") : QStringLiteral("抽样"));
        QElapsedTimer timer;
        timer.start();
        view.setRowMarks(std::move(marks));
        *marking = double(timer.nsecsElapsed()) / 1e6;
    }
    grid->setTopLeft(1, rows > 10 ? rows / 2 : 0); // a full screen, mid-table when large
    view.show();
    QImage image(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    view.viewport()->render(&image); // warm up fonts and caches
    const int repeats = 200;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < repeats; ++i)
        view.viewport()->render(&image);
    return double(timer.nsecsElapsed()) / 1e6 / repeats;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    FontSetup::install();
    const double small = millisecondsPerPaint(10);
    const double large = millisecondsPerPaint(1000000);
    std::printf(
        "grid paint, one screen of 10 visible rows: 10 rows %.3f ms, 1,000,000 rows %.3f ms, "
        "ratio %.2f\n",
        small, large, large / small);
    double marking = 0;
    const double marked = millisecondsPerPaint(1000000, &marking);
    std::printf("grid paint with 100,000 rows marked: %.3f ms, ratio %.2f to unmarked; "
                "setting the marks %.1f ms\n",
                marked, marked / large, marking);
    return 0;
}

#pragma once
// Scanned replies made from the program's own letters: pages rendered as a scanner would
// see them, turned, skewed, noisy, blurred, saved lossy, bound into one PDF of pictures.

#include "engine/PageRenderer.h"
#include "engine/ReportEngine.h"
#include "platform/RegionalSettings.h"
#include "report/LetterRun.h"
#include "table/StringGridModel.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <QRandomGenerator>

#include <optional>

// A table of 'count' customers in the four columns the letters read, numbered from
// 'prefix'-0001.
inline void fillReceivables(StringGridModel &table, int count, const QString &prefix)
{
    table.setColCount(4);
    table.setRowCount(count + 1);
    const QStringList titles{QStringLiteral("客户单位"), QStringLiteral("截止日期"),
                             QStringLiteral("应收金额"), QStringLiteral("函编号")};
    for (int c = 0; c < 4; ++c)
        table.setCells(c, 0, titles[c]);
    for (int i = 1; i <= count; ++i) {
        table.setCells(0, i, QStringLiteral("客户%1贸易有限公司").arg(i));
        table.setCells(1, i, QStringLiteral("2024-12-31"));
        table.setCells(2, i, QString::number(1000 + i * 13.5, 'f', 2));
        table.setCells(3, i, QStringLiteral("%1-%2").arg(prefix).arg(i, 4, 10, QLatin1Char('0')));
    }
}

// Settings the tests' tables are written in.
inline const RegionalSettings &scanSettings()
{
    static const RegionalSettings settings{QStringLiteral("yyyy-M-d"), QLatin1Char('-'),
                                           QLatin1Char('.'), QStringLiteral("H:mm:ss")};
    return settings;
}

// The letters of the shipped receivables template for that table.
inline ReportDocument lettersOf(const StringGridModel &table)
{
    ReportEngine engine;
    return LetterRun(table, scanSettings())
        .generate(engine,
                  qEnvironmentVariable("PROGRAM_DIR") + QStringLiteral("/应收帐款确认函.grf"));
}

// Page 'page' as a scanner gives it at 'dpi': white paper, black print.
inline QImage scanned(const ReportDocument &letters, int page, double dpi)
{
    PageRenderer renderer(letters);
    const QSizeF mm = renderer.pageSizeMm();
    QImage image(qRound(mm.width() / 25.4 * dpi), qRound(mm.height() / 25.4 * dpi),
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    renderer.paintInto(painter, QRectF(QPointF(0, 0), image.size()), page);
    return image;
}

// Turned by 'degrees' about its centre, the corners filled with paper.
inline QImage turned(const QImage &image, double degrees)
{
    QImage result = image.transformed(QTransform().rotate(degrees), Qt::SmoothTransformation);
    QImage paper(result.size(), QImage::Format_RGB32);
    paper.fill(Qt::white);
    QPainter painter(&paper);
    painter.drawImage(0, 0, result);
    return paper;
}

// Grey speckle over every pixel, the same for a seed.
inline QImage noisy(QImage image, int amount, quint32 seed)
{
    image = image.convertToFormat(QImage::Format_Grayscale8);
    QRandomGenerator random(seed);
    for (int y = 0; y < image.height(); ++y) {
        uchar *line = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x)
            line[x] = uchar(
                std::clamp(int(line[x]) + int(random.bounded(2 * amount + 1)) - amount, 0, 255));
    }
    return image;
}

// A box blur of 'radius' pixels, as an out-of-focus phone or a dusty scanner glass gives.
inline QImage blurred(const QImage &image, int radius)
{
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    QImage across(grey.size(), QImage::Format_Grayscale8), result(grey.size(), grey.format());
    const int w = grey.width(), h = grey.height(), n = 2 * radius + 1;
    for (int y = 0; y < h; ++y) {
        const uchar *in = grey.constScanLine(y);
        uchar *out = across.scanLine(y);
        for (int x = 0; x < w; ++x) {
            int sum = 0;
            for (int d = -radius; d <= radius; ++d)
                sum += in[std::clamp(x + d, 0, w - 1)];
            out[x] = uchar(sum / n);
        }
    }
    for (int y = 0; y < h; ++y) {
        uchar *out = result.scanLine(y);
        for (int x = 0; x < w; ++x) {
            int sum = 0;
            for (int d = -radius; d <= radius; ++d)
                sum += across.constScanLine(std::clamp(y + d, 0, h - 1))[x];
            out[x] = uchar(sum / n);
        }
    }
    return result;
}

inline QByteArray encoded(const QImage &image, const char *format, int quality = -1)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return bytes;
}

// The pictures bound into one PDF, a page each, as a scanner's PDF holds them.
inline void writePicturePdf(const QString &path, const QList<QImage> &pages, double dpi)
{
    QPdfWriter writer(path);
    writer.setResolution(int(dpi));
    writer.setPageMargins(QMarginsF());
    std::optional<QPainter> painter;
    for (const QImage &page : pages) {
        writer.setPageSize(QPageSize(QSizeF(page.width() / dpi * 25.4, page.height() / dpi * 25.4),
                                     QPageSize::Millimeter));
        if (!painter)
            painter.emplace(&writer);
        else
            writer.newPage();
        painter->drawImage(QRect(0, 0, page.width(), page.height()), page);
    }
}

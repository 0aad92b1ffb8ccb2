// A sheet of 100 couriers' labels (4 across, 25 down) scanned at 150 dpi as a PNG, its
// waybills read in order by WaybillScan, beside the same run's baselines: decoding the
// picture alone, and zxing-cpp reading its codes alone. What the scan adds over zxing is
// measuring each code's bars and ordering them.

#include "Seconds.h"
#include "control/WaybillScan.h"
#include "engine/CodeReader.h"
#include "platform/FontSetup.h"
#include "support/LabelSheet.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kLabels = 100;

// The best of three: the figure the machine can give, not its noise.
double best(const std::function<void()> &work)
{
    double fastest = 1e300;
    for (int i = 0; i < 3; ++i)
        fastest = std::min(fastest, seconds(work));
    return fastest;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    FontSetup::install();
    QList<LabelContent> labels;
    QStringList expected;
    for (int i = 0; i < kLabels; ++i) {
        expected.append(QStringLiteral("SF%1").arg(1428837650000LL + i * 7919));
        labels.append({expected.last(), {}, {}, 0});
    }
    SheetLayout sheet;
    sheet.columns = 4;
    sheet.labelHeightMm = 45;
    sheet.dpi = 150;
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("labels.png"));
    if (!labelSheet(labels, sheet).save(path)) {
        std::fprintf(stderr, "could not write the sheet\n");
        return 1;
    }

    QImage picture;
    const double decode = best([&] { picture = QImage(path); });
    const double zxing = best([&] { (void)CodeReader::read(picture); });
    WaybillScan::Labels read;
    const double scan = best([&] { read = WaybillScan::read(path); });
    if (read.waybills != expected) {
        std::fprintf(stderr, "read %d waybills, not the %d in order\n", int(read.waybills.size()),
                     kLabels);
        return 1;
    }
    std::printf("%d labels, %d x %d pixels\n", kLabels, picture.width(), picture.height());
    std::printf("decoding the PNG alone:        %7.3f s\n", decode);
    std::printf("zxing-cpp reading the codes:   %7.3f s  (%.1fx decoding)\n", zxing,
                zxing / decode);
    std::printf(
        "WaybillScan::read of the file: %7.3f s  (%.1fx decoding, %.2fx decoding + zxing)\n", scan,
        scan / decode, scan / (decode + zxing));
    return 0;
}

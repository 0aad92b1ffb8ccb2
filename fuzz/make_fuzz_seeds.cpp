// Seeds for the reply targets, made as the tests make their files: registers written by
// RegisterWriter, scans of the shipped letter (PNG, JPEG, a multi-page TIFF, a PDF of
// pictures, a poster-sized page, a header past any scan), and the pairs of paths the
// tests try. Small pages, so the fuzzer runs fast.
//   make_fuzz_seeds fuzz_register|fuzz_scan|fuzz_reply_target FOLDER   (PROGRAM_DIR set)

#include "control/RegisterWriter.h"
#include "platform/FontSetup.h"
#include "support/ScanMaker.h"
#include "support/TiffMaker.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QtEndian>

#include <cstdio>

namespace {

void save(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        std::exit(1);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3)
        return 2;
    FontSetup::install();
    const QString target = QString::fromLocal8Bit(argv[1]);
    const QDir folder(QString::fromLocal8Bit(argv[2]));
    StringGridModel table;
    fillReceivables(table, 3, QStringLiteral("HZ2026"));
    const ReportDocument letters = lettersOf(table);
    if (target == QLatin1String("fuzz_register")) {
        RegisterWriter::write(letters, QStringLiteral("应收帐款确认函"),
                              folder.filePath(QStringLiteral("register.xlsx")));
        ReportDocument further = letters;
        further.report.fields.append({QStringLiteral("回函金额"), FieldType::Number});
        for (RecordValues &record : further.records)
            record.append(12.5);
        RegisterWriter::write(further, QStringLiteral("应收帐款确认函"),
                              folder.filePath(QStringLiteral("register-field.xlsx")));
    } else if (target == QLatin1String("fuzz_scan")) {
        const QImage page = scanned(letters, 0, 40);
        save(folder.filePath(QStringLiteral("scan.png")), encoded(page, "PNG"));
        save(folder.filePath(QStringLiteral("scan.jpg")), encoded(turned(page, 90), "JPEG", 50));
        save(folder.filePath(QStringLiteral("scans.tif")),
             TiffMaker::pages({page, scanned(letters, 1, 30), scanned(letters, 2, 30)}));
        writePicturePdf(folder.filePath(QStringLiteral("scans.pdf")),
                        {scanned(letters, 1, 30), scanned(letters, 2, 30)}, 30);
        writePicturePdf(folder.filePath(QStringLiteral("poster.pdf")), {page}, 2);
        QByteArray huge = encoded(QImage(1, 1, QImage::Format_Grayscale8), "PNG");
        qToBigEndian<quint32>(60000, huge.data() + 16);
        qToBigEndian<quint32>(60000, huge.data() + 20);
        save(folder.filePath(QStringLiteral("huge.png")), huge);
    } else if (target == QLatin1String("fuzz_reply_target")) {
        const char *pairs[] = {
            "reg/regA.xlsx\nreg/regA.xlsx",      "reg/sub/../regA.xlsx\nreg/regA.xlsx",
            "./reg//./regA.xlsx\nreg/regA.xlsx", "reg/hard.xlsx\nreg/regA.xlsx",
            "reg/soft.xlsx\nreg/regA.xlsx",      "linked/regA.xlsx\nreg/regA.xlsx",
            "reg/other.xlsx\nreg/regA.xlsx",     "reg/sub/up/reg/regA.xlsx\nreg/soft.xlsx",
            "new/regA.xlsx\nlinked/soft.xlsx"};
        for (int i = 0; i < int(std::size(pairs)); ++i)
            save(folder.filePath(QStringLiteral("pair%1").arg(i)), pairs[i]);
    } else {
        return 2;
    }
    return 0;
}

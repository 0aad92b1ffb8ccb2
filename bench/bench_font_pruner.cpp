// The font pruner of one PDF per letter beside HarfBuzz's subsetter with its glyph numbers
// kept (HB_SUBSET_FLAGS_RETAIN_GIDS): both cut the fonts of a run of letters, as Qt embeds
// them, to each page's glyphs. Prints the time of each and whether HarfBuzz's fonts keep
// every glyph a page shows.

#include "engine/PdfExport.h"
#include "engine/ReportEngine.h"
#include "engine/pdf/ContentGlyphs.h"
#include "engine/pdf/TrueTypePruner.h"
#include "platform/FontSetup.h"

#include <hb-subset.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <map>

namespace {

QByteArray bytesOf(QPDFObjectHandle stream)
{
    const std::shared_ptr<Buffer> data = stream.getStreamData(qpdf_dl_generalized);
    return QByteArray(reinterpret_cast<const char *>(data->getBuffer()),
                      qsizetype(data->getSize()));
}

// One font as a run of pages shows it: its program, and each page's glyphs.
struct FontUse
{
    QByteArray program;
    QList<QList<quint16>> pages;
};

std::map<QPDFObjGen, FontUse> fontsOfLetters(int count, const QString &folder)
{
    ReportEngine engine;
    engine.LoadTemplateFile(QCoreApplication::applicationDirPath() +
                            QStringLiteral("/../bin/应收帐款确认函.grf"));
    engine.setFetchRecordHandler([&] {
        for (int i = 0; i < count; ++i) {
            engine.DetailRecords().AddRecord();
            engine.LookupField(QStringLiteral("客户单位"))
                .SetText(QStringLiteral("客户%1贸易有限公司").arg(i));
            engine.LookupField(QStringLiteral("截止日期")).SetDate(45657);
            engine.LookupField(QStringLiteral("应收金额")).SetNumber(1000 + i * 7.31);
            engine.LookupField(QStringLiteral("函编号"))
                .SetText(QStringLiteral("WL-%1").arg(i, 6, 10, QLatin1Char('0')));
            engine.DetailRecords().CommitRecord();
        }
    });
    const QString path = folder + QStringLiteral("/letters.pdf");
    PdfExport::writeAll(engine.generate(), path);
    QPDF pdf;
    pdf.processFile(QFile::encodeName(path).constData());
    std::map<QPDFObjGen, FontUse> fonts;
    for (QPDFPageObjectHelper page : QPDFPageDocumentHelper(pdf).getAllPages()) {
        QByteArray content;
        for (QPDFObjectHandle part : page.getObjectHandle().getPageContents())
            content += bytesOf(part) + '\n';
        QPDFObjectHandle resources = page.getObjectHandle().getKey("/Resources").getKey("/Font");
        for (auto [name, glyphs] : ContentGlyphs::byFont(content)) {
            QPDFObjectHandle font = resources.getKey('/' + name.toStdString());
            FontUse &use = fonts[font.getObjGen()];
            if (use.program.isEmpty())
                use.program = bytesOf(font.getKey("/DescendantFonts")
                                          .getArrayItem(0)
                                          .getKey("/FontDescriptor")
                                          .getKey("/FontFile2"));
            std::sort(glyphs.begin(), glyphs.end());
            glyphs.erase(std::unique(glyphs.begin(), glyphs.end()), glyphs.end());
            use.pages.append(glyphs);
        }
    }
    return fonts;
}

QByteArray harfBuzzSubset(hb_face_t *face, const QList<quint16> &glyphs)
{
    hb_subset_input_t *input = hb_subset_input_create_or_fail();
    hb_subset_input_set_flags(input, HB_SUBSET_FLAGS_RETAIN_GIDS);
    hb_set_t *set = hb_subset_input_glyph_set(input);
    for (quint16 glyph : glyphs)
        hb_set_add(set, glyph);
    hb_face_t *subset = hb_subset_or_fail(face, input);
    hb_subset_input_destroy(input);
    QByteArray bytes;
    if (subset) {
        hb_blob_t *blob = hb_face_reference_blob(subset);
        unsigned int length = 0;
        const char *data = hb_blob_get_data(blob, &length);
        bytes = QByteArray(data, qsizetype(length));
        hb_blob_destroy(blob);
        hb_face_destroy(subset);
    }
    return bytes;
}

// The same glyph data, but for the padding to four bytes that one writer adds.
bool sameOutline(QByteArray a, QByteArray b)
{
    if (a.size() < b.size())
        std::swap(a, b);
    return a.startsWith(b) && a.size() - b.size() < 4 &&
           a.sliced(b.size()).count('\0') == a.size() - b.size();
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    FontSetup::install();
    QTemporaryDir dir;
    const int letters = 1000;
    const std::map<QPDFObjGen, FontUse> fonts = fontsOfLetters(letters, dir.path());

    qint64 ours = 0, theirs = 0, ourBytes = 0, theirBytes = 0;
    int subsets = 0, lost = 0;
    for (const auto &[id, use] : fonts) {
        QElapsedTimer timer;
        timer.start();
        const TrueTypePruner pruner(use.program);
        QList<QByteArray> ourFonts;
        for (const QList<quint16> &glyphs : use.pages)
            ourFonts.append(pruner.keepGlyphs(glyphs));
        ours += timer.nsecsElapsed();

        timer.restart();
        hb_blob_t *blob = hb_blob_create(use.program.constData(), uint(use.program.size()),
                                         HB_MEMORY_MODE_READONLY, nullptr, nullptr);
        hb_face_t *face = hb_face_create(blob, 0);
        QList<QByteArray> theirFonts;
        for (const QList<quint16> &glyphs : use.pages)
            theirFonts.append(harfBuzzSubset(face, glyphs));
        hb_face_destroy(face);
        hb_blob_destroy(blob);
        theirs += timer.nsecsElapsed();

        // The same outlines of the glyphs asked for, in both.
        for (qsizetype i = 0; i < use.pages.size(); ++i) {
            ++subsets;
            ourBytes += ourFonts[i].size();
            theirBytes += theirFonts[i].size();
            const TrueTypePruner ourFont(ourFonts[i]), theirFont(theirFonts[i]);
            for (quint16 glyph : use.pages[i])
                if (!theirFont.isValid() ||
                    !sameOutline(theirFont.glyph(glyph), ourFont.glyph(glyph))) {
                    ++lost;
                    break;
                }
        }
    }
    std::printf("%d fonts of %d letters cut to each page's glyphs (%d cuts):\n", int(fonts.size()),
                letters, subsets);
    std::printf("  TrueTypePruner: %.1f ms, %.1f KB a cut\n", ours / 1e6,
                ourBytes / 1024.0 / subsets);
    std::printf("  HarfBuzz hb_subset (retain gids): %.1f ms, %.1f KB a cut, ratio %.2f against "
                "ours; cuts whose glyphs differ from ours: %d\n",
                theirs / 1e6, theirBytes / 1024.0 / subsets, double(theirs) / ours, lost);
    return 0;
}

// The parts that cut a PDF into pages: font programs cut to a page's glyphs, the
// ToUnicode map and glyph set that go with them, and the scan of a page's text.

#include "engine/pdf/CidFontParts.h"
#include "engine/pdf/ContentGlyphs.h"
#include "engine/pdf/FontSubsetter.h"
#include "engine/pdf/GlyphShape.h"
#include "engine/pdf/TrueTypeGlyphs.h"

#include <QFile>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <map>
#include <tuple>

namespace {

const QString kSerif =
    QStringLiteral("/usr/share/fonts/truetype/liberation2/LiberationSerif-Regular.ttf");
// Short glyph offsets, as in the fonts Qt embeds in its PDFs.
const QString kShortOffsets =
    QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans-ExtraLight.ttf");

void addFontRows()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("longOffsets");
    QTest::newRow("long glyph offsets") << kSerif << true;
    QTest::newRow("short glyph offsets") << kShortOffsets << false;
}

quint16 u16(const QByteArray &data, qsizetype at)
{
    return qFromBigEndian<quint16>(data.constData() + at);
}
quint32 u32(const QByteArray &data, qsizetype at)
{
    return qFromBigEndian<quint32>(data.constData() + at);
}

// A plain reading of a TrueType file: its tables, and each glyph's outline bytes.
struct Font
{
    std::map<QByteArray, std::pair<quint32, quint32>> tables; // tag: offset, length
    QList<QByteArray> glyphs;
    QByteArray data;
    bool longOffsets = false;

    explicit Font(const QByteArray &bytes) : data(bytes)
    {
        for (int i = 0; i < u16(data, 4); ++i) {
            const qsizetype entry = 12 + i * 16;
            tables[data.mid(entry, 4)] = {u32(data, entry + 8), u32(data, entry + 12)};
        }
        longOffsets = u16(data, tables["head"].first + 50) == 1;
        const auto [loca, locaLength] = tables["loca"];
        const quint32 glyf = tables["glyf"].first;
        const int count = int(locaLength / (longOffsets ? 4 : 2)) - 1;
        auto start = [&](int i) {
            return longOffsets ? u32(data, loca + i * 4) : quint32(u16(data, loca + i * 2)) * 2;
        };
        for (int i = 0; i < count; ++i)
            glyphs.append(data.mid(glyf + start(i), start(i + 1) - start(i)));
    }
    // Composite glyphs name their parts after their ten-byte header.
    QList<quint16> parts(int glyph) const
    {
        QList<quint16> result;
        const QByteArray &g = glyphs[glyph];
        if (g.size() < 10 || qint16(u16(g, 0)) >= 0)
            return result;
        for (qsizetype at = 10;;) {
            const quint16 flags = u16(g, at);
            result.append(u16(g, at + 2));
            at += 4 + ((flags & 1) ? 4 : 2) +
                  ((flags & 8)      ? 2
                   : (flags & 0x40) ? 4
                   : (flags & 0x80) ? 8
                                    : 0);
            if (!(flags & 0x20))
                return result;
        }
    }
};

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Big-endian words of a span, summed as the table directory records them.
quint32 wordSum(const QByteArray &data, quint32 offset, quint32 length)
{
    QByteArray padded = data.mid(offset, length);
    padded.append((4 - padded.size() % 4) % 4, '\0');
    quint32 sum = 0;
    for (qsizetype i = 0; i < padded.size(); i += 4)
        sum += u32(padded, i);
    return sum;
}

// The same glyph data, but for the padding to four bytes that a writer may add.
bool sameOutline(QByteArray a, QByteArray b)
{
    if (a.size() < b.size())
        std::swap(a, b);
    return a.startsWith(b) && a.size() - b.size() < 4 &&
           a.sliced(b.size()).count('\0') == a.size() - b.size();
}

} // namespace

class TestPdfParts : public QObject
{
    Q_OBJECT
private slots:
    void prunedFontKeepsOnlyTheAskedGlyphs_data() { addFontRows(); }
    void prunedFontKeepsOnlyTheAskedGlyphs()
    {
        QFETCH(QString, path);
        QFETCH(bool, longOffsets);
        const QByteArray original = readFile(path);
        QVERIFY(!original.isEmpty());
        const Font before(original);
        QCOMPARE(before.longOffsets, longOffsets);
        QCOMPARE(TrueTypeGlyphs(original).glyphCount(), before.glyphs.size());
        const FontSubsetter subsetter(original);
        QVERIFY(subsetter.isValid());

        const QList<quint16> asked{36, 68, 1000};
        const Font after(subsetter.keepGlyphs(asked));
        // Numbers keep their glyphs: text written with them stays valid.
        QVERIFY(after.glyphs.size() > 1000 && after.glyphs.size() <= before.glyphs.size());
        for (int glyph = 0; glyph < after.glyphs.size(); ++glyph) {
            const bool kept = glyph == 0 || asked.contains(quint16(glyph)) ||
                              std::any_of(asked.begin(), asked.end(), [&](quint16 whole) {
                                  return before.parts(whole).contains(quint16(glyph));
                              });
            if (kept)
                QVERIFY2(sameOutline(after.glyphs[glyph], before.glyphs[glyph]),
                         qPrintable(QString::number(glyph)));
            else if (!after.glyphs[glyph].isEmpty())
                QFAIL(qPrintable(QStringLiteral("glyph %1 was kept").arg(glyph)));
        }
        QVERIFY(!after.tables.contains("name"));
        QVERIFY(after.tables.at("glyf").second < before.tables.at("glyf").second / 50);
        // Every table's checksum holds, and the whole file sums to the fixed value.
        for (const auto &[tag, place] : after.tables) {
            const qsizetype entry = after.data.indexOf(tag, 12);
            quint32 sum = wordSum(after.data, place.first, place.second);
            if (tag == "head")
                sum -= u32(after.data, place.first + 8);
            QCOMPARE(u32(after.data, entry + 4), sum);
        }
        QCOMPARE(wordSum(after.data, 0, quint32(after.data.size())), 0xB1B0AFBAu);
    }

    void compositeGlyphsBringTheirParts_data() { addFontRows(); }
    void compositeGlyphsBringTheirParts()
    {
        QFETCH(QString, path);
        const QByteArray original = readFile(path);
        const Font before(original);
        int composite = -1;
        // One made of two drawn parts, such as a letter and its accent.
        for (int glyph = 1; glyph < before.glyphs.size() && composite < 0; ++glyph) {
            const QList<quint16> parts = before.parts(glyph);
            if (parts.size() >= 2 && std::all_of(parts.begin(), parts.end(), [&](quint16 part) {
                    return part > 0 && !before.glyphs[part].isEmpty();
                }))
                composite = glyph;
        }
        QVERIFY(composite > 0);
        const Font after(FontSubsetter(original).keepGlyphs({quint16(composite)}));
        for (quint16 part : before.parts(composite))
            QVERIFY(sameOutline(after.glyphs[part], before.glyphs[part]));
    }

    void anUnreadableFontIsLeftWhole()
    {
        const QByteArray original = readFile(kSerif);
        for (const QByteArray &bad :
             {QByteArray("not a font"), original.left(300), QByteArray(40, '\xff')}) {
            const FontSubsetter subsetter(bad);
            QVERIFY(!subsetter.isValid());
            QCOMPARE(subsetter.keepGlyphs({1, 2}), bad);
            QVERIFY(!TrueTypeGlyphs(bad).isValid());
        }
    }

    void toUnicodeKeepsThePageGlyphs()
    {
        const QByteArray cmap =
            "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
            "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n"
            "3 beginbfrange\n<0000> <0000> <0000>\n"
            "<0001> <0004> [<0031> <002E> <D835DC00> <0032>]\n"
            "<0010> <0012> <4E00>\nendbfrange\n"
            "1 beginbfchar\n<0020> <0041>\nendbfchar\n"
            "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
        const QByteArray kept = CidFontParts::keepInToUnicode(cmap, {3, 17, 32, 99});
        QVERIFY(kept.startsWith("/CIDInit /ProcSet findresource begin"));
        QVERIFY(kept.contains("<0000> <FFFF>\nendcodespacerange\n3 beginbfchar\n"
                              "<0003> <D835DC00>\n<0011> <4E01>\n<0020> <0041>\nendbfchar\n"
                              "endcmap\n"));
        QVERIFY(!kept.contains("<0031>"));
        QVERIFY(kept.endsWith("defineresource pop\nend\nend\n"));
        // A map it cannot read stays as it was: larger, never wrong.
        const QByteArray odd =
            "begincmap\n1 beginbfrange\n<0001> <0004> (x)\nendbfrange\nendcmap\n";
        QCOMPARE(CidFontParts::keepInToUnicode(odd, {1}), odd);
    }

    // The mend of a map Qt wrote without the glyphs of characters beyond the basic plane.
    void toUnicodeTakesTextsBeyondTheBasicPlane()
    {
        const QByteArray cmap = "begincmap\n2 beginbfrange\n<0000> <0000> <0000>\n"
                                "<0001> <0001> <0041>\nendbfrange\nendcmap\nend\n";
        QCOMPARE(CidFontParts::mappedCodes(cmap), QList<quint16>({0, 1}));
        const QByteArray mended =
            CidFontParts::withEntries(cmap, {{2, QStringLiteral("😀")}, {3, QStringLiteral("𠮷")}});
        QVERIFY(mended.contains("endbfrange\n2 beginbfchar\n<0002> <D83DDE00>\n"
                                "<0003> <D842DFB7>\nendbfchar\nendcmap\nend\n"));
        QCOMPARE(CidFontParts::mappedCodes(mended), QList<quint16>({0, 1, 2, 3}));
        // A page's share of it keeps them.
        QVERIFY(CidFontParts::keepInToUnicode(mended, {3}).contains("<0003> <D842DFB7>"));
        QCOMPARE(CidFontParts::withEntries("no map", {{2, QStringLiteral("😀")}}),
                 QByteArray("no map"));
    }

    // A glyph Qt wrote again, perhaps in other units, is known by its contours and box.
    void glyphsAreKnownByTheirShape()
    {
        const GlyphShape original{2, 80, 0, 875, 729, 1000};
        QVERIFY(original.resembles({2, 164, 0, 1792, 1493, 2048})); // the same, at 2048 units
        QVERIFY(original.resembles({2, 81, -1, 875, 730, 1000}));   // rounded again
        QVERIFY(!original.resembles({3, 80, 0, 875, 729, 1000}));   // another contour
        QVERIFY(!original.resembles({2, 80, 0, 900, 729, 1000}));   // wider
        QVERIFY(!original.resembles({2, 80, 0, 875, 729, 2048}));   // half the size
        const QByteArray glyph("\x00\x02\x00\x50\x00\x00\x03\x6B\x02\xD9", 10);
        QCOMPARE(GlyphShape::of(glyph, 1000)->xMax, 875); // only a header: by its box
        QVERIFY(!GlyphShape::of(QByteArray(), 1000));     // an empty glyph
    }

    // A glyph's box is the box of its curves, not of the points that pull them: Qt writes a
    // CFF glyph's curves again as TrueType ones, with points of its own.
    void aGlyphsBoxIsTheBoxOfItsCurves()
    {
        // One contour of points (x, y, on the curve), every coordinate in two bytes.
        auto glyph = [](const QList<std::tuple<qint16, qint16, bool>> &points) {
            QByteArray data;
            auto put = [&](qint16 value) {
                data.append(char(quint16(value) >> 8));
                data.append(char(value & 0xff));
            };
            put(1);                          // contours
            for (int box : {0, 0, 300, 300}) // the points' box, as a header gives it
                put(qint16(box));
            put(qint16(points.size() - 1)); // the contour's last point
            put(0);                         // no instructions
            for (const auto &point : points)
                data.append(char(std::get<2>(point) ? 1 : 0));
            qint16 at = 0;
            for (const auto &point : points) {
                put(qint16(std::get<0>(point) - at));
                at = std::get<0>(point);
            }
            at = 0;
            for (const auto &point : points) {
                put(qint16(std::get<1>(point) - at));
                at = std::get<1>(point);
            }
            return data;
        };
        // An arch: its top is halfway to the point that pulls it.
        const auto arch =
            GlyphShape::of(glyph({{0, 0, true}, {50, 100, false}, {100, 0, true}}), 1000);
        QVERIFY(arch);
        QCOMPARE(arch->contours, 1);
        QCOMPARE(QList<int>({arch->xMin, arch->yMin, arch->xMax, arch->yMax}),
                 QList<int>({0, 0, 100, 50}));
        // A contour that begins off the curve closes on it.
        const auto bow =
            GlyphShape::of(glyph({{100, 0, false}, {200, 0, true}, {200, 100, true}}), 1000);
        QCOMPARE(QList<int>({bow->xMin, bow->yMin, bow->xMax, bow->yMax}),
                 QList<int>({150, 0, 200, 100}));
        // Nothing but points off the curve: between each two lies one on it.
        const auto ring = GlyphShape::of(
            glyph({{0, 100, false}, {100, 100, false}, {100, 0, false}, {0, 0, false}}), 1000);
        QCOMPARE(QList<int>({ring->xMin, ring->yMin, ring->xMax, ring->yMax}),
                 QList<int>({0, 0, 100, 100}));
    }

    void cidSetMarksGlyphZeroAndThePageGlyphs()
    {
        QCOMPARE(CidFontParts::cidSet({}), QByteArray(1, char(0x80)));
        QCOMPARE(CidFontParts::cidSet({1, 9, 15}), QByteArray("\xC0\x41", 2));
    }

    void contentScanFindsEveryShownGlyphByFont()
    {
        const QByteArray content =
            "q 1 0 0 -1 0 842 cm\nBT /F7 776 Tf 1 0 0 -1 0 0 Tm 8560 -2526.75 Td <0001> Tj\n"
            "776 0 Td <00020003> Tj ET\n"
            "q BT /F8 12 Tf [<0005> -120 <0006>] TJ (\\000\\011) Tj ET Q\n"
            "BT <0007> Tj ET\n" // the font of the outer state again
            "% a comment <0099> Tj\n"
            "BI /W 2 /H 1 ID \x01<0098> Tj\x02 EI\n"
            "/P <</MCID 0>> BDC (a\\)b) Tj EMC Q\n";
        const auto glyphs = ContentGlyphs::byFont(content);
        QCOMPARE(glyphs.size(), size_t(2));
        QCOMPARE(glyphs.at("F7"), (QList<quint16>{1, 2, 3, 7, 0x6129}));
        QCOMPARE(glyphs.at("F8"), (QList<quint16>{5, 6, 9}));
    }
};

QTEST_GUILESS_MAIN(TestPdfParts)
#include "test_pdf_parts.moc"

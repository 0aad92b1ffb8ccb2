// The workbook reader's XML pull parser beside libxml2's xmlTextReader, each reading the
// cells of a 100,000-row sheet as the reader does: every cell's reference, type and style,
// and its value's text.

#include "spreadsheet/XmlPullParser.h"

#include <libxml/xmlreader.h>

#include <QByteArray>
#include <QElapsedTimer>

#include <cstdio>
#include <functional>

namespace {

// Four columns as an export writes them: a shared string, a date, an amount, a string.
QByteArray sheetXml(int rows)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                     "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/"
                     "main\"><sheetData>";
    for (int r = 1; r <= rows; ++r) {
        const QByteArray n = QByteArray::number(r);
        xml += "<row r=\"" + n + "\" spans=\"1:4\"><c r=\"A" + n + "\" t=\"s\"><v>" +
               QByteArray::number(r % 5000) + "</v></c><c r=\"B" + n + "\" s=\"1\"><v>" +
               QByteArray::number(45000 + r % 700) + "</v></c><c r=\"C" + n + "\" s=\"2\"><v>" +
               QByteArray::number(1000 + r * 7.31, 'f', 2) + "</v></c><c r=\"D" + n +
               "\" t=\"s\"><v>" + QByteArray::number(5000 + r) + "</v></c></row>";
    }
    return xml + "</sheetData></worksheet>";
}

// What both sides gather, so neither can skip the work.
struct Tally
{
    qint64 cells = 0;
    qint64 bytes = 0; // of references, types, styles and values
};

Tally ours(const QByteArray &xml)
{
    Tally tally;
    XmlPullParser parser(xml);
    for (auto token = parser.next(); token != XmlPullParser::EndDocument; token = parser.next()) {
        if (token != XmlPullParser::StartElement || !XmlPullParser::is(parser.name(), "c"))
            continue;
        ++tally.cells;
        parser.forEachAttribute(
            [&](QByteArrayView, QByteArrayView value) { tally.bytes += value.size(); });
        if (parser.readSimpleElement("v"))
            tally.bytes += parser.rawText().size();
    }
    return tally;
}

Tally libxml2(const QByteArray &xml)
{
    Tally tally;
    xmlTextReaderPtr reader =
        xmlReaderForMemory(xml.constData(), int(xml.size()), nullptr, "UTF-8", XML_PARSE_NONET);
    bool inValue = false;
    while (xmlTextReaderRead(reader) == 1) {
        const int type = xmlTextReaderNodeType(reader);
        if (type == XML_READER_TYPE_ELEMENT) {
            const xmlChar *name = xmlTextReaderConstLocalName(reader);
            if (xmlStrEqual(name, BAD_CAST "c")) {
                ++tally.cells;
                while (xmlTextReaderMoveToNextAttribute(reader) == 1)
                    tally.bytes += xmlStrlen(xmlTextReaderConstValue(reader));
                xmlTextReaderMoveToElement(reader);
            }
            inValue = xmlStrEqual(name, BAD_CAST "v");
        } else if (type == XML_READER_TYPE_TEXT && inValue) {
            tally.bytes += xmlStrlen(xmlTextReaderConstValue(reader));
        } else if (type == XML_READER_TYPE_END_ELEMENT) {
            inValue = false;
        }
    }
    xmlFreeTextReader(reader);
    return tally;
}

double bestOf(int runs, const std::function<void()> &work)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, timer.nsecsElapsed() / 1e9);
    }
    return best;
}

} // namespace

int main()
{
    const QByteArray xml = sheetXml(100000);
    Tally a, b;
    const double ourTime = bestOf(5, [&] { a = ours(xml); });
    const double theirTime = bestOf(5, [&] { b = libxml2(xml); });
    std::printf("100,000-row sheet (%.1f MB of XML), %lld cells:\n", xml.size() / 1e6, a.cells);
    std::printf("  XmlPullParser: %.3f s\n", ourTime);
    std::printf("  libxml2 xmlTextReader: %.3f s, ratio %.2f against ours%s\n", theirTime,
                theirTime / ourTime,
                a.cells == b.cells && a.bytes == b.bytes ? "" : " (they read different things!)");
    xmlCleanupParser();
    return 0;
}

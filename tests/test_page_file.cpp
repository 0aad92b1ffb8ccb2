// One page of a document written as a file of its own: what it must carry, what it must
// leave behind, and the changes asked of it, read back by qpdf and by poppler. Poppler reads
// what qpdf forgives: it finds a packed object by its slot in the cross-references alone.

#include "engine/pdf/PageFileWriter.h"

#include <QTest>

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <poppler-qt6.h>

#include <memory>

namespace {

std::string bytesOf(QPDFObjectHandle stream)
{
    const std::shared_ptr<Buffer> data = stream.getStreamData(qpdf_dl_generalized);
    return std::string(reinterpret_cast<const char *>(data->getBuffer()), data->getSize());
}

QPDFObjectHandle newStream(QPDF &pdf, const std::string &data)
{
    return QPDFObjectHandle::newStream(&pdf, data);
}

// Two pages under one tree that gives them their size, turn and resources. The first shows
// a font named twice and an image, has a link to the second and an annotation that points
// back to it.
struct TwoPages
{
    QPDF pdf;
    QPDFObjectHandle first, second, font, image;

    TwoPages()
    {
        pdf.emptyPDF();
        auto page = [&](const std::string &text) {
            QPDFObjectHandle dictionary =
                pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Page >>"));
            dictionary.replaceKey("/Contents", newStream(pdf, text));
            QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(dictionary), false);
            return QPDFPageDocumentHelper(pdf).getAllPages().back().getObjectHandle();
        };
        first = page("BT /F1 12 Tf 10 10 Td (first) Tj ET /Im1 Do");
        second = page("BT /F1 12 Tf 10 10 Td (second) Tj ET");
        // Set once the pages are in: adding a page moves what the tree gives down to them.
        font = pdf.makeIndirectObject(QPDFObjectHandle::parse(
            "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"));
        image = newStream(pdf, std::string(12, '\x7f'));
        image.replaceDict(QPDFObjectHandle::parse(
            "<< /Type /XObject /Subtype /Image /Width 2 /Height 2 /ColorSpace /DeviceRGB "
            "/BitsPerComponent 8 >>"));
        QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
        resources.replaceKey("/Font",
                             QPDFObjectHandle::newDictionary({{"/F1", font}, {"/A B#", font}}));
        resources.replaceKey("/XObject", QPDFObjectHandle::newDictionary({{"/Im1", image}}));
        QPDFObjectHandle pages = pdf.getRoot().getKey("/Pages");
        pages.replaceKey("/Resources", pdf.makeIndirectObject(resources));
        pages.replaceKey("/MediaBox", QPDFObjectHandle::parse("[0 0 200 300]"));
        pages.replaceKey("/Rotate", QPDFObjectHandle::newInteger(90));
        QPDFObjectHandle link = pdf.makeIndirectObject(
            QPDFObjectHandle::parse("<< /Type /Annot /Subtype /Link /Rect [0 0 10 10] >>"));
        link.replaceKey("/Dest",
                        QPDFObjectHandle::newArray({second, QPDFObjectHandle::newName("/Fit")}));
        link.replaceKey("/P", first);
        first.replaceKey("/Annots", QPDFObjectHandle::newArray({link}));
    }

    QPDFObjectHandle info()
    {
        return pdf.makeIndirectObject(QPDFObjectHandle::parse(
            "<< /Title (a \\(b\\) \\\\ c) /Author <FEFF5BA26237> /Trapped false /N 1.5 >>"));
    }
};

// A written file as qpdf reads it, and as poppler (the reader of most viewers and of
// pdftotext) does: a file of one page, whose text it finds.
struct ReadBack
{
    explicit ReadBack(const QByteArray &file)
        : bytes(file), viewer(Poppler::Document::loadFromData(file))
    {
        pdf.setSuppressWarnings(true);
        pdf.processMemoryFile("page", bytes.constData(), size_t(bytes.size()));
    }
    QPDFObjectHandle page()
    {
        return QPDFPageDocumentHelper(pdf).getAllPages().at(0).getObjectHandle();
    }
    // The one page poppler finds, or null.
    std::unique_ptr<Poppler::Page> viewerPage() const
    {
        if (!viewer || viewer->isLocked() || viewer->numPages() != 1)
            return nullptr;
        return viewer->page(0);
    }

    QByteArray bytes;
    QPDF pdf;
    std::unique_ptr<Poppler::Document> viewer;
};

} // namespace

class TestPageFile : public QObject
{
    Q_OBJECT
private slots:
    // The page alone, with what it takes from the tree, its fonts under both names, its
    // image, its annotation; the link to a page it does not hold goes nowhere, and the
    // annotation that points back points at the page written.
    void aPageTakesWhatItUsesAndNothingOfOtherPages()
    {
        TwoPages source;
        const QByteArray file = PageFileWriter().write(source.first, source.info());
        ReadBack back(file);
        QCOMPARE(QPDFPageDocumentHelper(back.pdf).getAllPages().size(), size_t(1));
        QPDFObjectHandle page = back.page();
        QCOMPARE(page.getKey("/MediaBox").unparse(), std::string("[ 0 0 200 300 ]"));
        QCOMPARE(page.getKey("/Rotate").getIntValue(), 90LL);
        QPDFObjectHandle fonts = page.getKey("/Resources").getKey("/Font");
        QVERIFY(fonts.getKey("/F1").isDictionary());
        QCOMPARE(fonts.getKey("/A B#").getObjGen(), fonts.getKey("/F1").getObjGen());
        QCOMPARE(fonts.getKey("/F1").getKey("/BaseFont").getName(), std::string("/Helvetica"));
        QPDFObjectHandle image = page.getKey("/Resources").getKey("/XObject").getKey("/Im1");
        QCOMPARE(bytesOf(image), std::string(12, '\x7f'));
        QCOMPARE(bytesOf(page.getKey("/Contents")),
                 std::string("BT /F1 12 Tf 10 10 Td (first) Tj ET /Im1 Do"));
        QPDFObjectHandle link = page.getKey("/Annots").getArrayItem(0);
        QVERIFY(link.getKey("/Dest").getArrayItem(0).isNull());
        QCOMPARE(link.getKey("/P").getObjGen(), page.getObjGen());
        // Nothing of the second page came along.
        QVERIFY(!file.contains("second"));
        for (QPDFObjectHandle object : back.pdf.getAllObjects())
            QVERIFY(!object.isStream() || bytesOf(object).find("second") == std::string::npos);

        QPDFObjectHandle info = back.pdf.getTrailer().getKey("/Info");
        QCOMPARE(info.getKey("/Title").getUTF8Value(), std::string("a (b) \\ c"));
        QCOMPARE(info.getKey("/Author").getUTF8Value(), std::string("客户"));
        QCOMPARE(info.getKey("/Trapped").getBoolValue(), false);
        QCOMPARE(info.getKey("/N").getNumericValue(), 1.5);

        // Poppler finds the page, turned as its tree turns it, its text and its title.
        const std::unique_ptr<Poppler::Page> shown = back.viewerPage();
        QVERIFY(shown);
        QCOMPARE(shown->orientation(), Poppler::Page::Landscape);
        QCOMPARE(shown->pageSizeF(), QSizeF(300, 200));
        QCOMPARE(shown->text(QRectF()).trimmed(), QStringLiteral("first"));
        QCOMPARE(back.viewer->info(QStringLiteral("Title")), QStringLiteral("a (b) \\ c"));
        QCOMPARE(back.viewer->info(QStringLiteral("Author")), QStringLiteral("客户"));
    }

    // A stream's data and a dictionary's keys as asked: added, replaced and removed.
    void changesAreWrittenInPlaceOfTheDocumentsOwn()
    {
        TwoPages source;
        PageFileWriter writer;
        writer.change(source.image.getObjGen(),
                      {deflatedForPdf(QByteArray(12, '\x10')),
                       {{"/Filter", "/FlateDecode"}, {"/Width", "4"}, {"/Height", "1"}}});
        writer.change(source.font.getObjGen(), {std::nullopt, {{"/Encoding", {}}}});
        ReadBack back(writer.write(source.first, QPDFObjectHandle::newNull()));
        QPDFObjectHandle page = back.page();
        QPDFObjectHandle image = page.getKey("/Resources").getKey("/XObject").getKey("/Im1");
        QCOMPARE(bytesOf(image), std::string(12, '\x10'));
        QCOMPARE(image.getDict().getKey("/Width").getIntValue(), 4LL);
        QCOMPARE(image.getDict().getKey("/Height").getIntValue(), 1LL);
        QCOMPARE(image.getDict().getKey("/BitsPerComponent").getIntValue(), 8LL);
        QPDFObjectHandle font = page.getKey("/Resources").getKey("/Font").getKey("/F1");
        QVERIFY(!font.hasKey("/Encoding"));
        QVERIFY(font.hasKey("/BaseFont"));
        QVERIFY(!back.pdf.getTrailer().hasKey("/Info"));
        const std::unique_ptr<Poppler::Page> shown = back.viewerPage();
        QVERIFY(shown);
        QCOMPARE(shown->text(QRectF()).trimmed(), QStringLiteral("first"));
    }

    // A well-formed file that qpdf reads without a warning, the same bytes for the same
    // page every time, and a new identifier for a different page.
    void theFileIsSoundAndTheSameEachTime()
    {
        TwoPages source;
        const QByteArray first = PageFileWriter().write(source.first, source.info());
        QCOMPARE(PageFileWriter().write(source.first, source.info()), first);
        ReadBack back(first);
        QVERIFY(back.pdf.getWarnings().empty());
        QVERIFY(back.pdf.getTrailer().getKey("/ID").isArray());
        for (QPDFObjectHandle object : back.pdf.getAllObjects())
            if (object.isStream())
                bytesOf(object); // decodes, or throws
        QVERIFY(back.pdf.getWarnings().empty());
        const QByteArray second = PageFileWriter().write(source.second, source.info());
        const ReadBack secondBack(second);
        QVERIFY(secondBack.viewerPage());
        QCOMPARE(secondBack.viewerPage()->text(QRectF()).trimmed(), QStringLiteral("second"));
        QVERIFY(ReadBack(second).pdf.getTrailer().getKey("/ID").getArrayItem(0).getStringValue() !=
                back.pdf.getTrailer().getKey("/ID").getArrayItem(0).getStringValue());
        // qpdf writes it again as it read it: nothing it had to repair.
        QPDFWriter rewrite(back.pdf);
        rewrite.setOutputMemory();
        rewrite.write();
        QVERIFY(back.pdf.getWarnings().empty());
    }
};

QTEST_APPLESS_MAIN(TestPageFile)
#include "test_page_file.moc"

#include "PdfPageSplitter.h"

#include "CidFontParts.h"
#include "ContentGlyphs.h"
#include "FontSubsetter.h"
#include "QpdfStreams.h"

#include <qpdf/Pl_Flate.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <libdeflate.h>

#include <QHash>

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>

namespace {

using QpdfStreams::bytesOf;
using QpdfStreams::replaceData;

// A /W array: "c [w1 w2 …]" gives widths from c on, "first last w" one width for a range.
std::map<quint16, double> readWidths(QPDFObjectHandle array)
{
    std::map<quint16, double> widths;
    if (!array.isArray())
        return widths;
    std::vector<QPDFObjectHandle> items = array.getArrayAsVector();
    for (size_t i = 0; i + 1 < items.size();) {
        if (!items[i].isInteger())
            return {};
        const long long first = items[i].getIntValue();
        if (items[i + 1].isArray()) {
            long long cid = first;
            for (QPDFObjectHandle &width : items[i + 1].getArrayAsVector())
                if (width.isNumber() && cid >= 0 && cid <= 0xFFFF)
                    widths[quint16(cid++)] = width.getNumericValue();
            i += 2;
        } else if (i + 2 < items.size() && items[i + 1].isInteger() && items[i + 2].isNumber()) {
            const long long last = std::min(items[i + 1].getIntValue(), 0xFFFFLL);
            for (long long cid = std::max(first, 0LL); cid <= last; ++cid)
                widths[quint16(cid)] = items[i + 2].getNumericValue();
            i += 3;
        } else {
            return {};
        }
    }
    return widths;
}

QPDFObjectHandle widthsOf(const std::map<quint16, double> &widths, const QList<quint16> &glyphs)
{
    QPDFObjectHandle array = QPDFObjectHandle::newArray();
    for (quint16 glyph : glyphs) {
        const auto found = widths.find(glyph);
        if (found == widths.end())
            continue;
        const double width = found->second;
        QPDFObjectHandle value = width == std::round(width)
                                     ? QPDFObjectHandle::newInteger((long long)width)
                                     : QPDFObjectHandle::newReal(width, 3);
        array.appendItem(QPDFObjectHandle::newInteger(glyph));
        array.appendItem(QPDFObjectHandle::newArray({value}));
    }
    return array;
}

// A font program as a FlateDecode stream: libdeflate, several times faster than zlib at the
// same size, since a letter's glyphs are compressed anew for every letter.
QByteArray deflated(const QByteArray &data)
{
    thread_local std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)>
        compressor(libdeflate_alloc_compressor(1), &libdeflate_free_compressor);
    if (!compressor)
        throw std::bad_alloc();
    const size_t bound = libdeflate_zlib_compress_bound(compressor.get(), size_t(data.size()));
    QByteArray out(qsizetype(bound), Qt::Uninitialized);
    const size_t size = libdeflate_zlib_compress(compressor.get(), data.constData(),
                                                 size_t(data.size()), out.data(), bound);
    if (size == 0)
        throw std::runtime_error("deflate failed");
    out.truncate(qsizetype(size));
    return out;
}

QList<quint16> sortedUnique(QList<quint16> glyphs)
{
    std::sort(glyphs.begin(), glyphs.end());
    glyphs.erase(std::unique(glyphs.begin(), glyphs.end()), glyphs.end());
    return glyphs;
}

} // namespace

struct PdfPageSplitter::Font
{
    // What a page showing one set of the font's glyphs carries of it.
    struct Program
    {
        QByteArray deflated;
        qsizetype length;
        QByteArray toUnicode;
        QByteArray cidSet;
    };
    std::unique_ptr<FontSubsetter> program;  // none when the font is not prunable
    QHash<QList<quint16>, Program> programs; // by glyph set
    QByteArray toUnicode;
    std::map<quint16, double> widths;
};

PdfPageSplitter::PdfPageSplitter(const QByteArray &pdf)
    : m_pdf(pdf), m_source(std::make_unique<QPDF>())
{
    // What qpdf compresses itself, a page's object and cross-reference streams and glyph
    // maps, is a few kilobytes a page that it would otherwise squeeze at zlib's default.
    Pl_Flate::setCompressionLevel(1);
    m_source->setSuppressWarnings(true);
    try {
        m_source->processMemoryFile("document", m_pdf.constData(), size_t(m_pdf.size()));
        m_pages = QPDFPageDocumentHelper(*m_source).getAllPages();
    } catch (const std::exception &e) {
        throw std::runtime_error(std::string("PDF 无法分页：") + e.what());
    }
}

PdfPageSplitter::~PdfPageSplitter() = default;

PdfPageSplitter::Font &PdfPageSplitter::fontFor(QPDFObjectHandle source)
{
    const QPDFObjGen id = source.getObjGen();
    auto &slot = m_fonts[{id.getObj(), id.getGen()}];
    if (slot)
        return *slot;
    slot = std::make_unique<Font>();
    try {
        QPDFObjectHandle descendant = source.getKey("/DescendantFonts").getArrayItem(0);
        QPDFObjectHandle file = descendant.getKey("/FontDescriptor").getKey("/FontFile2");
        QPDFObjectHandle toUnicode = source.getKey("/ToUnicode");
        if (descendant.getKey("/Subtype").isNameAndEquals("/CIDFontType2") && file.isStream()) {
            auto program = std::make_unique<FontSubsetter>(bytesOf(file));
            if (program->isValid())
                slot->program = std::move(program);
            slot->widths = readWidths(descendant.getKey("/W"));
            if (toUnicode.isStream())
                slot->toUnicode = bytesOf(toUnicode);
        }
    } catch (const std::exception &) {
        slot->program.reset(); // kept whole: larger, never wrong
    }
    return *slot;
}

void PdfPageSplitter::prune(QPDFObjectHandle copy, Font &font, const QList<quint16> &glyphs)
{
    if (!font.program)
        return;
    QPDFObjectHandle descendant = copy.getKey("/DescendantFonts").getArrayItem(0);
    QPDFObjectHandle descriptor = descendant.getKey("/FontDescriptor");
    QPDFObjectHandle file = descriptor.getKey("/FontFile2");
    if (!file.isStream())
        return;
    // Pages often show the same glyphs of a font (the digits, say): each set's program,
    // glyph map and glyph set are built, and the program compressed, once.
    auto cached = font.programs.constFind(glyphs);
    if (cached == font.programs.constEnd()) {
        if (font.programs.size() >= 16) // a few megabytes a font for each thread
            font.programs.clear();
        const QByteArray program = font.program->keepGlyphs(glyphs);
        cached = font.programs.insert(glyphs,
                                      {deflated(program), program.size(),
                                       font.toUnicode.isEmpty()
                                           ? QByteArray()
                                           : CidFontParts::keepInToUnicode(font.toUnicode, glyphs),
                                       CidFontParts::cidSet(glyphs)});
    }
    file.replaceStreamData(
        std::string(cached->deflated.constData(), size_t(cached->deflated.size())),
        QPDFObjectHandle::newName("/FlateDecode"), QPDFObjectHandle::newNull());
    file.getDict().replaceKey("/Length1", QPDFObjectHandle::newInteger(cached->length));
    if (QPDFObjectHandle toUnicode = copy.getKey("/ToUnicode");
        toUnicode.isStream() && !font.toUnicode.isEmpty())
        replaceData(toUnicode, cached->toUnicode);
    if (QPDFObjectHandle set = descriptor.getKey("/CIDSet"); set.isStream())
        replaceData(set, cached->cidSet);
    if (!font.widths.empty())
        descendant.replaceKey("/W", widthsOf(font.widths, glyphs));
}

QByteArray PdfPageSplitter::page(int index)
{
    try {
        QPDFPageObjectHelper source = m_pages.at(size_t(index));
        QByteArray content;
        for (QPDFObjectHandle part : source.getObjectHandle().getPageContents())
            content += bytesOf(part) + '\n';
        std::map<QByteArray, QList<quint16>> glyphs = ContentGlyphs::byFont(content);

        QPDF out;
        out.setSuppressWarnings(true);
        out.emptyPDF();
        QPDFPageDocumentHelper(out).addPage(source, false);
        QPDFObjectHandle copy = QPDFPageDocumentHelper(out).getAllPages().front().getObjectHandle();
        QPDFObjectHandle sourceFonts =
            source.getObjectHandle().getKey("/Resources").getKey("/Font");
        QPDFObjectHandle copiedFonts = copy.getKey("/Resources").getKey("/Font");
        if (sourceFonts.isDictionary() && copiedFonts.isDictionary()) {
            for (const std::string &name : sourceFonts.getKeys())
                prune(copiedFonts.getKey(name), fontFor(sourceFonts.getKey(name)),
                      sortedUnique(glyphs[QByteArray::fromStdString(name).sliced(1)]));
        }
        if (QPDFObjectHandle info = m_source->getTrailer().getKey("/Info"); info.isDictionary())
            out.getTrailer().replaceKey("/Info", out.copyForeignObject(info));

        QPDFWriter writer(out);
        writer.setOutputMemory();
        writer.setObjectStreamMode(qpdf_o_generate);
        // Streams go out as they are: the fonts were compressed once for every page that
        // shows the same glyphs, and the content as it was drawn. Decoding each to compress
        // it again took most of a page's time. Streams without a filter (the pruned glyph
        // maps) are still compressed.
        writer.setDecodeLevel(qpdf_dl_none);
        writer.setDeterministicID(true);
        writer.write();
        const std::shared_ptr<Buffer> bytes = writer.getBufferSharedPointer();
        return QByteArray(reinterpret_cast<const char *>(bytes->getBuffer()),
                          qsizetype(bytes->getSize()));
    } catch (const std::exception &e) {
        throw std::runtime_error("PDF 第 " + std::to_string(index + 1) + " 页无法单独保存：" +
                                 e.what());
    }
}

extern "C" Q_DECL_EXPORT PageSplitter *roviradavevNewPageSplitter(const QByteArray &pdf,
                                                                  QString *error)
{
    try {
        return new PdfPageSplitter(pdf);
    } catch (const std::exception &e) {
        *error = QString::fromUtf8(e.what());
        return nullptr;
    }
}

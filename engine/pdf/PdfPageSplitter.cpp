#include "PdfPageSplitter.h"

#include "CidFontParts.h"
#include "ContentGlyphs.h"
#include "FontSubsetter.h"
#include "PageFileWriter.h"
#include "QpdfStreams.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <QHash>

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

using QpdfStreams::bytesOf;

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

// The /W array of these glyphs alone: "first [w1 w2 …]" for each run of glyphs in a row.
QByteArray widthsOf(const std::map<quint16, double> &widths, const QList<quint16> &glyphs)
{
    QByteArray array = "[";
    int next = -1; // the glyph that would continue the current run
    for (quint16 glyph : glyphs) {
        const auto found = widths.find(glyph);
        if (found == widths.end())
            continue;
        if (glyph != next) {
            if (next >= 0)
                array += ']';
            array += ' ' + QByteArray::number(glyph) + " [";
        } else {
            array += ' ';
        }
        const double width = found->second;
        array += width == std::round(width) ? QByteArray::number(qint64(width))
                                            : QByteArray::number(width, 'f', 3);
        next = glyph + 1;
    }
    if (next >= 0)
        array += ']';
    return array + " ]";
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
        QByteArray deflated; // the program
        qsizetype length;
        QByteArray toUnicode; // deflated, as the glyph set is
        QByteArray cidSet;
        QByteArray widths; // the /W array
    };
    std::unique_ptr<FontSubsetter> program;  // none when the font is not prunable
    QHash<QList<quint16>, Program> programs; // by glyph set
    QByteArray toUnicode;
    std::map<quint16, double> widths;
};

PdfPageSplitter::PdfPageSplitter(const QByteArray &pdf)
    : m_pdf(pdf), m_source(std::make_unique<QPDF>())
{
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

void PdfPageSplitter::prune(QPDFObjectHandle source, Font &font, const QList<quint16> &glyphs,
                            PageFileWriter &writer)
{
    if (!font.program)
        return;
    QPDFObjectHandle descendant = source.getKey("/DescendantFonts").getArrayItem(0);
    QPDFObjectHandle descriptor = descendant.getKey("/FontDescriptor");
    QPDFObjectHandle file = descriptor.getKey("/FontFile2");
    if (!file.isStream())
        return;
    // Pages often show the same glyphs of a font (the digits, say): each set's program,
    // glyph map and glyph set are built, and compressed, once.
    auto cached = font.programs.constFind(glyphs);
    if (cached == font.programs.constEnd()) {
        if (font.programs.size() >= 16) // a few megabytes a font for each thread
            font.programs.clear();
        const QByteArray program = font.program->keepGlyphs(glyphs);
        cached = font.programs.insert(
            glyphs, {deflatedForPdf(program), program.size(),
                     font.toUnicode.isEmpty()
                         ? QByteArray()
                         : deflatedForPdf(CidFontParts::keepInToUnicode(font.toUnicode, glyphs)),
                     deflatedForPdf(CidFontParts::cidSet(glyphs)),
                     font.widths.empty() ? QByteArray() : widthsOf(font.widths, glyphs)});
    }
    const std::map<std::string, QByteArray> deflatedKeys{{"/Filter", "/FlateDecode"},
                                                         {"/DecodeParms", {}}};
    PageFileWriter::Change program{cached->deflated, deflatedKeys};
    program.keys["/Length1"] = QByteArray::number(cached->length);
    writer.change(file.getObjGen(), std::move(program));
    if (QPDFObjectHandle toUnicode = source.getKey("/ToUnicode");
        toUnicode.isStream() && !cached->toUnicode.isEmpty())
        writer.change(toUnicode.getObjGen(), {cached->toUnicode, deflatedKeys});
    if (QPDFObjectHandle set = descriptor.getKey("/CIDSet"); set.isStream())
        writer.change(set.getObjGen(), {cached->cidSet, deflatedKeys});
    // A dictionary written inside another cannot be told apart: its widths stay whole.
    if (!cached->widths.isEmpty() && descendant.isIndirect())
        writer.change(descendant.getObjGen(), {std::nullopt, {{"/W", cached->widths}}});
}

QByteArray PdfPageSplitter::page(int index, const QString &title)
{
    try {
        QPDFPageObjectHelper &page = m_pages.at(size_t(index));
        QByteArray content;
        for (QPDFObjectHandle part : page.getPageContents())
            content += bytesOf(part) + '\n';
        std::map<QByteArray, QList<quint16>> glyphs = ContentGlyphs::byFont(content);

        PageFileWriter writer;
        QPDFObjectHandle fonts = page.getAttribute("/Resources", false);
        fonts = fonts.isDictionary() ? fonts.getKey("/Font") : QPDFObjectHandle::newNull();
        if (fonts.isDictionary()) {
            // A font named twice shows the glyphs of both names.
            std::map<QPDFObjGen, std::pair<QPDFObjectHandle, QList<quint16>>> shown;
            for (const std::string &name : fonts.getKeys()) {
                QPDFObjectHandle font = fonts.getKey(name);
                if (font.isDictionary() && font.isIndirect()) {
                    auto &[handle, used] = shown[font.getObjGen()];
                    handle = font;
                    used += glyphs[QByteArray::fromStdString(name).sliced(1)];
                }
            }
            for (auto &[id, font] : shown)
                prune(font.first, fontFor(font.first), sortedUnique(font.second), writer);
        }
        QPDFObjectHandle info = m_source->getTrailer().getKey("/Info");
        if (!title.isEmpty()) {
            // This page's own, written in its file alone: the document's stays as it is.
            info = info.isDictionary() ? info.shallowCopy() : QPDFObjectHandle::newDictionary();
            info.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(title.toStdString()));
        }
        return writer.write(page.getObjectHandle(), info);
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

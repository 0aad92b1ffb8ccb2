#include "PageFileWriter.h"

#include <qpdf/Buffer.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <QCryptographicHash>

#include <libdeflate.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <vector>

QByteArray deflatedForPdf(const QByteArray &data)
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

namespace {

// Keys the page takes from the page tree above it when it does not set them itself.
constexpr const char *kInheritedKeys[] = {"/Resources", "/MediaBox", "/CropBox", "/Rotate"};

void appendNumber(QByteArray &out, qint64 value)
{
    char digits[24];
    const int length = std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(value));
    out.append(digits, length);
}

// A name as PDF spells it: delimiters, '#' and bytes outside the printable range as #XX.
void appendName(QByteArray &out, const std::string &name)
{
    static const char kHex[] = "0123456789ABCDEF";
    out += '/';
    for (size_t i = 1; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c < 0x21 || c > 0x7e || std::strchr("#()<>[]{}/%", c)) {
            out += '#';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += char(c);
        }
    }
}

class Writer
{
public:
    explicit Writer(const std::map<QPDFObjGen, PageFileWriter::Change> &changes)
        : m_changes(changes)
    {
    }

    QByteArray write(QPDFObjectHandle page, QPDFObjectHandle info)
    {
        m_file.reserve(64 << 10);
        m_file += "%PDF-1.5\n%\xE2\xE3\xCF\xD3\n";
        // 1: the catalog, 2: the page tree, 3: the page; then what they use, as met.
        m_objects.resize(3);
        pack(1, "<< /Type /Catalog /Pages 2 0 R >>\n");
        pack(2, "<< /Type /Pages /Kids [ 3 0 R ] /Count 1 >>\n");
        // What refers back to the page refers to this one.
        m_numbers.emplace(page.getObjGen(), 3);
        const qsizetype pageAt = m_packed.size();
        writePage(page);
        pack(3, pageAt);
        int infoNumber = 0;
        if (info.isDictionary())
            infoNumber = info.isIndirect() ? numberOf(info) : queue(info);
        for (size_t i = 3; i < m_queue.size() + 3; ++i)
            writeObject(int(i) + 1, m_queue[i - 3]);
        return finish(infoNumber);
    }

private:
    struct Place
    {
        qsizetype at = 0; // the offset in the file, or the slot in the object stream
        bool packed = false;
    };

    // A new number for an object written later, in its turn.
    int queue(QPDFObjectHandle object)
    {
        m_queue.push_back(object);
        m_objects.emplace_back();
        return int(m_objects.size());
    }

    int numberOf(QPDFObjectHandle object)
    {
        const QPDFObjGen id = object.getObjGen();
        if (const auto found = m_numbers.find(id); found != m_numbers.end())
            return found->second;
        const int number = queue(object);
        m_numbers.emplace(id, number);
        return number;
    }

    void pack(int number, const char *object)
    {
        const qsizetype offset = m_packed.size();
        m_packed += object;
        pack(number, offset);
    }

    void pack(int number, qsizetype offset)
    {
        m_objects[size_t(number - 1)] = {qsizetype(m_packedNumbers.size()), true};
        m_packedNumbers.push_back(number);
        m_packedOffsets.push_back(offset);
    }

    void writePage(QPDFObjectHandle page)
    {
        QByteArray &out = m_packed;
        out += "<<";
        for (const std::string &key : page.getKeys()) {
            if (key == "/Parent")
                continue;
            writeEntry(out, key, page.getKey(key));
        }
        for (const char *key : kInheritedKeys) {
            if (page.hasKey(key))
                continue;
            for (QPDFObjectHandle above = page.getKey("/Parent"); above.isDictionary();
                 above = above.getKey("/Parent")) {
                if (above.hasKey(key)) {
                    writeEntry(out, key, above.getKey(key));
                    break;
                }
            }
        }
        out += " /Parent 2 0 R >>\n";
    }

    void writeEntry(QByteArray &out, const std::string &key, QPDFObjectHandle value)
    {
        if (value.isNull())
            return;
        out += ' ';
        appendName(out, key);
        out += ' ';
        writeValue(out, value);
    }

    void writeValue(QByteArray &out, QPDFObjectHandle value)
    {
        if (value.isIndirect()) {
            // Another page (a link's destination, say) is not part of this one's file.
            if (!m_numbers.count(value.getObjGen()) && value.isDictionary() &&
                (value.isPageObject() || value.isPagesObject())) {
                out += "null";
                return;
            }
            appendNumber(out, numberOf(value));
            out += " 0 R";
            return;
        }
        writeDirect(out, value, nullptr);
    }

    void writeDirect(QByteArray &out, QPDFObjectHandle value, const PageFileWriter::Change *change)
    {
        switch (value.getTypeCode()) {
        case ::ot_array: {
            out += '[';
            for (const QPDFObjectHandle &item : value.getArrayAsVector()) {
                out += ' ';
                writeValue(out, item);
            }
            out += " ]";
            break;
        }
        case ::ot_dictionary:
            writeDictionary(out, value, change, -1);
            break;
        case ::ot_integer:
            appendNumber(out, value.getIntValue());
            break;
        case ::ot_name:
            appendName(out, value.getName());
            break;
        default: { // null, booleans, reals and strings, as qpdf spells them
            const std::string text = value.unparseBinary();
            out.append(text.data(), qsizetype(text.size()));
        }
        }
    }

    // A dictionary, with a stream's length when 'length' is not negative.
    void writeDictionary(QByteArray &out, QPDFObjectHandle dictionary,
                         const PageFileWriter::Change *change, qsizetype length)
    {
        out += "<<";
        for (const auto &[key, value] : dictionary.getDictAsMap()) {
            if (length >= 0 && key == "/Length")
                continue;
            if (change && change->keys.count(key))
                continue;
            writeEntry(out, key, value);
        }
        if (change)
            for (const auto &[key, value] : change->keys) {
                if (value.isEmpty())
                    continue;
                out += ' ';
                appendName(out, key);
                out += ' ';
                out += value;
            }
        if (length >= 0) {
            out += " /Length ";
            appendNumber(out, length);
        }
        out += " >>";
    }

    void writeObject(int number, QPDFObjectHandle object)
    {
        const auto found = m_changes.find(object.getObjGen());
        const PageFileWriter::Change *change =
            object.isIndirect() && found != m_changes.end() ? &found->second : nullptr;
        if (!object.isStream()) {
            const qsizetype offset = m_packed.size();
            writeDirect(m_packed, object, change);
            m_packed += '\n';
            pack(number, offset);
            return;
        }
        QByteArray data;
        if (change && change->data) {
            data = *change->data;
        } else {
            const std::shared_ptr<Buffer> raw = object.getRawStreamData();
            data = QByteArray(reinterpret_cast<const char *>(raw->getBuffer()),
                              qsizetype(raw->getSize()));
        }
        // Written into a buffer of its own first: its dictionary may name objects not yet
        // numbered, and numbering them must not move what is being written.
        QByteArray head;
        appendNumber(head, number);
        head += " 0 obj\n";
        writeDictionary(head, object.getDict(), change, data.size());
        head += "\nstream\n";
        m_objects[size_t(number - 1)] = {m_file.size(), false};
        m_file += head;
        m_file += data;
        m_file += "\nendstream\nendobj\n";
    }

    QByteArray finish(int infoNumber)
    {
        // The cross-references below give a packed object's slot in 16 bits.
        if (m_packedNumbers.size() > 0xffff)
            throw std::runtime_error("page has too many objects");
        // The object stream: pairs of number and offset, then the objects.
        QByteArray index;
        for (size_t i = 0; i < m_packedNumbers.size(); ++i) {
            appendNumber(index, m_packedNumbers[i]);
            index += ' ';
            appendNumber(index, m_packedOffsets[i]);
            index += ' ';
        }
        index += '\n';
        const QByteArray packed = deflatedForPdf(index + m_packed);
        const int streamNumber = int(m_objects.size()) + 1;
        const qsizetype streamAt = m_file.size();
        appendNumber(m_file, streamNumber);
        m_file += " 0 obj\n<< /Type /ObjStm /N ";
        appendNumber(m_file, qsizetype(m_packedNumbers.size()));
        m_file += " /First ";
        appendNumber(m_file, index.size());
        m_file += " /Filter /FlateDecode /Length ";
        appendNumber(m_file, packed.size());
        m_file += " >>\nstream\n";
        m_file += packed;
        m_file += "\nendstream\nendobj\n";

        // The cross-reference stream: type, offset or object stream, index; 1, 4 and 2 bytes.
        const int xrefNumber = streamNumber + 1;
        const qsizetype xrefAt = m_file.size();
        QByteArray rows;
        auto row = [&](int type, quint32 field, quint16 index) {
            const char bytes[7] = {char(type),        char(field >> 24), char(field >> 16),
                                   char(field >> 8),  char(field),       char(index >> 8),
                                   char(index & 0xff)};
            rows.append(bytes, 7);
        };
        row(0, 0, 0xffff);
        for (const Place &place : m_objects) {
            if (place.packed)
                row(2, quint32(streamNumber), quint16(place.at));
            else
                row(1, quint32(place.at), 0);
        }
        row(1, quint32(streamAt), 0);
        row(1, quint32(xrefAt), 0);
        const QByteArray compressedRows = deflatedForPdf(rows);
        // The same file always gets the same identifier: the digest of what precedes it.
        const QByteArray id =
            QCryptographicHash::hash(m_file, QCryptographicHash::Md5).toHex().toUpper();
        appendNumber(m_file, xrefNumber);
        m_file += " 0 obj\n<< /Type /XRef /Size ";
        appendNumber(m_file, xrefNumber + 1);
        m_file += " /W [ 1 4 2 ] /Root 1 0 R";
        if (infoNumber > 0) {
            m_file += " /Info ";
            appendNumber(m_file, infoNumber);
            m_file += " 0 R";
        }
        m_file += " /ID [ <" + id + "> <" + id + "> ] /Filter /FlateDecode /Length ";
        appendNumber(m_file, compressedRows.size());
        m_file += " >>\nstream\n";
        m_file += compressedRows;
        m_file += "\nendstream\nendobj\nstartxref\n";
        appendNumber(m_file, xrefAt);
        m_file += "\n%%EOF\n";
        if (m_file.size() > qsizetype(0xffffffffu))
            throw std::runtime_error("page file too large");
        return m_file;
    }

    const std::map<QPDFObjGen, PageFileWriter::Change> &m_changes;
    QByteArray m_file;
    QByteArray m_packed;              // the object stream's objects
    std::vector<int> m_packedNumbers; // in the order they are packed
    std::vector<qsizetype> m_packedOffsets;
    std::vector<Place> m_objects;          // by number less one
    std::vector<QPDFObjectHandle> m_queue; // objects 4 on, in number order
    std::map<QPDFObjGen, int> m_numbers;
};

} // namespace

QByteArray PageFileWriter::write(QPDFObjectHandle page, QPDFObjectHandle info)
{
    return Writer(m_changes).write(page, info);
}

#include "XlsReader.h"

#include "CodePage.h"
#include "ContinuedBytes.h"
#include "GsfSupport.h"
#include "NumberFormats.h"
#include "ReadFailure.h"
#include "XlsSharedStrings.h"
#include "platform/LargeBlock.h"

#include <QFile>
#include <QList>

#include <cmath>
#include <cstring>
#include <memory>
#include <optional>

namespace XlsReader {

namespace {

enum RecordId : quint16
{
    kFormula = 0x0006,
    kFormulaBiff4 = 0x0406,
    kEof = 0x000A,
    kDateMode = 0x0022,
    kFilePass = 0x002F,
    kWindow1 = 0x003D,
    kContinue = 0x003C,
    kCodePage = 0x0042,
    kBoundSheet = 0x0085,
    kMulRk = 0x00BD,
    kRString = 0x00D6,
    kXf = 0x00E0,
    kSst = 0x00FC,
    kLabelSst = 0x00FD,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kBoolErr = 0x0205,
    kString = 0x0207,
    kRk = 0x027E,
    kFormat = 0x041E,
    kBof = 0x0809,
};

struct Record
{
    quint16 id;
    qsizetype offset; // of the record header in the stream
    QByteArrayView data;
};

// A record shorter than its kind must be.
struct ShortRecord
{
};

// Bounds-checked little-endian reading of one record's data.
class Bytes
{
public:
    explicit Bytes(QByteArrayView data, qsizetype at = 0) : m_data(data), m_pos(at) {}
    qsizetype remaining() const { return m_data.size() - m_pos; }
    void need(qsizetype n) const
    {
        if (n < 0 || remaining() < n)
            throw ShortRecord{};
    }
    quint8 u8()
    {
        need(1);
        return quint8(m_data[m_pos++]);
    }
    quint16 u16()
    {
        need(2);
        const quint16 v = quint8(m_data[m_pos]) | quint16(quint8(m_data[m_pos + 1])) << 8;
        m_pos += 2;
        return v;
    }
    quint32 u32()
    {
        const quint32 low = u16();
        return low | quint32(u16()) << 16;
    }
    double f64()
    {
        need(8);
        double v;
        std::memcpy(&v, m_data.data() + m_pos, 8);
        m_pos += 8;
        return v;
    }
    QByteArrayView take(qsizetype n)
    {
        need(n);
        const QByteArrayView v = m_data.sliced(m_pos, n);
        m_pos += n;
        return v;
    }
    void skip(qsizetype n) { take(n); }

private:
    QByteArrayView m_data;
    qsizetype m_pos;
};

class RecordStream
{
public:
    explicit RecordStream(QByteArrayView stream) : m_stream(stream) {}
    void seek(qsizetype offset)
    {
        if (offset < 0 || offset >= m_stream.size())
            damaged(QStringLiteral("工作表位置 %1 超出数据流").arg(offset));
        m_pos = offset;
    }
    bool atEnd() const { return m_pos + 4 > m_stream.size(); }
    Record next()
    {
        if (atEnd())
            damaged(QStringLiteral("数据流在偏移 %1 处意外结束").arg(m_pos));
        Bytes header(m_stream, m_pos);
        const quint16 id = header.u16();
        const quint16 length = header.u16();
        if (m_pos + 4 + length > m_stream.size())
            damaged(QStringLiteral("偏移 %1 处的记录长度 %2 超出数据流").arg(m_pos).arg(length));
        Record record{id, m_pos, m_stream.sliced(m_pos + 4, length)};
        m_pos += 4 + length;
        return record;
    }
    Record peek()
    {
        const qsizetype at = m_pos;
        Record record = next();
        m_pos = at;
        return record;
    }

private:
    QByteArrayView m_stream;
    qsizetype m_pos = 0;
};

struct SheetEntry
{
    QString name;
    quint32 offset;
    quint8 type; // 0 worksheet, 1 macro sheet, 2 chart, 6 VB module
};

class Parser
{
public:
    explicit Parser(QByteArrayView stream) : m_records(stream) {}

    // 'self' keeps the parser and 'bytes', the stream it reads, for the sheets read later.
    std::unique_ptr<WorkbookData> parse(const std::shared_ptr<const void> &self,
                                        const std::shared_ptr<const void> &bytes)
    {
        try {
            readGlobals();
        } catch (const ShortRecord &) {
            damaged(QStringLiteral("记录数据不完整"));
        }
        if (!m_sstGroups.isEmpty())
            m_strings = std::make_shared<XlsSharedStrings>(bytes, std::exchange(m_sstGroups, {}));
        auto workbook = std::make_unique<WorkbookData>();
        for (const SheetEntry &entry : m_sheets) {
            SheetData *sheet = workbook->addSheet(entry.name);
            if (entry.type == 0 || entry.type == 1)
                sheet->setLoader([this, self, entry](SheetData &data) {
                    readSheet(entry, data);
                    if (m_strings) // their failure is every sheet's, as it was the file's
                        m_strings->get();
                });
            else
                sheet->finish();
            if (entry.type == 2)
                sheet->setChart(true); // as the .xlsx reader marks a chart sheet
        }
        workbook->setActiveIndex(m_activeTab);
        return workbook;
    }

private:
    void readGlobals()
    {
        readVersion(m_records.next());
        bool window1Seen = false;
        for (;;) {
            if (m_records.atEnd())
                damaged(QStringLiteral("工作簿全局数据没有结束记录"));
            const Record record = m_records.next();
            if (record.id == kEof)
                return;
            readGlobalRecord(record, window1Seen);
        }
    }

    // The workbook's BOF record: which BIFF it is, and whether this reader reads it.
    void readVersion(const Record &bof)
    {
        if (bof.id == 0x0009 || bof.id == 0x0209 || bof.id == 0x0409)
            throw ReadFailure{ReadFailure::OldFormat, {}};
        if (bof.id != kBof)
            throw ReadFailure{ReadFailure::NotWorkbook, {}};
        Bytes data(bof.data);
        const quint16 version = data.u16();
        if (version == 0x0600)
            m_biff8 = true;
        else if (version == 0x0500)
            m_biff8 = false;
        else if (version < 0x0500)
            throw ReadFailure{ReadFailure::OldFormat, {}};
        else
            m_biff8 = true; // later versions keep the BIFF8 layout
    }

    void readGlobalRecord(const Record &record, bool &window1Seen)
    {
        Bytes data(record.data);
        switch (record.id) {
        case kFilePass:
            throw ReadFailure{ReadFailure::Encrypted, {}};
        case kCodePage:
            m_codePage = data.u16();
            break;
        case kDateMode:
            m_1904 = data.u16() == 1;
            break;
        case kFormat: {
            const int id = data.u16();
            m_formats.define(id, m_biff8 ? unicodeString(data, true) : byteString(data, data.u8()));
            break;
        }
        case kXf:
            data.u16();
            m_xfFormats.append(data.u16());
            break;
        case kSst:
            readSst(record);
            break;
        case kBoundSheet:
            m_sheets.append(boundSheet(data));
            break;
        case kWindow1:
            if (!window1Seen) { // the first window is the one shown
                window1Seen = true;
                data.skip(10);
                m_activeTab = data.u16();
            }
            break;
        default:
            break;
        }
    }

    SheetEntry boundSheet(Bytes &data)
    {
        SheetEntry entry;
        entry.offset = data.u32();
        data.u8(); // visibility
        entry.type = data.u8();
        if (m_biff8) {
            const quint8 length = data.u8();
            entry.name = unicodeCharacters(data, length, data.u8());
        } else {
            entry.name = byteString(data, data.u8());
        }
        return entry;
    }

    // The strings are read on a thread once the globals are done (see parse()).
    void readSst(const Record &sst)
    {
        QList<QByteArrayView> parts{sst.data};
        while (!m_records.atEnd() && m_records.peek().id == kContinue)
            parts.append(m_records.next().data);
        m_sstGroups.append(parts);
    }

    // XLUnicodeString: a character count (16 bits, or 8 in short form), options, characters.
    QString unicodeString(Bytes &data, bool longCount)
    {
        const quint16 length = longCount ? data.u16() : data.u8();
        const quint8 options = data.u8();
        return unicodeCharacters(data, length, options);
    }

    QString unicodeCharacters(Bytes &data, quint16 length, quint8 options)
    {
        if (options & 0x08)
            data.u16(); // rich text runs follow the characters
        if (options & 0x04)
            data.u32(); // phonetic data follows too
        if (options & 0x01) {
            const QByteArrayView bytes = data.take(qsizetype(length) * 2);
            QString text(length, Qt::Uninitialized);
            for (quint16 i = 0; i < length; ++i)
                text[i] = QChar(quint16(quint8(bytes[2 * i]) | quint8(bytes[2 * i + 1]) << 8));
            return text;
        }
        return QString::fromLatin1(data.take(length));
    }

    QString byteString(Bytes &data, qsizetype length)
    {
        return CodePage::decode(data.take(length), m_codePage);
    }

    QString labelText(Bytes &data)
    {
        return m_biff8 ? unicodeString(data, true) : byteString(data, data.u16());
    }

    CellValue numberCell(double value, quint16 xf) const
    {
        // Not a number a cell can show: other readers show an error, so do we.
        if (!std::isfinite(value))
            return CellValue::makeError(QStringLiteral("#NUM!"));
        const int format = xf < m_xfFormats.size() ? m_xfFormats[xf] : 0;
        if (m_formats.isDate(format))
            return CellValue::makeDate(automationDateFromSerial(value, m_1904));
        return CellValue::makeNumber(value);
    }

    static double rkValue(quint32 rk)
    {
        double value;
        if (rk & 0x02) {
            value = double(qint32(rk) >> 2);
        } else {
            const quint64 bits = quint64(rk & 0xFFFFFFFCu) << 32;
            std::memcpy(&value, &bits, 8);
        }
        return (rk & 0x01) ? value / 100 : value;
    }

    static QString errorCode(quint8 code)
    {
        switch (code) {
        case 0x00:
            return QStringLiteral("#NULL!");
        case 0x07:
            return QStringLiteral("#DIV/0!");
        case 0x0F:
            return QStringLiteral("#VALUE!");
        case 0x17:
            return QStringLiteral("#REF!");
        case 0x1D:
            return QStringLiteral("#NAME?");
        case 0x24:
            return QStringLiteral("#NUM!");
        case 0x2A:
            return QStringLiteral("#N/A");
        default:
            return QStringLiteral("#ERROR!");
        }
    }

    // An .xls sheet has at most 256 columns and 65,536 rows (16,384 in BIFF5): a cell beyond
    // is damage, not a wider sheet.
    void checkPlace(int row, int column) const
    {
        if (column > 256 || row > (m_biff8 ? 65536 : 16384))
            damaged(
                QStringLiteral("单元格位置（第%1行，第%2列）超出工作表范围").arg(row).arg(column));
    }
    void addCell(SheetData &sheet, int row, int column, CellValue value) const
    {
        checkPlace(row, column);
        sheet.addCell(row, column, std::move(value));
    }

public:
    void readSheet(const SheetEntry &entry, SheetData &sheet)
    {
        m_records.seek(entry.offset);
        const Record bof = m_records.next();
        if (bof.id != kBof)
            damaged(QStringLiteral("工作表“%1”的起始记录缺失").arg(entry.name));
        sheet.setSharedTexts([strings = m_strings] {
            return strings ? strings->get() : std::shared_ptr<const TextTable>();
        });
        int depth = 1;
        PendingString pending;
        while (depth > 0) {
            if (m_records.atEnd())
                damaged(QStringLiteral("工作表“%1”没有结束记录").arg(entry.name));
            const Record record = m_records.next();
            if (record.id == kBof)
                ++depth; // an embedded chart
            else if (record.id == kEof)
                --depth;
            else if (depth == 1)
                readCellRecord(record, sheet, pending);
        }
    }

private:
    // The cell of a formula whose text result follows in a STRING record.
    struct PendingString
    {
        int row = -1, column = -1;
    };

    // A cell record cut short, as some writers leave one, is left out; the rest of the sheet
    // reads.
    void readCellRecord(const Record &record, SheetData &sheet, PendingString &pending)
    {
        Bytes data(record.data);
        try {
            switch (record.id) {
            case kLabelSst: {
                const int row = data.u16() + 1, column = data.u16() + 1;
                data.u16();
                const quint32 index = data.u32();
                checkPlace(row, column);
                // An index past the table reads as the empty text, as another reader shows it.
                sheet.addShared(row, column, index);
                break;
            }
            case kLabel:
            case kRString: {
                const int row = data.u16() + 1, column = data.u16() + 1;
                data.u16();
                addCell(sheet, row, column, CellValue::makeText(labelText(data)));
                break;
            }
            case kNumber: {
                const int row = data.u16() + 1, column = data.u16() + 1;
                const quint16 xf = data.u16();
                addCell(sheet, row, column, numberCell(data.f64(), xf));
                break;
            }
            case kRk: {
                const int row = data.u16() + 1, column = data.u16() + 1;
                const quint16 xf = data.u16();
                addCell(sheet, row, column, numberCell(rkValue(data.u32()), xf));
                break;
            }
            case kMulRk:
                readMulRk(record, data, sheet);
                break;
            case kBoolErr: {
                const int row = data.u16() + 1, column = data.u16() + 1;
                data.u16();
                const quint8 value = data.u8();
                const bool isError = data.u8();
                addCell(sheet, row, column,
                        isError ? CellValue::makeError(errorCode(value))
                                : CellValue::makeBoolean(value != 0));
                break;
            }
            case kFormula:
            case kFormulaBiff4: // Apple Numbers writes the older id in BIFF8 files
                readFormula(data, sheet, pending);
                break;
            case kString:
                if (pending.row > 0) {
                    addCell(sheet, pending.row, pending.column,
                            CellValue::makeText(stringResult(record, data)));
                    pending = {};
                }
                break;
            default:
                break;
            }
        } catch (const ShortRecord &) {
        }
    }

    void readMulRk(const Record &record, Bytes &data, SheetData &sheet)
    {
        const int row = data.u16() + 1;
        int column = data.u16() + 1;
        const qsizetype count = (record.data.size() - 6) / 6;
        for (qsizetype i = 0; i < count; ++i, ++column) {
            const quint16 xf = data.u16();
            addCell(sheet, row, column, numberCell(rkValue(data.u32()), xf));
        }
    }

    void readFormula(Bytes &data, SheetData &sheet, PendingString &pending)
    {
        const int row = data.u16() + 1, column = data.u16() + 1;
        const quint16 xf = data.u16();
        const QByteArrayView result = data.take(8);
        if (quint8(result[6]) != 0xFF || quint8(result[7]) != 0xFF) {
            double value;
            std::memcpy(&value, result.data(), 8);
            addCell(sheet, row, column, numberCell(value, xf));
            return;
        }
        switch (quint8(result[0])) {
        case 0: // a text result follows in a STRING record
            pending = {row, column};
            break;
        case 1:
            addCell(sheet, row, column, CellValue::makeBoolean(quint8(result[2]) != 0));
            break;
        case 2:
            addCell(sheet, row, column, CellValue::makeError(errorCode(quint8(result[2]))));
            break;
        case 3:
            addCell(sheet, row, column, CellValue::makeText(QString()));
            break;
        default:
            break;
        }
    }

    // A formula's text result; in BIFF8 it may go on in CONTINUE records.
    QString stringResult(const Record &record, Bytes &data)
    {
        if (!m_biff8)
            return byteString(data, data.u16());
        QList<QByteArrayView> parts{record.data};
        while (!m_records.atEnd() && m_records.peek().id == kContinue)
            parts.append(m_records.next().data);
        ContinuedBytes continued(parts);
        const quint16 length = continued.u16();
        const quint8 options = continued.u8();
        return continued.characters(length, options & 0x01);
    }

private:
    RecordStream m_records;
    bool m_biff8 = true;
    bool m_1904 = false;
    int m_codePage = 1252;
    int m_activeTab = 0;
    NumberFormats m_formats;
    QList<int> m_xfFormats;
    QList<QList<QByteArrayView>> m_sstGroups;
    std::shared_ptr<XlsSharedStrings> m_strings;
    QList<SheetEntry> m_sheets;
};

template <typename T> using GPtr = GsfSupport::Ptr<T>;

GsfInput *childNamed(GsfInfile *infile, const char *wanted)
{
    const int count = gsf_infile_num_children(infile);
    for (int i = 0; i < count; ++i) {
        const char *name = gsf_infile_name_by_index(infile, i);
        if (name && g_ascii_strcasecmp(name, wanted) == 0)
            return gsf_infile_child_by_index(infile, i);
    }
    return nullptr;
}

} // namespace

namespace {

// The stream's bytes, and a parser over them, kept by every sheet read later.
template <typename Bytes> std::unique_ptr<WorkbookData> parseKept(Bytes bytes, QByteArrayView view)
{
    struct Owned
    {
        std::shared_ptr<const Bytes> bytes;
        std::optional<Parser> parser;
    };
    auto owned = std::make_shared<Owned>();
    owned->bytes = std::make_shared<const Bytes>(std::move(bytes));
    owned->parser.emplace(view);
    return owned->parser->parse(owned, owned->bytes);
}

} // namespace

std::unique_ptr<WorkbookData> readStream(const QByteArray &stream)
{
    return parseKept(stream, stream);
}

std::unique_ptr<WorkbookData> read(const QString &path)
{
    GsfSupport::ensureReady();
    GError *error = nullptr;
    LargeBlock file;
    QString reason;
    GPtr<GsfInput> input(GsfSupport::readWholeFile(path, file, reason));
    if (!input)
        damaged(reason);
    GPtr<GsfInfile> compound(gsf_infile_msole_new(input.get(), &error));
    if (!compound) {
        g_clear_error(&error);
        damaged(QStringLiteral("复合文档结构损坏"));
    }
    GPtr<GsfInput> stream(childNamed(compound.get(), "Workbook"));
    if (!stream)
        stream.reset(childNamed(compound.get(), "Book"));
    if (!stream) {
        GPtr<GsfInput> encryption(childNamed(compound.get(), "EncryptionInfo"));
        if (encryption)
            throw ReadFailure{ReadFailure::Encrypted, {}};
        throw ReadFailure{ReadFailure::NotWorkbook, {}};
    }
    const gsf_off_t size = gsf_input_size(stream.get());
    const gsf_off_t fileSize = gsf_input_size(input.get());
    if (size < 0 || size > fileSize)
        damaged(QStringLiteral("工作簿数据流长度 %1 超出文件大小").arg(size));
    LargeBlock bytes{size_t(size)};
    if (size > 0 &&
        !gsf_input_read(stream.get(), size_t(size), reinterpret_cast<guint8 *>(bytes.data())))
        damaged(QStringLiteral("无法读取工作簿数据流"));
    const QByteArrayView view(bytes.data(), qsizetype(size));
    return parseKept(std::move(bytes), view);
}

} // namespace XlsReader

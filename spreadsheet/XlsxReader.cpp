#include "XlsxReader.h"

#include "NumberFormats.h"
#include "ReadFailure.h"
#include "XmlPullParser.h"
#include "XmlStream.h"
#include "ZipPackage.h"
#include "platform/QuotedContent.h"

#include <QDateTime>
#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringList>

#include <atomic>
#include <charconv>
#include <cmath>
#include <future>
#include <mutex>
#include <system_error>

namespace XlsxReader {

namespace {

constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;

struct Relationship
{
    QString type;
    QString target; // resolved to a package path
};

QString folderOf(const QString &partName)
{
    const qsizetype slash = partName.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : partName.left(slash + 1);
}

// The byte order of a part written in UTF-16, from its byte-order mark or, without one, from
// how "<?" is written (XML 1.0, appendix F); nothing for UTF-8.
std::optional<QStringConverter::Encoding> utf16Order(const QByteArray &bytes, qsizetype &skip)
{
    skip = 0;
    if (bytes.size() < 2)
        return std::nullopt;
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        skip = 2;
        return bytes.startsWith("\xFF") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE;
    }
    if (bytes.startsWith(QByteArrayView("\0<\0?", 4)))
        return QStringConverter::Utf16BE;
    if (bytes.startsWith(QByteArrayView("<\0?\0", 4)))
        return QStringConverter::Utf16LE;
    return std::nullopt;
}

// XML as UTF-8: Excel Mobile and some converters write parts in UTF-16, of either byte
// order.
QByteArray utf8Xml(QByteArray bytes, const QString &name)
{
    qsizetype skip = 0;
    const auto order = utf16Order(bytes, skip);
    if (!order)
        return bytes;
    QStringDecoder decode(*order);
    QString text = decode(QByteArrayView(bytes).sliced(skip));
    if (decode.hasError())
        damaged(QStringLiteral("“%1”中的 UTF-16 文字无效").arg(name));
    // The declaration named UTF-16; the parser reads UTF-8 alone.
    static const QRegularExpression declaration(
        QStringLiteral("^(<\\?xml[^>]*encoding=[\"'])UTF-16(?:BE|LE)?([\"'])"),
        QRegularExpression::CaseInsensitiveOption);
    text.replace(declaration, QStringLiteral("\\1UTF-8\\2"));
    return text.toUtf8();
}

// A package part, read whole, as UTF-8 XML.
std::optional<QByteArray> xmlPart(const ZipPackage &package, const QString &name)
{
    std::optional<QByteArray> bytes = package.part(name);
    if (!bytes)
        return std::nullopt;
    return utf8Xml(std::move(*bytes), name);
}

// A part's XML to be parsed a piece at a time; a part in UTF-16, which only small parts are,
// is read and converted whole first. Nothing for no part.
std::unique_ptr<XmlStream> xmlStream(std::shared_ptr<ZipPart> part, qsizetype pieceSize)
{
    if (!part)
        return nullptr;
    auto head = std::make_shared<QByteArray>(4, Qt::Uninitialized);
    head->resize(part->read(head->data(), head->size()));
    qsizetype skip = 0;
    if (utf16Order(*head, skip)) {
        QByteArray whole = *head;
        for (qsizetype read = 1; read > 0;) {
            const qsizetype at = whole.size();
            whole.resize(at + 65536);
            read = part->read(whole.data() + at, 65536);
            whole.resize(at + read);
        }
        *head = utf8Xml(std::move(whole), part->name());
        part.reset();
    }
    const qint64 size = part ? part->size() : head->size();
    return std::make_unique<XmlStream>(
        [part, head, at = qsizetype(0)](char *into, qsizetype room) mutable {
            if (at < head->size()) {
                const qsizetype count = std::min(room, head->size() - at);
                std::memcpy(into, head->constData() + at, size_t(count));
                at += count;
                return count;
            }
            return part ? part->read(into, room) : qsizetype(0);
        },
        size, pieceSize);
}

// A relationship target, relative to the source part's folder unless absolute.
QString resolve(const QString &folder, const QString &target)
{
    QStringList segments;
    const QString joined = target.startsWith(QLatin1Char('/')) ? target : folder + target;
    for (const QString &segment : joined.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (segment == QLatin1String(".."))
            segments.isEmpty() ? void() : segments.removeLast();
        else if (segment != QLatin1String("."))
            segments.append(segment);
    }
    return segments.join(QLatin1Char('/'));
}

QHash<QString, Relationship> readRelationships(const ZipPackage &package, const QString &sourcePart)
{
    QHash<QString, Relationship> relationships;
    const QString folder = folderOf(sourcePart);
    const QString relsName =
        folder + QStringLiteral("_rels/") + sourcePart.mid(folder.size()) + QStringLiteral(".rels");
    const auto xml = xmlPart(package, relsName);
    if (!xml)
        return relationships;
    XmlPullParser parser(*xml);
    for (auto token = parser.next(); token != XmlPullParser::EndDocument; token = parser.next()) {
        if (token == XmlPullParser::StartElement &&
            XmlPullParser::is(parser.name(), "Relationship")) {
            if (parser.attributeText("TargetMode") == QLatin1String("External"))
                continue;
            relationships.insert(
                parser.attributeText("Id"),
                {parser.attributeText("Type"), resolve(folder, parser.attributeText("Target"))});
        }
    }
    return relationships;
}

bool typeIs(const Relationship &relationship, const char *suffix)
{
    return relationship.type.endsWith(QLatin1String(suffix));
}

// Office's own escape of characters XML cannot carry: _xHHHH_ (and _x005F_ for "_").
QString unescapeCharacters(const QString &text)
{
    if (!text.contains(u'_') || !text.contains(QLatin1String("_x")))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('_') && i + 6 < text.size() &&
            text.at(i + 1) == QLatin1Char('x') && text.at(i + 6) == QLatin1Char('_')) {
            bool ok = false;
            const ushort code = text.mid(i + 2, 4).toUShort(&ok, 16);
            if (ok) {
                out.append(QChar(code));
                i += 6;
                continue;
            }
        }
        out.append(text.at(i));
    }
    return out;
}

// Office's escapes in the text from 'from' on.
void unescapeFrom(QString &text, qsizetype from)
{
    if (text.indexOf(QLatin1String("_x"), from) < 0)
        return;
    const QString tail = unescapeCharacters(text.mid(from));
    text.truncate(from);
    text += tail;
}

// Text of a string item (<si> or <is>): its <t> elements, phonetic runs left out. Into
// 'text', emptied first: a buffer kept from item to item costs no allocation for each.
void readStringItem(XmlPullParser &parser, QString &text)
{
    text.resize(0);
    if (parser.readSimpleElement("t")) { // most items are one plain <t>, read in one step
        XmlPullParser::appendDecoded(text, parser.rawText());
        unescapeFrom(text, 0);
    }
    int depth = 1;
    while (depth > 0) {
        switch (parser.next()) {
        case XmlPullParser::StartElement:
            if (XmlPullParser::is(parser.name(), "t")) {
                const qsizetype from = text.size();
                text += parser.readElementText();
                unescapeFrom(text, from);
            } else if (XmlPullParser::is(parser.name(), "rPh") ||
                       XmlPullParser::is(parser.name(), "phoneticPr")) {
                parser.skipElement();
            } else {
                ++depth;
            }
            break;
        case XmlPullParser::EndElement:
            --depth;
            break;
        case XmlPullParser::EndDocument:
            damaged(QStringLiteral("字符串项不完整"));
        default:
            break;
        }
    }
}

// Stops early, with what it has, once 'stop' is set.
std::shared_ptr<const TextTable>
readSharedStrings(std::shared_ptr<ZipPart> part, qsizetype pieceSize, const std::atomic<bool> &stop)
{
    auto strings = std::make_shared<TextTable>();
    if (!part)
        return strings;
    // Room for as much text as the part can hold, taken as it is written: growing would copy
    // what is in. Items take 12 bytes of XML or more ("<si><t/></si>"); this is a guess only.
    const qint64 size = part->size();
    strings->reserve(qsizetype(std::min<qint64>(size / 12, 1 << 28)),
                     qsizetype(std::min<qint64>(size, qint64(1) << 31)));
    const auto xml = xmlStream(std::move(part), pieceSize);
    QString text;
    xml->run([&](XmlPullParser &parser) {
        const auto token = parser.next();
        if (token == XmlPullParser::EndDocument || stop)
            return false;
        if (token == XmlPullParser::StartElement && XmlPullParser::is(parser.name(), "si")) {
            readStringItem(parser, text);
            strings->append(text);
        }
        return true;
    });
    strings->squeeze();
    return strings;
}

// The shared strings, read on a thread of their own (the part reads from a second opening
// of the same file) while the sheet is inflated; a sheet's text cells wait for them. When the
// workbook goes before they are done (an import that failed early), the reading stops instead of
// being waited for.
class SharedStrings
{
public:
    SharedStrings()
    {
        m_strings =
            std::async(std::launch::deferred, [] { return std::shared_ptr<const TextTable>(); });
    }
    SharedStrings(const ZipPackage &package, const QString &part, qsizetype pieceSize)
    {
        auto read = [opened = std::shared_ptr<ZipPart>(package.openPart(part)), pieceSize,
                     stop = m_stop] { return readSharedStrings(opened, pieceSize, *stop); };
        try {
            m_strings = std::async(std::launch::async, read);
        } catch (const std::system_error &) {
            // No thread to be had: read them when first needed, on the reading thread.
            m_strings = std::async(std::launch::deferred, read);
        }
    }
    ~SharedStrings()
    {
        *m_stop = true;
        if (m_strings.valid())
            m_strings.wait();
    }
    SharedStrings(const SharedStrings &) = delete;
    SharedStrings &operator=(const SharedStrings &) = delete;

    std::shared_ptr<const TextTable> get()
    {
        std::call_once(m_once, [&] { m_value = m_strings.get(); });
        return m_value;
    }

private:
    std::shared_ptr<std::atomic<bool>> m_stop = std::make_shared<std::atomic<bool>>(false);
    std::future<std::shared_ptr<const TextTable>> m_strings;
    std::once_flag m_once;
    std::shared_ptr<const TextTable> m_value;
};

struct Styles
{
    NumberFormats formats;
    QList<int> cellFormats; // number format of each cell style
};

Styles readStyles(const ZipPackage &package, const QString &partName)
{
    Styles styles;
    const auto xml = xmlPart(package, partName);
    if (!xml)
        return styles;
    XmlPullParser parser(*xml);
    bool inCellXfs = false;
    for (auto token = parser.next(); token != XmlPullParser::EndDocument; token = parser.next()) {
        if (token == XmlPullParser::StartElement) {
            if (XmlPullParser::is(parser.name(), "numFmt"))
                styles.formats.define(parser.attributeText("numFmtId").toInt(),
                                      parser.attributeText("formatCode"));
            else if (XmlPullParser::is(parser.name(), "cellXfs"))
                inCellXfs = true;
            else if (XmlPullParser::is(parser.name(), "xf") && inCellXfs)
                styles.cellFormats.append(parser.attributeText("numFmtId").toInt());
        } else if (token == XmlPullParser::EndElement &&
                   XmlPullParser::is(parser.name(), "cellXfs")) {
            inCellXfs = false;
        }
    }
    return styles;
}

template <typename T> bool parseNumber(QByteArrayView text, T &value)
{
    while (!text.isEmpty() && (text.front() == ' ' || text.front() == '+'))
        text = text.sliced(1);
    while (!text.isEmpty() && text.back() == ' ')
        text.chop(1);
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    // from_chars reads "inf" and "nan", which no spreadsheet program writes as a value.
    return result.ec == std::errc() && result.ptr == text.data() + text.size() &&
           std::isfinite(double(value));
}

// "NaN", "INF", "-Infinity" and the like, as some writers put for a value that is none.
bool isNotFinite(QByteArrayView text)
{
    double value = 0;
    text = text.trimmed();
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() &&
           !std::isfinite(value);
}

// "AB12" into column and row; false when it is no cell reference.
bool parseReference(QByteArrayView ref, int &row, int &column)
{
    qsizetype i = 0;
    qint64 c = 0;
    // Letters in either case: some writers put "a1".
    while (i < ref.size() && c <= kMaxColumns &&
           ((ref[i] >= 'A' && ref[i] <= 'Z') || (ref[i] >= 'a' && ref[i] <= 'z'))) {
        c = c * 26 + ((ref[i] & ~0x20) - 'A' + 1);
        ++i;
    }
    qint64 r = 0;
    const qsizetype digits = i;
    while (i < ref.size() && ref[i] >= '0' && ref[i] <= '9' && r <= kMaxRows)
        r = r * 10 + (ref[i++] - '0');
    if (i != ref.size() || digits == 0)
        return false;
    column = int(c);
    row = digits == ref.size() ? 0 : int(r);
    return true;
}

// An ISO 8601 value of a t="d" cell as an automation date: a date, a date and time, a time
// alone (any number of second decimals) or a duration such as PT24H0M0.000S.
std::optional<double> serialFromIso(const QString &text)
{
    static const QRegularExpression duration(QStringLiteral(
        "^(-)?P(?:(\\d+(?:\\.\\d+)?)D)?(?:T(?:(\\d+(?:\\.\\d+)?)H)?(?:(\\d+(?:\\.\\d+)?)M)?"
        "(?:(\\d+(?:\\.\\d+)?)S)?)?$"));
    static const QRegularExpression moment(QStringLiteral(
        "^(?:(\\d{4})-(\\d{2})-(\\d{2}))?(?:T?(\\d{2}):(\\d{2})(?::(\\d{2})(\\.\\d+)?)?)?"
        "(?:Z|[+-]\\d{2}:?\\d{2})?$"));
    if (text.isEmpty())
        return std::nullopt;
    if (const auto d = duration.match(text); d.hasMatch() && text.size() > 1 && text != u"PT") {
        const double days = d.captured(2).toDouble() + d.captured(3).toDouble() / 24 +
                            d.captured(4).toDouble() / 1440 + d.captured(5).toDouble() / 86400;
        return d.captured(1).isEmpty() ? days : -days;
    }
    const auto m = moment.match(text);
    if (!m.hasMatch() || (m.captured(1).isEmpty() && m.captured(4).isEmpty()))
        return std::nullopt;
    double serial = 0;
    if (!m.captured(1).isEmpty()) {
        const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        if (!date.isValid())
            return std::nullopt;
        serial = QDate(1899, 12, 30).daysTo(date);
    }
    if (!m.captured(4).isEmpty()) {
        const int hours = m.captured(4).toInt(), minutes = m.captured(5).toInt();
        const double seconds = m.captured(6).toInt() + m.captured(7).toDouble();
        if (hours > 24 || minutes > 59 || seconds >= 61)
            return std::nullopt;
        serial += (hours * 3600 + minutes * 60 + seconds) / 86400.0;
    }
    return serial;
}

class SheetParser
{
public:
    SheetParser(std::shared_ptr<SharedStrings> strings, const Styles &styles, bool date1904)
        : m_strings(std::move(strings)), m_styles(styles), m_1904(date1904)
    {
    }

    void parse(XmlStream &xml, SheetData &sheet)
    {
        // Text cells keep their shared strings' numbers: the strings are still being read.
        sheet.setSharedTexts([strings = m_strings] { return strings->get(); });
        int row = 0;
        int column = 0;
        QString inlineText;
        // A step reads one token, or one cell whole; a cell is added as its last act.
        xml.run([&](XmlPullParser &parser) {
            const auto token = parser.next();
            if (token == XmlPullParser::EndDocument)
                return false;
            if (token != XmlPullParser::StartElement)
                return true;
            const QByteArrayView name = parser.name();
            if (XmlPullParser::is(name, "row")) {
                QByteArrayView r;
                int number = 0;
                if (parser.attribute("r", r)) {
                    if (!parseNumber(r, number) || number < 1 || number > kMaxRows)
                        damaged(QStringLiteral("行号“%1”无效")
                                    .arg(QuotedContent::of(QString::fromUtf8(r))));
                    row = number;
                } else {
                    ++row;
                }
                column = 0;
            } else if (XmlPullParser::is(name, "c")) {
                int cellRow = row, cellColumn = column;
                readCell(parser, sheet, cellRow, cellColumn, inlineText);
                row = cellRow;
                column = cellColumn;
            }
            return true;
        });
    }

private:
    // What a <c> element holds between its tags.
    struct CellContent
    {
        bool hasValue = false;
        QByteArrayView rawValue;      // the <v> text as written
        QString decodedValue;         // the same with its entities read, when it has any
        bool hasInlineString = false; // its text in the parse's inline text

        // XML reads every line end as a line feed; decode() does so for plain text too.
        QString valueText() const
        {
            return decodedValue.isNull() ? XmlPullParser::decode(rawValue) : decodedValue;
        }
    };

    // 'inlineText' is the parse's buffer for inline strings, its memory kept from cell to cell.
    void readCell(XmlPullParser &parser, SheetData &sheet, int &row, int &column,
                  QString &inlineText) const
    {
        QByteArrayView type;
        int style = 0;
        readCellAttributes(parser, row, column, type, style);
        const CellContent content = readCellContent(parser, inlineText);
        if (XmlPullParser::is(type, "inlineStr")) {
            if (content.hasInlineString)
                sheet.addText(row, column, inlineText);
            return;
        }
        if (!content.hasValue)
            return; // formatting only
        if (XmlPullParser::is(type, "s")) {
            const QByteArrayView raw = content.rawValue;
            if (raw.trimmed().isEmpty())
                return; // a string cell without its index holds nothing
            int index = -1;
            if (!parseNumber(raw, index) || index < 0)
                damaged(QStringLiteral("单元格引用了不存在的共享字符串“%1”")
                            .arg(QuotedContent::of(content.valueText())));
            // An index past the table shows as an empty cell in other readers.
            sheet.addShared(row, column, quint32(index));
            return;
        }
        if (type.isEmpty() || XmlPullParser::is(type, "n")) {
            addNumber(sheet, row, column, style, content);
            return;
        }
        if (const std::optional<CellValue> value = cellValue(type, content))
            sheet.addCell(row, column, *value);
        else
            addNumber(sheet, row, column, style, content);
    }

    // The cell's place (its reference, or the one after the last), type and style.
    static void readCellAttributes(XmlPullParser &parser, int &row, int &column,
                                   QByteArrayView &type, int &style)
    {
        QByteArrayView ref, styleText;
        bool hasRef = false;
        parser.forEachAttribute([&](QByteArrayView name, QByteArrayView value) {
            if (XmlPullParser::is(name, "r"))
                ref = value, hasRef = true;
            else if (XmlPullParser::is(name, "t"))
                type = value;
            else if (XmlPullParser::is(name, "s"))
                styleText = value;
        });
        if (hasRef) {
            int refRow = 0;
            if (!parseReference(ref, refRow, column) || column < 1 || column > kMaxColumns ||
                refRow > kMaxRows)
                damaged(QStringLiteral("单元格地址“%1”无效")
                            .arg(QuotedContent::of(QString::fromUtf8(ref))));
            if (refRow > 0)
                row = refRow;
        } else {
            ++column;
        }
        if (row < 1 || row > kMaxRows || column > kMaxColumns)
            damaged(QStringLiteral("单元格位置超出工作表范围"));
        if (!styleText.isEmpty())
            parseNumber(styleText, style);
    }

    // 'inlineText' receives an inline string's text.
    static CellContent readCellContent(XmlPullParser &parser, QString &inlineText)
    {
        CellContent content;
        if (parser.readSimpleElement("v")) { // the common case, in one step
            content.hasValue = true;
            content.rawValue = parser.rawText();
            if (parser.textHasEntities())
                content.decodedValue = parser.text();
        }
        int depth = 1;
        while (depth > 0) {
            switch (parser.next()) {
            case XmlPullParser::StartElement:
                if (XmlPullParser::is(parser.name(), "v")) {
                    content.hasValue = true;
                    if (parser.next() == XmlPullParser::Text) {
                        content.rawValue = parser.rawText();
                        if (parser.textHasEntities())
                            content.decodedValue = parser.text();
                        if (parser.next() != XmlPullParser::EndElement)
                            damaged(QStringLiteral("单元格值的结构无效"));
                    } // else the empty value's end element was read
                } else if (XmlPullParser::is(parser.name(), "is")) {
                    content.hasInlineString = true;
                    readStringItem(parser, inlineText);
                } else {
                    parser.skipElement();
                }
                break;
            case XmlPullParser::EndElement:
                --depth;
                break;
            case XmlPullParser::EndDocument:
                damaged(QStringLiteral("单元格不完整"));
            default:
                break;
            }
        }
        return content;
    }

    // The typed value of a cell of another type with a <v>.
    static std::optional<CellValue> cellValue(QByteArrayView type, const CellContent &content)
    {
        const QByteArrayView raw = content.rawValue;
        if (XmlPullParser::is(type, "str"))
            return CellValue::makeText(unescapeCharacters(content.valueText()));
        if (XmlPullParser::is(type, "b"))
            return CellValue::makeBoolean(raw.trimmed() == "1" || raw.trimmed() == "true");
        if (XmlPullParser::is(type, "e"))
            return CellValue::makeError(content.valueText());
        if (XmlPullParser::is(type, "d")) {
            const std::optional<double> serial = serialFromIso(content.valueText().trimmed());
            if (!serial)
                damaged(QStringLiteral("日期“%1”无效").arg(QuotedContent::of(content.valueText())));
            return CellValue::makeDate(*serial);
        }
        return std::nullopt; // a number by another name: read as a number
    }

    void addNumber(SheetData &sheet, int row, int column, int style,
                   const CellContent &content) const
    {
        double number = 0;
        if (!parseNumber(content.rawValue, number)) {
            if (content.rawValue.trimmed().isEmpty())
                return;
            // Not a number a cell can show: other readers show an error, so do we.
            if (isNotFinite(content.rawValue))
                return sheet.addCell(row, column, CellValue::makeError(QStringLiteral("#NUM!")));
            damaged(QStringLiteral("数值“%1”无效").arg(QuotedContent::of(content.valueText())));
        }
        const int format =
            style >= 0 && style < m_styles.cellFormats.size() ? m_styles.cellFormats[style] : 0;
        if (m_styles.formats.isDate(format))
            sheet.addNumber(row, column, CellValue::Date, automationDateFromSerial(number, m_1904));
        else
            sheet.addNumber(row, column, CellValue::Number, number);
    }

    const std::shared_ptr<SharedStrings> m_strings; // kept for sheets read later
    const Styles m_styles;
    bool m_1904;
};

struct SheetRef
{
    QString name;
    QString relationshipId;
};

// What the workbook part says of its sheets.
struct WorkbookPart
{
    QString name;
    QList<SheetRef> sheets;
    int activeTab = 0;
    bool date1904 = false;
};

WorkbookPart readWorkbookPart(const ZipPackage &package)
{
    WorkbookPart workbook;
    for (const Relationship &relationship : readRelationships(package, QString()))
        if (typeIs(relationship, "/officeDocument"))
            workbook.name = relationship.target;
    if (workbook.name.isEmpty())
        workbook.name = QStringLiteral("xl/workbook.xml");
    // Excel's binary workbook keeps the package's layout with parts of records, not XML.
    if (workbook.name.endsWith(QLatin1String(".bin"), Qt::CaseInsensitive) ||
        (!package.hasPart(workbook.name) && package.hasPart(QStringLiteral("xl/workbook.bin"))))
        throw ReadFailure{ReadFailure::BinaryWorkbook, {}};
    const auto xml = xmlPart(package, workbook.name);
    if (!xml)
        throw ReadFailure{ReadFailure::NotWorkbook, {}};
    XmlPullParser parser(*xml);
    for (auto token = parser.next(); token != XmlPullParser::EndDocument; token = parser.next()) {
        if (token != XmlPullParser::StartElement)
            continue;
        if (XmlPullParser::is(parser.name(), "sheet")) {
            workbook.sheets.append({parser.attributeText("name"), parser.attributeText("id")});
        } else if (XmlPullParser::is(parser.name(), "workbookView")) {
            QByteArrayView tab;
            if (parser.attribute("activeTab", tab) && !parseNumber(tab, workbook.activeTab))
                workbook.activeTab = 0;
        } else if (XmlPullParser::is(parser.name(), "workbookPr")) {
            // Excel 2013 on adds an x15:workbookPr without the flag: it keeps the first one's.
            QByteArrayView flag;
            if (parser.attribute("date1904", flag))
                workbook.date1904 = flag == "1" || flag == "true";
        }
    }
    return workbook;
}

// The part of the first relationship of a type, or nothing.
QString partOfType(const QHash<QString, Relationship> &relationships, const char *type)
{
    for (const Relationship &relationship : relationships)
        if (typeIs(relationship, type))
            return relationship.target;
    return QString();
}

bool holdsCells(const Relationship &relationship)
{
    // Excel 4 macro sheets and dialog sheets keep their cells as worksheets do.
    return typeIs(relationship, "/worksheet") || typeIs(relationship, "/xlMacrosheet") ||
           typeIs(relationship, "/macrosheet") || typeIs(relationship, "/dialogsheet");
}

} // namespace

std::unique_ptr<WorkbookData> read(const QString &path, qsizetype pieceSize)
{
    // The package stays open for the sheets read later.
    auto package = std::make_shared<ZipPackage>(path);
    const WorkbookPart workbookPart = readWorkbookPart(*package);
    const QHash<QString, Relationship> relationships =
        readRelationships(*package, workbookPart.name);
    const QString stringsPart = partOfType(relationships, "/sharedStrings");
    const QString stylesPart = partOfType(relationships, "/styles");
    auto strings = stringsPart.isEmpty()
                       ? std::make_shared<SharedStrings>()
                       : std::make_shared<SharedStrings>(*package, stringsPart, pieceSize);
    const Styles styles = stylesPart.isEmpty() ? Styles() : readStyles(*package, stylesPart);

    auto workbook = std::make_unique<WorkbookData>();
    auto sheetParser = std::make_shared<SheetParser>(strings, styles, workbookPart.date1904);
    for (const SheetRef &ref : workbookPart.sheets) {
        SheetData *sheet = workbook->addSheet(ref.name);
        if (ref.relationshipId.isEmpty()) { // a legacy module sheet: a tab without cells
            sheet->finish();
            continue;
        }
        const auto relationship = relationships.constFind(ref.relationshipId);
        if (relationship == relationships.constEnd())
            damaged(QStringLiteral("找不到工作表“%1”的数据").arg(ref.name));
        if (typeIs(*relationship, "/chartsheet"))
            sheet->setChart(true);
        if (!holdsCells(*relationship)) {
            sheet->finish();
            continue;
        }
        // Real sheets hold at most about a cell per byte of the file; a file of tiny cells
        // packed far tighter than that would fill memory. About 200 MB for a 1 MB file.
        sheet->setCellLimit(std::max<qint64>(1'500'000, package->fileSize() * 3 / 2));
        sheet->setLoader([package, sheetParser, target = relationship->target, name = ref.name,
                          pieceSize](SheetData &data) {
            const auto xml = xmlStream(package->openPart(target), pieceSize);
            if (!xml)
                damaged(QStringLiteral("找不到工作表“%1”的数据").arg(name));
            sheetParser->parse(*xml, data);
            data.finish(); // waits for the shared strings: their failure is the sheet's
        });
    }
    workbook->setActiveIndex(workbookPart.activeTab);
    return workbook;
}

} // namespace XlsxReader

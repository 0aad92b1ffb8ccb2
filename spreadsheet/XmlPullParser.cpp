#include "XmlPullParser.h"

#include "ReadFailure.h"

#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

void appendCodePoint(QString &out, uint code)
{
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        throw ReadFailure{ReadFailure::Damaged, QStringLiteral("XML 中的字符引用无效")};
    if (code > 0xFFFF) {
        out.append(QChar::highSurrogate(code));
        out.append(QChar::lowSurrogate(code));
    } else {
        out.append(QChar(char16_t(code)));
    }
}

// The first '>', '"' or '\'' from 'at': sixteen bytes at a time, since tags are read
// a million times in a large sheet.
const char *findTagStop(const char *at, const char *end)
{
#ifdef __SSE2__
    const __m128i gt = _mm_set1_epi8('>'), dq = _mm_set1_epi8('"'), sq = _mm_set1_epi8('\'');
    for (; end - at >= 16; at += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at));
        const __m128i hits =
            _mm_or_si128(_mm_cmpeq_epi8(chunk, gt),
                         _mm_or_si128(_mm_cmpeq_epi8(chunk, dq), _mm_cmpeq_epi8(chunk, sq)));
        if (const int mask = _mm_movemask_epi8(hits))
            return at + __builtin_ctz(unsigned(mask));
    }
#endif
    for (; at < end; ++at)
        if (*at == '>' || *at == '"' || *at == '\'')
            return at;
    return end;
}

} // namespace

XmlPullParser::XmlPullParser(QByteArrayView document) : m_doc(document)
{
    if (m_doc.startsWith("\xEF\xBB\xBF"))
        m_pos = 3;
}

XmlPullParser XmlPullParser::firstPiece(QByteArrayView text, bool last)
{
    XmlPullParser parser(text);
    parser.m_last = last;
    return parser;
}

void XmlPullParser::resume(QByteArrayView text, const Mark &mark, bool last)
{
    m_consumed += mark.position;
    m_doc = text;
    m_pos = 0;
    m_depth = mark.depth;
    m_pendingEnd = mark.pendingEnd;
    m_last = last;
}

void XmlPullParser::fail(const char *what) const
{
    throw ReadFailure{
        ReadFailure::Damaged,
        QStringLiteral("XML %1（偏移 %2）").arg(QString::fromUtf8(what)).arg(m_consumed + m_pos)};
}

void XmlPullParser::incomplete(const char *what) const
{
    if (!m_last)
        throw NeedMore{};
    fail(what);
}

qsizetype XmlPullParser::find(char c, qsizetype from) const
{
    const void *hit = std::memchr(m_doc.data() + from, c, size_t(m_doc.size() - from));
    return hit ? static_cast<const char *>(hit) - m_doc.data() : -1;
}

qsizetype XmlPullParser::find(QByteArrayView s, qsizetype from) const
{
    const qsizetype at = m_doc.sliced(from).indexOf(s);
    return at < 0 ? -1 : from + at;
}

XmlPullParser::Token XmlPullParser::next()
{
    if (m_pendingEnd) {
        m_pendingEnd = false;
        --m_depth;
        return EndElement;
    }
    while (m_pos < m_doc.size()) {
        if (m_doc[m_pos] != '<') {
            const qsizetype end = find('<', m_pos);
            if (end < 0 && !m_last)
                throw NeedMore{}; // the text may go on
            const qsizetype stop = end < 0 ? m_doc.size() : end;
            m_text = m_doc.sliced(m_pos, stop - m_pos);
            m_textEntities = m_text.contains('&');
            m_textIsCData = false;
            m_pos = stop;
            if (m_depth == 0) {
                for (char c : m_text)
                    if (!isSpace(c))
                        fail("根元素之外有文本");
                continue;
            }
            return Text;
        }
        if (m_pos + 1 >= m_doc.size())
            incomplete("标记未结束");
        const char kind = m_doc[m_pos + 1];
        if (kind == '/') {
            const qsizetype end = find('>', m_pos);
            if (end < 0)
                incomplete("结束标记无效");
            if (m_depth == 0)
                fail("结束标记无效");
            QByteArrayView qualified = m_doc.sliced(m_pos + 2, end - m_pos - 2);
            while (!qualified.isEmpty() && isSpace(qualified.back()))
                qualified.chop(1);
            m_name = localName(qualified);
            m_pos = end + 1;
            --m_depth;
            return EndElement;
        }
        if (kind == '?') {
            const qsizetype end = find("?>", m_pos);
            if (end < 0)
                incomplete("处理指令未结束");
            m_pos = end + 2;
            continue;
        }
        if (kind == '!') {
            const QByteArrayView rest = m_doc.sliced(m_pos);
            if (rest.size() < 9 && (QByteArrayView("<![CDATA[").startsWith(rest) ||
                                    QByteArrayView("<!--").startsWith(rest)))
                incomplete("标记未结束"); // too short yet to tell which
            if (rest.startsWith("<!--")) {
                const qsizetype end = find("-->", m_pos + 4);
                if (end < 0)
                    incomplete("注释未结束");
                m_pos = end + 3;
                continue;
            }
            if (rest.startsWith("<![CDATA[")) {
                const qsizetype end = find("]]>", m_pos + 9);
                if (end < 0)
                    incomplete("CDATA 未结束");
                m_text = m_doc.sliced(m_pos + 9, end - m_pos - 9);
                m_textEntities = false;
                m_textIsCData = true;
                m_pos = end + 3;
                return Text;
            }
            fail("含有文档类型声明，不予读取");
        }
        parseTag();
        return StartElement;
    }
    if (!m_last)
        throw NeedMore{};
    if (m_depth != 0)
        fail("文档不完整");
    return EndDocument;
}

void XmlPullParser::parseTag()
{
    // Find the tag's end, skipping '>' inside quoted attribute values.
    const char *const begin = m_doc.data();
    const char *const end = begin + m_doc.size();
    const char *at = begin + m_pos + 1;
    for (;;) {
        at = findTagStop(at, end);
        if (at == end || *at == '>')
            break;
        const void *close = std::memchr(at + 1, *at, size_t(end - at - 1));
        if (!close)
            incomplete("标记未结束");
        at = static_cast<const char *>(close) + 1;
    }
    if (at == end)
        incomplete("标记未结束");
    const qsizetype i = at - begin;
    QByteArrayView tag = m_doc.sliced(m_pos + 1, i - m_pos - 1);
    m_pos = i + 1;
    const bool empty = tag.endsWith('/');
    if (empty)
        tag.chop(1);
    qsizetype nameEnd = 0;
    while (nameEnd < tag.size() && !isSpace(tag[nameEnd]))
        ++nameEnd;
    if (nameEnd == 0)
        fail("元素名为空");
    m_name = localName(tag.first(nameEnd));
    m_attributes = tag.sliced(nameEnd);
    ++m_depth;
    m_pendingEnd = empty;
}

bool XmlPullParser::attribute(QByteArrayView wanted, QByteArrayView &value) const
{
    const QByteArrayView a = m_attributes;
    qsizetype i = 0;
    while (i < a.size()) {
        while (i < a.size() && isSpace(a[i]))
            ++i;
        const qsizetype nameStart = i;
        while (i < a.size() && a[i] != '=' && !isSpace(a[i]))
            ++i;
        const QByteArrayView name = a.sliced(nameStart, i - nameStart);
        while (i < a.size() && isSpace(a[i]))
            ++i;
        if (i >= a.size() || a[i] != '=')
            return false;
        ++i;
        while (i < a.size() && isSpace(a[i]))
            ++i;
        if (i >= a.size() || (a[i] != '"' && a[i] != '\''))
            return false;
        const char quote = a[i++];
        const qsizetype valueStart = i;
        while (i < a.size() && a[i] != quote)
            ++i;
        if (i >= a.size())
            return false;
        if (localName(name) == wanted && !name.startsWith("xmlns")) {
            value = a.sliced(valueStart, i - valueStart);
            return true;
        }
        ++i;
    }
    return false;
}

QString XmlPullParser::attributeText(QByteArrayView localName) const
{
    QByteArrayView raw;
    return attribute(localName, raw) ? decode(raw) : QString();
}

QString XmlPullParser::text() const
{
    if (m_textIsCData && !m_text.contains('\r'))
        return QString::fromUtf8(m_text);
    if (m_textIsCData) {
        QByteArray normalized = m_text.toByteArray();
        normalized.replace("\r\n", "\n");
        normalized.replace('\r', '\n');
        return QString::fromUtf8(normalized);
    }
    return decode(m_text);
}

namespace {

// Any text: line ends, entities and UTF-8 as QString reads it, invalid bytes included.
QString decodeSlowly(QByteArrayView raw)
{
    if (raw.contains('\r')) {
        // XML reads every line end as a line feed; a character reference keeps its CR.
        QByteArray normalized = raw.toByteArray();
        normalized.replace("\r\n", "\n");
        normalized.replace('\r', '\n');
        return decodeSlowly(normalized);
    }
    if (!raw.contains('&'))
        return QString::fromUtf8(raw);
    QString out;
    out.reserve(raw.size());
    qsizetype i = 0;
    while (i < raw.size()) {
        const qsizetype amp = raw.sliced(i).indexOf('&');
        if (amp < 0) {
            out += QString::fromUtf8(raw.sliced(i));
            break;
        }
        out += QString::fromUtf8(raw.sliced(i, amp));
        i += amp;
        const qsizetype semi = raw.sliced(i).indexOf(';');
        if (semi < 0 || semi > 12)
            throw ReadFailure{ReadFailure::Damaged, QStringLiteral("XML 实体引用无效")};
        const QByteArrayView entity = raw.sliced(i + 1, semi - 1);
        if (entity == "lt")
            out += QLatin1Char('<');
        else if (entity == "gt")
            out += QLatin1Char('>');
        else if (entity == "amp")
            out += QLatin1Char('&');
        else if (entity == "quot")
            out += QLatin1Char('"');
        else if (entity == "apos")
            out += QLatin1Char('\'');
        else if (entity.startsWith("#x") || entity.startsWith("#X")) {
            bool ok = false;
            const uint code = entity.sliced(2).toUInt(&ok, 16);
            if (!ok)
                throw ReadFailure{ReadFailure::Damaged, QStringLiteral("XML 字符引用无效")};
            appendCodePoint(out, code);
        } else if (entity.startsWith("#")) {
            bool ok = false;
            const uint code = entity.sliced(1).toUInt(&ok, 10);
            if (!ok)
                throw ReadFailure{ReadFailure::Damaged, QStringLiteral("XML 字符引用无效")};
            appendCodePoint(out, code);
        } else {
            throw ReadFailure{ReadFailure::Damaged, QStringLiteral("XML 中有未定义的实体")};
        }
        i += semi + 1;
    }
    return out;
}

// The code of a character reference's digits ("12345" or "x3042"), 0 when they are none:
// read here rather than through a general number conversion, since a sheet written with
// every Chinese character as a reference has millions of them.
uint characterReference(QByteArrayView digits)
{
    const bool hex = !digits.isEmpty() && (digits[0] == 'x' || digits[0] == 'X');
    if (hex)
        digits = digits.sliced(1);
    if (digits.isEmpty() || digits.size() > 8)
        return 0; // more digits than the largest code has (leading zeros aside)
    uint code = 0;
    for (const char c : digits) {
        uint digit;
        if (c >= '0' && c <= '9')
            digit = uint(c - '0');
        else if (hex && (c | 0x20) >= 'a' && (c | 0x20) <= 'f')
            digit = uint((c | 0x20) - 'a' + 10);
        else
            return 0;
        code = code * (hex ? 16 : 10) + digit;
    }
    return code;
}

// One pass for the common text: ASCII, valid UTF-8, entities and line ends written straight
// into the result; false, with 'out' as it was, for anything else.
bool decodeQuickly(QString &out, QByteArrayView raw)
{
    const qsizetype start = out.size();
    out.resize(start + raw.size()); // never more UTF-16 units than bytes
    char16_t *const begin = reinterpret_cast<char16_t *>(out.data()) + start;
    char16_t *w = begin;
    const auto *p = reinterpret_cast<const uchar *>(raw.data());
    const uchar *const end = p + raw.size();
    auto giveUp = [&] {
        out.resize(start);
        return false;
    };
    while (p < end) {
        const uchar c = *p;
        if (c < 0x80) {
            if (c == '&') {
                const uchar *semi = p + 1;
                while (semi < end && *semi != ';' && semi - p <= 12)
                    ++semi;
                if (semi >= end || *semi != ';')
                    return giveUp();
                const QByteArrayView entity(p + 1, semi - p - 1);
                uint code = 0;
                if (entity.startsWith('#')) {
                    code = characterReference(entity.sliced(1));
                    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
                        return giveUp();
                } else if (entity == "lt") {
                    code = '<';
                } else if (entity == "gt") {
                    code = '>';
                } else if (entity == "amp") {
                    code = '&';
                } else if (entity == "quot") {
                    code = '"';
                } else if (entity == "apos") {
                    code = '\'';
                } else {
                    return giveUp();
                }
                if (code > 0xFFFF) {
                    *w++ = QChar::highSurrogate(code);
                    *w++ = QChar::lowSurrogate(code);
                } else {
                    *w++ = char16_t(code);
                }
                p = semi + 1;
            } else if (c == '\r') {
                *w++ = u'\n'; // XML reads every line end as a line feed
                p += p + 1 < end && p[1] == '\n' ? 2 : 1;
            } else {
                *w++ = c;
                ++p;
            }
            continue;
        }
        auto follow = [&](qsizetype i) { return p + i < end && (p[i] & 0xC0) == 0x80; };
        if (c >= 0xC2 && c <= 0xDF && follow(1)) {
            *w++ = char16_t(((c & 0x1F) << 6) | (p[1] & 0x3F));
            p += 2;
        } else if (c >= 0xE0 && c <= 0xEF && follow(1) && follow(2)) {
            const uint code = ((c & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F);
            if (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))
                return giveUp();
            *w++ = char16_t(code);
            p += 3;
        } else if (c >= 0xF0 && c <= 0xF4 && follow(1) && follow(2) && follow(3)) {
            const uint code =
                ((c & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F);
            if (code < 0x10000 || code > 0x10FFFF)
                return giveUp();
            *w++ = QChar::highSurrogate(code);
            *w++ = QChar::lowSurrogate(code);
            p += 4;
        } else {
            return giveUp();
        }
    }
    out.resize(start + (w - begin));
    return true;
}

} // namespace

QString XmlPullParser::decode(QByteArrayView raw)
{
    QString out;
    appendDecoded(out, raw);
    return out;
}

void XmlPullParser::appendDecoded(QString &out, QByteArrayView raw)
{
    if (!decodeQuickly(out, raw))
        out += decodeSlowly(raw);
}

QString XmlPullParser::readElementText()
{
    QString text;
    walkToEnd(&text);
    return text;
}

bool XmlPullParser::readSimpleElement(QByteArrayView name)
{
    const qsizetype n = name.size();
    const char *const doc = m_doc.data();
    auto tagAt = [&](qsizetype at, bool closing) {
        const qsizetype open = closing ? 2 : 1;
        return m_doc.size() - at >= n + open + 1 && doc[at] == '<' &&
               (!closing || doc[at + 1] == '/') &&
               std::memcmp(doc + at + open, name.data(), size_t(n)) == 0 &&
               doc[at + open + n] == '>';
    };
    if (m_pendingEnd || !tagAt(m_pos, false))
        return false;
    const qsizetype textStart = m_pos + n + 2;
    const qsizetype close = find('<', textStart);
    if (close < 0 || !tagAt(close, true))
        return false;
    m_text = m_doc.sliced(textStart, close - textStart);
    m_textEntities = m_text.contains('&');
    m_textIsCData = false;
    m_pos = close + n + 3;
    return true;
}

void XmlPullParser::skipElement()
{
    walkToEnd(nullptr);
}

void XmlPullParser::walkToEnd(QString *text)
{
    int depth = 1;
    while (depth > 0) {
        switch (next()) {
        case Text:
            if (text && m_textIsCData)
                *text += this->text();
            else if (text)
                appendDecoded(*text, m_text);
            break;
        case StartElement:
            ++depth;
            break;
        case EndElement:
            --depth;
            break;
        case EndDocument:
            fail("文档不完整");
        }
    }
}

#include "CidFontParts.h"

#include <QMap>

#include <algorithm>
#include <optional>

namespace CidFontParts {

namespace {

struct Token
{
    enum Kind
    {
        Hex,
        Open,
        Close,
        Word,
        End
    } kind;
    QByteArray text; // the hex digits, or the word
    qsizetype at;    // where the token starts
};

class Scanner
{
public:
    explicit Scanner(const QByteArray &data) : m_data(data) {}

    Token next()
    {
        while (m_pos < m_data.size()) {
            const char c = m_data[m_pos];
            if (c == '%') {
                while (m_pos < m_data.size() && m_data[m_pos] != '\n')
                    ++m_pos;
            } else if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
                ++m_pos;
            } else {
                break;
            }
        }
        const qsizetype start = m_pos;
        if (m_pos >= m_data.size())
            return {Token::End, {}, start};
        const char c = m_data[m_pos];
        if (c == '[' || c == ']') {
            ++m_pos;
            return {c == '[' ? Token::Open : Token::Close, {}, start};
        }
        if (c == '<' && m_pos + 1 < m_data.size() && m_data[m_pos + 1] != '<') {
            const qsizetype end = m_data.indexOf('>', m_pos);
            if (end < 0)
                return {Token::End, {}, start};
            m_pos = end + 1;
            return {Token::Hex, m_data.mid(start + 1, end - start - 1).toUpper(), start};
        }
        while (m_pos < m_data.size() && !QByteArrayView(" \n\r\t[]<>").contains(m_data[m_pos]))
            ++m_pos;
        if (m_pos == start) // a lone delimiter such as "<<"
            m_pos += 1 + (m_pos + 1 < m_data.size() && m_data[m_pos + 1] == c);
        return {Token::Word, m_data.mid(start, m_pos - start), start};
    }

private:
    const QByteArray &m_data;
    qsizetype m_pos = 0;
};

std::optional<quint16> code(const Token &token)
{
    bool ok = false;
    const uint value = token.text.toUInt(&ok, 16);
    if (token.kind != Token::Hex || !ok || value > 0xFFFF)
        return std::nullopt;
    return quint16(value);
}

// The destination of the n-th code of a range written with one destination: its last
// unit counts up.
QByteArray offsetDestination(const QByteArray &first, int n)
{
    if (first.size() < 4)
        return first;
    bool ok = false;
    const uint last = first.right(4).toUInt(&ok, 16);
    return first.left(first.size() - 4) +
           QByteArray::number(quint16(last + uint(n)), 16).rightJustified(4, '0').toUpper();
}

// Every code's destination, or nothing when the map is not as expected.
std::optional<QMap<quint16, QByteArray>> readMap(const QByteArray &cmap, qsizetype &firstSection,
                                                 qsizetype &end)
{
    QMap<quint16, QByteArray> map;
    Scanner scanner(cmap);
    qsizetype previous = -1;
    firstSection = -1;
    end = -1;
    for (Token token = scanner.next(); token.kind != Token::End; token = scanner.next()) {
        if (token.kind != Token::Word) {
            previous = token.at;
            continue;
        }
        const bool chars = token.text == "beginbfchar", ranges = token.text == "beginbfrange";
        if (token.text == "endcmap") {
            end = token.at;
            break;
        }
        if (!chars && !ranges) {
            previous = token.at;
            continue;
        }
        if (firstSection < 0)
            firstSection = previous >= 0 ? previous : token.at; // its count goes too
        const QByteArray close = chars ? "endbfchar" : "endbfrange";
        for (Token from = scanner.next();; from = scanner.next()) {
            if (from.kind == Token::Word && from.text == close)
                break;
            const auto low = code(from);
            if (!low)
                return std::nullopt;
            const auto high = chars ? low : code(scanner.next());
            if (!high || *high < *low)
                return std::nullopt;
            Token destination = scanner.next();
            if (destination.kind == Token::Hex) {
                for (int n = 0; n <= *high - *low; ++n)
                    map.insert(quint16(*low + n), offsetDestination(destination.text, n));
            } else if (destination.kind == Token::Open && ranges) {
                for (int n = 0;; ++n) {
                    destination = scanner.next();
                    if (destination.kind == Token::Close)
                        break;
                    if (destination.kind != Token::Hex)
                        return std::nullopt;
                    map.insert(quint16(*low + n), destination.text);
                }
            } else {
                return std::nullopt;
            }
        }
        previous = -1;
    }
    if (firstSection < 0 || end < 0)
        return std::nullopt;
    return map;
}

QByteArray hex4(quint16 value)
{
    return QByteArray::number(value, 16).rightJustified(4, '0').toUpper();
}

} // namespace

QByteArray keepInToUnicode(const QByteArray &cmap, const QList<quint16> &glyphs)
{
    qsizetype firstSection = -1, end = -1;
    const auto map = readMap(cmap, firstSection, end);
    if (!map)
        return cmap;
    QList<quint16> kept;
    for (quint16 glyph : glyphs)
        if (map->contains(glyph))
            kept.append(glyph);
    std::sort(kept.begin(), kept.end());
    kept.erase(std::unique(kept.begin(), kept.end()), kept.end());

    QByteArray out = cmap.left(firstSection);
    // A section holds at most 100 entries.
    for (qsizetype i = 0; i < kept.size(); i += 100) {
        const qsizetype n = std::min<qsizetype>(100, kept.size() - i);
        out += QByteArray::number(n) + " beginbfchar\n";
        for (qsizetype j = i; j < i + n; ++j)
            out += '<' + hex4(kept[j]) + "> <" + map->value(kept[j]) + ">\n";
        out += "endbfchar\n";
    }
    return out + cmap.mid(end);
}

QList<quint16> mappedCodes(const QByteArray &cmap)
{
    qsizetype firstSection = -1, end = -1;
    const auto map = readMap(cmap, firstSection, end);
    return map ? map->keys() : QList<quint16>();
}

QByteArray withEntries(const QByteArray &cmap, const QMap<quint16, QString> &entries)
{
    qsizetype firstSection = -1, end = -1;
    if (entries.isEmpty() || !readMap(cmap, firstSection, end))
        return cmap;
    QByteArray added;
    // A section holds at most 100 entries; a text beyond the basic plane is written as
    // its UTF-16 pair.
    const QList<quint16> codes = entries.keys();
    for (qsizetype i = 0; i < codes.size(); i += 100) {
        const qsizetype n = std::min<qsizetype>(100, codes.size() - i);
        added += QByteArray::number(n) + " beginbfchar\n";
        for (qsizetype j = i; j < i + n; ++j) {
            const QString &text = entries[codes[j]];
            added += '<' + hex4(codes[j]) + "> <";
            for (QChar unit : text)
                added += hex4(unit.unicode());
            added += ">\n";
        }
        added += "endbfchar\n";
    }
    return cmap.left(end) + added + cmap.mid(end);
}

QByteArray cidSet(const QList<quint16> &glyphs)
{
    quint16 highest = 0;
    for (quint16 glyph : glyphs)
        highest = std::max(highest, glyph);
    QByteArray bits(highest / 8 + 1, '\0');
    bits[0] = char(0x80); // glyph 0 is always present
    for (quint16 glyph : glyphs)
        bits[glyph / 8] = char(uchar(bits[glyph / 8]) | (0x80 >> (glyph % 8)));
    return bits;
}

} // namespace CidFontParts

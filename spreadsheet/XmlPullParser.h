#pragma once
// A small, fast pull parser for the XML parts of a workbook package (UTF-8). It reads
// elements, attributes, text, CDATA and the predefined and numeric entities; it refuses
// document type declarations, so no entity can expand.
//
// It reads a whole document, or one that comes a piece at a time: given a piece that is
// not the last, a token that runs past its end throws NeedMore, and the reader resumes at
// a mark taken before, on the rest of the text with more appended.

#include <QByteArrayView>
#include <QString>

#include <cstring>

class XmlPullParser
{
public:
    enum Token
    {
        StartElement,
        EndElement,
        Text,
        EndDocument
    };

    explicit XmlPullParser(QByteArrayView document);

    // Thrown where the text given so far ends inside a token, when more is to come.
    struct NeedMore
    {
    };
    // Where the reading stands between tokens.
    struct Mark
    {
        qsizetype position = 0;
        int depth = 0;
        bool pendingEnd = false;
    };
    Mark mark() const { return {m_pos, m_depth, m_pendingEnd}; }
    // Reads on from a mark, in a text whose start is the mark's position; 'last' when no
    // text follows this one.
    void resume(QByteArrayView text, const Mark &mark, bool last);
    // A first piece of a document read a piece at a time.
    static XmlPullParser firstPiece(QByteArrayView text, bool last);

    Token next();
    // Local name (prefix dropped) of the current start or end element.
    QByteArrayView name() const { return m_name; }
    // Raw value of an attribute of the current start element, by local name; empty view
    // and false when absent.
    bool attribute(QByteArrayView localName, QByteArrayView &value) const;
    // Calls visit(localName, rawValue) for each attribute of the current start element.
    template <typename Visit> void forEachAttribute(Visit &&visit) const;
    QString attributeText(QByteArrayView localName) const;
    // Text of the current text token, entities decoded.
    QString text() const;
    QByteArrayView rawText() const { return m_text; }
    bool textHasEntities() const { return m_textEntities; }
    // Reads the text content up to the end of the current element (nested elements' text
    // included) and leaves the parser on that end element.
    QString readElementText();
    // Skips to the end element that closes the current start element.
    void skipElement();
    // When the document goes on with <name>text</name>, plain text without markup, reads
    // it whole as the current text and returns true; otherwise reads nothing. A sheet's
    // value element then costs one step rather than three.
    bool readSimpleElement(QByteArrayView name);

    static QString decode(QByteArrayView raw);
    static void appendDecoded(QString &out, QByteArrayView raw);
    static QByteArrayView localName(QByteArrayView qualified)
    {
        for (qsizetype i = 0; i < qualified.size(); ++i)
            if (qualified[i] == ':')
                return qualified.sliced(i + 1);
        return qualified;
    }
    // Whether a name is the given literal; cheaper than the general comparison.
    template <qsizetype N> static bool is(QByteArrayView name, const char (&literal)[N])
    {
        return name.size() == N - 1 && std::memcmp(name.data(), literal, N - 1) == 0;
    }

private:
    [[noreturn]] void fail(const char *what) const;
    // Where a token has no end in the text: more to come, or damage.
    [[noreturn]] void incomplete(const char *what) const;
    // Reads to the end of the current element, gathering its text when asked.
    void walkToEnd(QString *text);
    void parseTag();
    qsizetype find(char c, qsizetype from) const;
    qsizetype find(QByteArrayView s, qsizetype from) const;

    QByteArrayView m_doc;
    qsizetype m_pos = 0;
    QByteArrayView m_name;
    QByteArrayView m_attributes; // the raw attribute text of the current start tag
    QByteArrayView m_text;
    bool m_textEntities = false;
    bool m_textIsCData = false;
    bool m_pendingEnd = false; // an empty-element tag's end
    int m_depth = 0;
    bool m_last = true;       // no text follows m_doc
    qsizetype m_consumed = 0; // bytes of the document before m_doc, for messages
};

template <typename Visit> void XmlPullParser::forEachAttribute(Visit &&visit) const
{
    const QByteArrayView a = m_attributes;
    const qsizetype size = a.size();
    qsizetype i = 0;
    while (i < size) {
        while (i < size && (a[i] == ' ' || a[i] == '\t' || a[i] == '\r' || a[i] == '\n'))
            ++i;
        const qsizetype nameStart = i;
        while (i < size && a[i] != '=' && a[i] != ' ')
            ++i;
        const QByteArrayView name = a.sliced(nameStart, i - nameStart);
        while (i < size && a[i] != '"' && a[i] != '\'')
            ++i;
        if (i >= size)
            return;
        const char quote = a[i++];
        const qsizetype valueStart = i;
        while (i < size && a[i] != quote)
            ++i;
        if (i >= size)
            return;
        visit(localName(name), a.sliced(valueStart, i - valueStart));
        ++i;
    }
}

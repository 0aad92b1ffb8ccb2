#pragma once
// A small, fast pull parser for the XML parts of a workbook package (UTF-8). It reads
// elements, attributes, text, CDATA and the predefined and numeric entities; it refuses
// document type declarations, so no entity can expand.

#include <QByteArrayView>
#include <QString>

class XmlPullParser
{
public:
    enum Token { StartElement, EndElement, Text, EndDocument };

    explicit XmlPullParser(QByteArrayView document);

    Token next();
    // Local name (prefix dropped) of the current start or end element.
    QByteArrayView name() const { return m_name; }
    // Raw value of an attribute of the current start element, by local name; empty view
    // and false when absent.
    bool attribute(QByteArrayView localName, QByteArrayView &value) const;
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

    static QString decode(QByteArrayView raw);

private:
    [[noreturn]] void fail(const char *what) const;
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
};

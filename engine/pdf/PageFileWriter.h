#pragma once
// One page of a parsed document written as a PDF file of its own: the page and every object
// it uses, numbered afresh, the small objects packed into one compressed object stream and
// the cross-references into a stream, as a general-purpose writer would; streams go out as
// they are encoded. It writes straight from the parsed document, copying nothing into a
// document of its own, and what it writes of an object can be changed on the way: a
// stream's data, or some of a dictionary's keys.

#include <QByteArray>

#include <qpdf/QPDFObjGen.hh>

#include <map>
#include <optional>
#include <string>

class QPDFObjectHandle;

class PageFileWriter
{
public:
    struct Change
    {
        std::optional<QByteArray> data;         // a stream's data, as its filters give it
        std::map<std::string, QByteArray> keys; // a key's value as written; empty: no key
    };
    // What to write in place of what the document holds for that object.
    void change(QPDFObjGen object, Change change) { m_changes[object] = std::move(change); }

    // The file of 'page', with 'info' (a dictionary, or null) as its document information.
    QByteArray write(QPDFObjectHandle page, QPDFObjectHandle info);

private:
    std::map<QPDFObjGen, Change> m_changes;
};

// A FlateDecode stream's data: libdeflate at its fastest level, several times faster than
// zlib and as small, since a page's parts are compressed anew for every page.
QByteArray deflatedForPdf(const QByteArray &data);

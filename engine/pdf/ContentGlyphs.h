#pragma once
// The glyph numbers a page's content stream shows, by the name of the font resource that
// shows them (without its slash). Fonts are two-byte CID fonts, as the PDF writer makes
// them. A small scanner of its own: a general content parser builds an object for every
// token and takes most of the time of cutting a document into pages.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <map>

namespace ContentGlyphs {
std::map<QByteArray, QList<quint16>> byFont(QByteArrayView content);
} // namespace ContentGlyphs

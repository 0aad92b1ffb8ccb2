#pragma once
// Cuts a TrueType font program down to the glyphs one page shows, with HarfBuzz's
// subsetter, keeping every glyph number as it was, so that text already written with those
// numbers stays valid. Glyph 0 and the parts of kept composite glyphs are always kept; the
// names go, as a PDF viewer never reads them.

#include <QByteArray>
#include <QList>

struct hb_blob_t;
struct hb_face_t;

class FontSubsetter
{
public:
    // Reads the font once, for many pages.
    explicit FontSubsetter(QByteArray font);
    ~FontSubsetter();
    FontSubsetter(const FontSubsetter &) = delete;
    FontSubsetter &operator=(const FontSubsetter &) = delete;

    // Whether the font could be read; an unreadable one is never cut.
    bool isValid() const { return m_valid; }
    // The font with only these glyphs' outlines; the font unchanged when it cannot be cut.
    QByteArray keepGlyphs(const QList<quint16> &glyphs) const;

private:
    QByteArray m_font; // HarfBuzz reads it in place
    hb_blob_t *m_blob = nullptr;
    hb_face_t *m_face = nullptr;
    bool m_valid = false;
};

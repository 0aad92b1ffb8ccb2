#include "FontSubsetter.h"

#include <hb-subset.h>

FontSubsetter::FontSubsetter(QByteArray font) : m_font(std::move(font))
{
    m_blob = hb_blob_create(m_font.constData(), uint(m_font.size()), HB_MEMORY_MODE_READONLY,
                            nullptr, nullptr);
    m_face = hb_face_create(m_blob, 0);
    hb_blob_t *glyf = hb_face_reference_table(m_face, HB_TAG('g', 'l', 'y', 'f'));
    m_valid = hb_face_get_glyph_count(m_face) > 0 && hb_blob_get_length(glyf) > 0;
    hb_blob_destroy(glyf);
}

FontSubsetter::~FontSubsetter()
{
    hb_face_destroy(m_face);
    hb_blob_destroy(m_blob);
}

QByteArray FontSubsetter::keepGlyphs(const QList<quint16> &glyphs) const
{
    if (!m_valid)
        return m_font;
    hb_subset_input_t *input = hb_subset_input_create_or_fail();
    if (!input)
        return m_font;
    hb_subset_input_set_flags(input, HB_SUBSET_FLAGS_RETAIN_GIDS | HB_SUBSET_FLAGS_NOTDEF_OUTLINE);
    hb_set_add(hb_subset_input_set(input, HB_SUBSET_SETS_DROP_TABLE_TAG),
               HB_TAG('n', 'a', 'm', 'e'));
    hb_set_t *kept = hb_subset_input_glyph_set(input);
    for (quint16 glyph : glyphs)
        hb_set_add(kept, glyph);
    hb_face_t *subset = hb_subset_or_fail(m_face, input);
    hb_subset_input_destroy(input);
    if (!subset)
        return m_font; // larger, never wrong
    hb_blob_t *blob = hb_face_reference_blob(subset);
    unsigned int length = 0;
    const char *data = hb_blob_get_data(blob, &length);
    QByteArray out(data, qsizetype(length));
    hb_blob_destroy(blob);
    hb_face_destroy(subset);
    return out.isEmpty() ? m_font : out;
}

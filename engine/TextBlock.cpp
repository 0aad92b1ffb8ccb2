#include "TextBlock.h"

#include "PageUnits.h"
#include "platform/FontSetup.h"

#include <QFontDatabase>
#include <QGlyphRun>
#include <QHash>
#include <QPaintEngine>
#include <QPainter>
#include <QRawFont>
#include <QTextOption>

#include <cmath>

namespace {
bool hasOwnBold(const QString &family)
{
    static QHash<QString, bool> known;
    const auto found = known.constFind(family);
    if (found != known.constEnd())
        return *found;
    bool bold = false;
    for (const QString &style : QFontDatabase::styles(family))
        bold = bold || QFontDatabase::weight(family, style) >= QFont::Bold;
    known.insert(family, bold);
    return bold;
}
} // namespace

QFont TextBlock::fontFor(const TextStyle &style)
{
    FontSetup::ensureSubstitutions();
    QFont font(style.family);
    // Each character takes the first face that has it: Latin and digits the Latin one.
    if (const QString latin = FontSetup::latinFamilyFor(style.family); !latin.isEmpty())
        font.setFamilies({latin, style.family});
    font.setPixelSize(std::max(1, int(std::lround(style.pointSize * PageUnits::PerPoint))));
    font.setBold(style.bold);
    font.setItalic(style.italic);
    font.setUnderline(style.underline);
    // Unhinted outlines scale exactly, so the layout does not depend on the device.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

std::shared_ptr<TextBlock> TextBlock::fitted(const QString &text, const TextStyle &style,
                                             const QSizeF &box)
{
    auto block = std::make_shared<TextBlock>(text, style, box.width());
    if (!style.shrinkToFit || !block->overflows(box, style.wrap))
        return block;
    TextStyle smaller = style;
    while (smaller.pointSize > style.minPointSize) {
        smaller.pointSize = std::max(style.minPointSize, smaller.pointSize - 0.5);
        if (smaller.pointSize <= style.minPointSize)
            smaller.wrap = true; // the last resort: more lines
        block = std::make_shared<TextBlock>(text, smaller, box.width());
        if (!block->overflows(box, smaller.wrap))
            break;
    }
    return block;
}

double TextBlock::pointSize() const
{
    return m_layout->font().pixelSize() / PageUnits::PerPoint;
}

bool TextBlock::overflows(const QSizeF &box, bool wraps) const
{
    // Half a hundredth of a millimetre of slack: rounding, not overflow.
    return height() > box.height() + 0.5 || (!wraps && naturalWidth() > box.width() + 0.5);
}

TextBlock::TextBlock(const QString &text, const TextStyle &style, double width)
    : m_text(text), m_alignment(style.alignment)
{
    QString laidOut = text;
    laidOut.replace(QLatin1Char('\n'), QChar::LineSeparator);
    m_layout = std::make_unique<QTextLayout>(laidOut, fontFor(style));
    QTextOption option(style.alignment & Qt::AlignHorizontal_Mask);
    option.setWrapMode(style.wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere
                                  : QTextOption::NoWrap);
    m_layout->setTextOption(option);
    m_layout->setCacheEnabled(true);

    if (text.isEmpty())
        return; // no line at all, not one empty line
    const QFontMetricsF metrics(m_layout->font());
    const double lineHeight = metrics.height();
    const double leading = lineHeight * (style.lineSpacing - 1.0);
    double y = 0;
    m_layout->beginLayout();
    for (QTextLine line = m_layout->createLine(); line.isValid(); line = m_layout->createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += lineHeight + leading;
    }
    m_layout->endLayout();
    m_height = m_layout->lineCount() > 0 ? y - leading : 0;
}

double TextBlock::naturalWidth() const
{
    double widest = 0;
    for (int i = 0; i < m_layout->lineCount(); ++i)
        widest = std::max(widest, m_layout->lineAt(i).naturalTextWidth());
    return widest;
}

QString TextBlock::lineText(int line) const
{
    const QTextLine l = m_layout->lineAt(line);
    return m_layout->text().mid(l.textStart(), l.textLength());
}

void TextBlock::draw(QPainter &painter, const QRectF &rect) const
{
    if (m_text.isEmpty())
        return;
    double top = rect.top();
    if (m_alignment & Qt::AlignVCenter)
        top += (rect.height() - m_height) / 2;
    else if (m_alignment & Qt::AlignBottom)
        top += rect.height() - m_height;
    const QPointF origin(rect.left(), top);
    m_layout->draw(&painter, origin);
    // A face without a bold of its own is made bold by the PDF writer, which draws each
    // glyph a second time half a stroke to the right; the screen would draw it plain.
    // The same second drawing here keeps preview and print alike.
    const QPaintEngine *engine = painter.paintEngine();
    if (!m_layout->font().bold() || !engine || engine->type() == QPaintEngine::Pdf)
        return;
    for (const QGlyphRun &run : m_layout->glyphRuns()) {
        const QRawFont raw = run.rawFont();
        if (hasOwnBold(raw.familyName()))
            continue;
        painter.drawGlyphRun(origin + QPointF(0.5 * raw.lineThickness(), 0), run);
    }
}

#pragma once
// A block of text laid out to a width: wrapped lines, alignment and line spacing, in page
// units. Needs no display.

#include "ReportTemplate.h"

#include <QFont>
#include <QRectF>
#include <QTextLayout>
#include <memory>

class QPainter;

class TextBlock
{
public:
    TextBlock(const QString &text, const TextStyle &style, double width);

    static QFont fontFor(const TextStyle &style);
    // The block as the style sets it in a box: for a text that shrinks to fit, at the
    // largest size in half-point steps that fits the box, down to the style's minimum,
    // where it wraps whatever the style says.
    static std::shared_ptr<TextBlock> fitted(const QString &text, const TextStyle &style,
                                             const QSizeF &box);
    // Whether the block goes beyond the box, less rounding.
    bool overflows(const QSizeF &box, bool wraps) const;

    int lineCount() const { return m_layout->lineCount(); }
    // The size the text is set in, in points.
    double pointSize() const;
    QString lineText(int line) const;
    double height() const { return m_height; }
    // The width of the widest line as laid out.
    double naturalWidth() const;
    // Draws the block inside 'rect', placed by the style's vertical alignment.
    void draw(QPainter &painter, const QRectF &rect) const;

private:
    std::unique_ptr<QTextLayout> m_layout;
    QString m_text;
    Qt::Alignment m_alignment;
    double m_height = 0;
};

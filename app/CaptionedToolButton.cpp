#include "CaptionedToolButton.h"

#include <QStyleOptionToolButton>
#include <QStylePainter>

void CaptionedToolButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    if (option.state & (QStyle::State_MouseOver | QStyle::State_Sunken | QStyle::State_On))
        painter.drawPrimitive(QStyle::PE_PanelButtonTool, option);

    const QSize iconSize = this->iconSize();
    const int shift = isDown() ? 1 : 0;
    const QRect iconRect((width() - iconSize.width()) / 2 + shift, 2 + shift, iconSize.width(),
                         iconSize.height());
    const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
    icon().paint(&painter, iconRect, Qt::AlignCenter, mode);

    const QRect textRect(shift, iconRect.bottom() + 1, width(), height() - iconRect.bottom() - 2);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(textRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, text());
}

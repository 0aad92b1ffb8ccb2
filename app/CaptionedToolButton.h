#pragma once
// A tool button that shows its 32 by 32 picture whole with the caption beneath, inside
// the 79 by 52 pixels a tool bar button has (Qt's style would shrink the picture).

#include <QToolButton>

class CaptionedToolButton : public QToolButton
{
    Q_OBJECT
public:
    using QToolButton::QToolButton;

protected:
    void paintEvent(QPaintEvent *event) override;
};

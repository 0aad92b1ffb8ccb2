#pragma once
// The value boxes of the designer's panel behave alike: a number is applied when its edit
// ends (Enter, Tab, leaving the box), never rewritten while it is being typed, and a box
// takes the mouse wheel only when it has the keyboard focus; otherwise the wheel scrolls
// the panel. A number typed with a thousands separator is refused, not guessed at.

#include <QObject>

class QAbstractSpinBox;
class QDoubleSpinBox;
class QSpinBox;
class QWidget;

namespace EditBoxes {

QDoubleSpinBox *number(double minimum, double maximum, int decimals, double step,
                       const QString &suffix);
QSpinBox *count(int minimum, int maximum);

// True while the user is typing in the box and has not ended the edit.
bool isTyping(const QWidget *box);
// Ends the edit of a number box being typed in: its value is applied now.
void applyTyping(QWidget *box);

// Keeps the wheel away from every value box and list under 'root' that does not have the
// focus: the wheel scrolls the nearest scroll area instead.
void guardWheel(QWidget *root);

} // namespace EditBoxes

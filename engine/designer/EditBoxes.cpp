#include "EditBoxes.h"

#include "NumberBox.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>

namespace EditBoxes {

namespace {

const char *const kTyping = "roviradavevTyping";

void trackTyping(QAbstractSpinBox *box)
{
    // Applied when the edit ends, not at each keystroke, so "12." is never shown as 12.0.
    box->setKeyboardTracking(false);
    if (auto *edit = box->findChild<QLineEdit *>()) {
        QObject::connect(edit, &QLineEdit::textEdited, box,
                         [box] { box->setProperty(kTyping, true); });
        QObject::connect(box, &QAbstractSpinBox::editingFinished, box,
                         [box] { box->setProperty(kTyping, false); });
    }
}

const QString kWheelGuard = QStringLiteral("wheelGuard");

class WheelGuard : public QObject
{
public:
    explicit WheelGuard(QObject *parent) : QObject(parent) { setObjectName(kWheelGuard); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Wheel)
            return false;
        auto *box = static_cast<QWidget *>(watched);
        if (box->hasFocus())
            return false;
        for (QWidget *w = box->parentWidget(); w; w = w->parentWidget())
            if (auto *scroll = qobject_cast<QScrollArea *>(w)) {
                QApplication::sendEvent(scroll->verticalScrollBar(), event);
                break;
            }
        return true;
    }
};

} // namespace

QDoubleSpinBox *number(double minimum, double maximum, int decimals, double step,
                       const QString &suffix)
{
    auto *box = new NumberBox;
    box->setRange(minimum, maximum);
    box->setDecimals(decimals);
    box->setSingleStep(step);
    box->setSuffix(suffix);
    trackTyping(box);
    return box;
}

QSpinBox *count(int minimum, int maximum)
{
    auto *box = new QSpinBox;
    box->setRange(minimum, maximum);
    trackTyping(box);
    return box;
}

bool isTyping(const QWidget *box)
{
    return box && box->property(kTyping).toBool();
}

void applyTyping(QWidget *box)
{
    for (QWidget *w = box; w; w = w->parentWidget())
        if (auto *spin = qobject_cast<QAbstractSpinBox *>(w)) {
            if (isTyping(spin)) {
                spin->interpretText();
                spin->setProperty(kTyping, false);
            }
            return;
        }
}

void guardWheel(QWidget *root)
{
    // Found by name: without a meta-object of its own, a search by type finds any object.
    QObject *guard = root->findChild<QObject *>(kWheelGuard, Qt::FindDirectChildrenOnly);
    if (!guard)
        guard = new WheelGuard(root);
    QList<QWidget *> boxes;
    for (QAbstractSpinBox *box : root->findChildren<QAbstractSpinBox *>())
        boxes.append(box);
    for (QComboBox *box : root->findChildren<QComboBox *>())
        boxes.append(box);
    for (QWidget *box : std::as_const(boxes)) {
        box->setFocusPolicy(Qt::StrongFocus); // not the wheel's
        box->removeEventFilter(guard);
        box->installEventFilter(guard);
    }
}

} // namespace EditBoxes

#pragma once
// A number box of the designer's panel that refuses a number written with the group
// separator of its locale ("12,5" where the comma groups thousands) instead of reading it
// as another number (125): in a measure such a comma is a decimal comma far more often.

#include <QDoubleSpinBox>

class NumberBox : public QDoubleSpinBox
{
    Q_OBJECT
public:
    using QDoubleSpinBox::QDoubleSpinBox;

    // Intermediate for such a text, and left as it is by the fixup that would take the
    // separator out: when the edit ends, the box keeps its value.
    QValidator::State validate(QString &text, int &position) const override;
    void fixup(QString &text) const override;
};

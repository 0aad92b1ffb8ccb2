#include "NumberBox.h"

namespace {
bool hasGroupSeparator(const QString &text, const QLocale &locale)
{
    const QString group = locale.groupSeparator();
    return !group.isEmpty() && text.contains(group);
}
} // namespace

QValidator::State NumberBox::validate(QString &text, int &position) const
{
    if (hasGroupSeparator(text, locale()))
        return QValidator::Intermediate;
    return QDoubleSpinBox::validate(text, position);
}

void NumberBox::fixup(QString &text) const
{
    if (!hasGroupSeparator(text, locale()))
        QDoubleSpinBox::fixup(text);
}

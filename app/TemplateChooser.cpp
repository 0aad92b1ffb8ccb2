#include "TemplateChooser.h"

#include <QLineEdit>
#include <QScopedValueRollback>

TemplateChooser::TemplateChooser(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert); // Enter never adds an entry
    connect(this, &QComboBox::editTextChanged, this, &TemplateChooser::followTypedText);
}

QString TemplateChooser::templateName() const
{
    const int index = currentIndex();
    return index >= 0 ? itemText(index) : QString();
}

void TemplateChooser::followTypedText(const QString &text)
{
    if (m_following)
        return;
    const int index = findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index == currentIndex())
        return;
    QScopedValueRollback guard(m_following, true);
    const int cursor = lineEdit()->cursorPosition();
    setCurrentIndex(index);
    // Deselecting empties the field; the user's text stays where it was.
    if (lineEdit()->text() != text) {
        lineEdit()->setText(text);
        lineEdit()->setCursorPosition(cursor);
    }
}

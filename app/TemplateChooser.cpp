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

QString TemplateChooser::typedName() const
{
    return currentIndex() < 0 ? currentText().trimmed() : QString();
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

void TemplateChooser::setFurtherNames(std::function<QStringList()> names)
{
    // Listed when the list opens or the chooser takes the focus, not at start-up.
    m_fixedCount = count();
    m_furtherNames = std::move(names);
}

void TemplateChooser::refreshEntries()
{
    if (!m_furtherNames)
        return;
    QStringList further;
    for (const QString &name : m_furtherNames()) {
        const int at = findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (at < 0 || at >= m_fixedCount) // not one of the fixed entries
            further.append(name);
    }
    QStringList now;
    for (int i = m_fixedCount; i < count(); ++i)
        now.append(itemText(i));
    if (now == further)
        return;
    // The selection and the typed text stay as they are.
    const QScopedValueRollback guard(m_following, true);
    const int selected = currentIndex();
    const QString selectedText = selected >= 0 ? itemText(selected) : QString();
    const QString typed = lineEdit()->text();
    while (count() > m_fixedCount)
        removeItem(count() - 1);
    addItems(further);
    setCurrentIndex(
        selected >= 0 ? findText(selectedText, Qt::MatchExactly | Qt::MatchCaseSensitive) : -1);
    if (lineEdit()->text() != typed)
        lineEdit()->setText(typed);
}

void TemplateChooser::selectTypedEntry()
{
    // A template saved since the list was last read becomes an entry the typed text selects.
    refreshEntries();
    if (currentIndex() < 0)
        followTypedText(currentText());
}

void TemplateChooser::showPopup()
{
    refreshEntries();
    QComboBox::showPopup();
}

void TemplateChooser::focusInEvent(QFocusEvent *event)
{
    refreshEntries();
    QComboBox::focusInEvent(event);
}

#pragma once
// The template chooser: an editable list whose selected entry names the letter template.
// Typed text selects an entry only when it equals one; other text leaves none selected.
// After its fixed entries it lists, sorted, the other templates the folder holds, as they
// are whenever the list opens or the chooser takes the focus.

#include <QComboBox>
#include <functional>

class TemplateChooser : public QComboBox
{
    Q_OBJECT
public:
    explicit TemplateChooser(QWidget *parent = nullptr);

    // The text of the selected entry; empty when none is selected.
    QString templateName() const;
    // What the user typed when it selects no entry; empty otherwise.
    QString typedName() const;

    // The entries present now are fixed; 'names' gives the further ones.
    void setFurtherNames(std::function<QStringList()> names);
    void refreshEntries();
    // Lists the folder's templates anew and selects the entry the typed text names, if any.
    void selectTypedEntry();
    void showPopup() override;

protected:
    void focusInEvent(QFocusEvent *event) override;

private:
    std::function<QStringList()> m_furtherNames;
    int m_fixedCount = 0;
    void followTypedText(const QString &text);
    bool m_following = false;
};

#pragma once
// The template chooser: an editable list whose selected entry names the letter template.
// Typed text selects an entry only when it equals one; other text leaves none selected.

#include <QComboBox>

class TemplateChooser : public QComboBox
{
    Q_OBJECT
public:
    explicit TemplateChooser(QWidget *parent = nullptr);

    // The text of the selected entry; empty when none is selected.
    QString templateName() const;

private:
    void followTypedText(const QString &text);
    bool m_following = false;
};

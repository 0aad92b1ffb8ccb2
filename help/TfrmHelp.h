#pragma once
// The help window: fixed usage notes in an editable, wrapped text box and a close button.

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

class TfrmHelp : public QWidget
{
    Q_OBJECT
public:
    // 'sampleWorkbook': where the sample is, when not in the program's folder.
    explicit TfrmHelp(QWidget *parent = nullptr, const QString &sampleWorkbook = QString());

    QPlainTextEdit *mmo1;
    QPushButton *btnclose;

    void btncloseClick();

protected:
    void resizeEvent(QResizeEvent *event) override;
};

#pragma once
// The help window: fixed usage notes in an editable, wrapped text box and a close button.

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

class TfrmHelp : public QWidget
{
    Q_OBJECT
public:
    explicit TfrmHelp(QWidget *parent = nullptr);

    QPlainTextEdit *mmo1;
    QPushButton *btnclose;

    void btncloseClick();

protected:
    void resizeEvent(QResizeEvent *event) override;
};

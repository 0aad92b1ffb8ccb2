#pragma once
// 发函方式 and 发函日期 for all the letters chosen at once; each is set only when ticked.

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;

class DispatchDetailsDialog : public QDialog
{
    Q_OBJECT
public:
    DispatchDetailsDialog(QWidget *owner, const QString &letters);

    // Empty when not ticked.
    QString method() const;
    // Invalid when not ticked.
    QDate date() const;

    QLabel *lblLetters;
    QCheckBox *chkSendMethod;
    QComboBox *cbbSendMethod;
    QCheckBox *chkSendDate;
    QDateEdit *dteSendDate;
};

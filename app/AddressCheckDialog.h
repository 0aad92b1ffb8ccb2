#pragma once
// Who checked the addresses of the letters chosen, how and when, with a note.

#include "ledger/LedgerTypes.h"

#include <QDialog>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;

class AddressCheckDialog : public QDialog
{
    Q_OBJECT
public:
    // 'letters' names the letters for the user: one number, or how many.
    AddressCheckDialog(QWidget *owner, const QString &letters);

    // The check as filled in (its number left empty).
    AddressCheck check() const;

    QLabel *lblLetters;
    QLineEdit *edtCheckedBy;
    QComboBox *cbbCheckWay;
    QDateEdit *dteCheckedOn;
    QLineEdit *edtCheckNote;
};

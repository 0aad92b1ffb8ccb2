#include "AddressCheckDialog.h"

#include "WindowParts.h"

#include "control/DispatchDetails.h"
#include "ledger/LedgerStore.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

using WindowParts::named;

AddressCheckDialog::AddressCheckDialog(QWidget *owner, const QString &letters) : QDialog(owner)
{
    setObjectName(QStringLiteral("dlgAddressCheck"));
    setWindowTitle(QStringLiteral("核实地址"));
    lblLetters = named(new QLabel(letters, this), "lblLetters");
    lblLetters->setWordWrap(true);
    setMinimumWidth(420);
    edtCheckedBy = named(new QLineEdit(LedgerStore::userName(), this), "edtCheckedBy");
    cbbCheckWay = named(new QComboBox(this), "cbbCheckWay");
    cbbCheckWay->setEditable(true);
    cbbCheckWay->setInsertPolicy(QComboBox::NoInsert);
    cbbCheckWay->addItems(DispatchDetails::checkWays());
    dteCheckedOn = named(new QDateEdit(QDate::currentDate(), this), "dteCheckedOn");
    dteCheckedOn->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    dteCheckedOn->setCalendarPopup(true);
    edtCheckNote = named(new QLineEdit(this), "edtCheckNote");
    edtCheckNote->setPlaceholderText(QStringLiteral("如：电话号码、联系人、查询网址"));

    QDialogButtonBox *box = WindowParts::okCancel(this);

    auto *form = new QFormLayout(this);
    form->addRow(lblLetters);
    form->addRow(QStringLiteral("核实人(&B)："), edtCheckedBy);
    form->addRow(QStringLiteral("核实方式(&W)："), cbbCheckWay);
    form->addRow(QStringLiteral("核实日期(&D)："), dteCheckedOn);
    form->addRow(QStringLiteral("说明(&N)："), edtCheckNote);
    form->addRow(box);
}

AddressCheck AddressCheckDialog::check() const
{
    return {QString(), edtCheckedBy->text(), cbbCheckWay->currentText(), dteCheckedOn->date(),
            edtCheckNote->text()};
}

#include "DispatchDetailsDialog.h"

#include "WindowParts.h"

#include "control/DispatchDetails.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>

using WindowParts::named;

DispatchDetailsDialog::DispatchDetailsDialog(QWidget *owner, const QString &letters)
    : QDialog(owner)
{
    setObjectName(QStringLiteral("dlgDispatchDetails"));
    setWindowTitle(QStringLiteral("发函方式和发函日期"));
    lblLetters = named(new QLabel(letters, this), "lblLetters");
    lblLetters->setWordWrap(true);
    setMinimumWidth(420);
    chkSendMethod = named(new QCheckBox(QStringLiteral("发函方式(&M)："), this), "chkSendMethod");
    chkSendMethod->setChecked(true);
    cbbSendMethod = named(new QComboBox(this), "cbbSendMethod");
    cbbSendMethod->setEditable(true);
    cbbSendMethod->setInsertPolicy(QComboBox::NoInsert);
    cbbSendMethod->addItems(DispatchDetails::methods());
    chkSendDate = named(new QCheckBox(QStringLiteral("发函日期(&D)："), this), "chkSendDate");
    chkSendDate->setChecked(true);
    dteSendDate = named(new QDateEdit(QDate::currentDate(), this), "dteSendDate");
    dteSendDate->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    dteSendDate->setCalendarPopup(true);
    connect(chkSendMethod, &QCheckBox::toggled, cbbSendMethod, &QWidget::setEnabled);
    connect(chkSendDate, &QCheckBox::toggled, dteSendDate, &QWidget::setEnabled);

    QDialogButtonBox *box = WindowParts::okCancel(this);

    auto *grid = new QGridLayout(this);
    grid->addWidget(lblLetters, 0, 0, 1, 2);
    grid->addWidget(chkSendMethod, 1, 0);
    grid->addWidget(cbbSendMethod, 1, 1);
    grid->addWidget(chkSendDate, 2, 0);
    grid->addWidget(dteSendDate, 2, 1);
    grid->addWidget(box, 3, 0, 1, 2);
}

QString DispatchDetailsDialog::method() const
{
    return chkSendMethod->isChecked() ? cbbSendMethod->currentText().trimmed() : QString();
}

QDate DispatchDetailsDialog::date() const
{
    return chkSendDate->isChecked() ? dteSendDate->date() : QDate();
}

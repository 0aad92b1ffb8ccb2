#include "PartiesDialog.h"

#include "WindowParts.h"

#include "ledger/LedgerStore.h"
#include "platform/Guard.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

using WindowParts::named;

PartiesDialog::PartiesDialog(QWidget *parent, LedgerStore &store) : QDialog(parent), m_store(store)
{
    setObjectName(QStringLiteral("PartiesDialog"));
    setWindowTitle(QStringLiteral("关联方名单"));
    const LedgerParties parties = store.parties();
    edtClient = named(new QLineEdit(parties.client, this), "edtClient");
    memRelated =
        named(new QPlainTextEdit(parties.related.join(QLatin1Char('\n')), this), "memRelated");
    memRelated->setPlaceholderText(QStringLiteral("每行一个关联方的名称"));
    auto *form = new QFormLayout(this);
    form->addRow(WindowParts::labelFor(edtClient, QStringLiteral("被审计单位(&C)：")), edtClient);
    form->addRow(WindowParts::labelFor(memRelated, QStringLiteral("关联方(&R)：")), memRelated);
    form->addRow(WindowParts::okCancel(this));
    resize(460, 360);
}

void PartiesDialog::accept()
{
    Guard::run([this] {
        m_store.setParties({edtClient->text(), memRelated->toPlainText().split(QLatin1Char('\n'))});
        QDialog::accept();
    });
}

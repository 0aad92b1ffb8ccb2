#include "WaybillPairingDialog.h"

#include "WindowParts.h"

#include "control/WaybillPairing.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using WindowParts::named;

WaybillPairingDialog::WaybillPairingDialog(QWidget *owner, const QString &title,
                                           const WaybillPairing &pairing)
    : QDialog(owner)
{
    setObjectName(QStringLiteral("dlgWaybillPairing"));
    setWindowTitle(title);
    resize(760, 480);
    lblPairing = named(new QLabel(pairing.summary(), this), "lblPairing");
    lblPairing->setWordWrap(true);
    tblPairing = named(new QTableWidget(int(pairing.rows().size()), 4, this), "tblPairing");
    tblPairing->setHorizontalHeaderLabels({QStringLiteral("函证编号"), QStringLiteral("被询证单位"),
                                           QStringLiteral("快递单号"), QStringLiteral("说明")});
    tblPairing->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblPairing->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblPairing->verticalHeader()->setVisible(false);
    tblPairing->horizontalHeader()->setStretchLastSection(true);
    for (int row = 0; row < pairing.rows().size(); ++row) {
        const WaybillPairing::Row &each = pairing.rows()[row];
        const QStringList texts{each.number, each.customer, each.waybill, each.note};
        for (int column = 0; column < texts.size(); ++column) {
            auto *item = new QTableWidgetItem(texts[column]);
            // What is not saved stands out from what is.
            if (!each.pairs)
                item->setForeground(QColor(0xa0, 0x40, 0x00));
            tblPairing->setItem(row, column, item);
        }
    }
    tblPairing->resizeColumnsToContents();

    auto *box = new QDialogButtonBox(this);
    btnSave =
        named(box->addButton(QStringLiteral("保存(&S)"), QDialogButtonBox::AcceptRole), "btnSave");
    btnSave->setEnabled(pairing.pairCount() > 0);
    box->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblPairing);
    layout->addWidget(tblPairing, 1);
    layout->addWidget(box);
}

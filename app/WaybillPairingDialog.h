#pragma once
// The waybills paired with letters, shown before anything is kept: 函证编号, 被询证单位,
// 快递单号 and, for the rows that do not pair, why. 保存 is offered only when some pair.

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;
class WaybillPairing;

class WaybillPairingDialog : public QDialog
{
    Q_OBJECT
public:
    WaybillPairingDialog(QWidget *owner, const QString &title, const WaybillPairing &pairing);

    QLabel *lblPairing;
    QTableWidget *tblPairing;
    QPushButton *btnSave;
};

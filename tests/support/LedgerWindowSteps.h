#pragma once
// Steps the ledger window's tests take as its user does: letters chosen in the table, and a
// dialog acted on once it is shown and modal.

#include "app/LedgerWindow.h"
#include "control/LedgerLetterModel.h"
#include "support/LedgerFixtures.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTimer>

#include <functional>

// Acts on the dialog that opens next, once it is shown and modal.
template <typename Dialog> void whenShown(std::function<void(Dialog *)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        }
    });
    timer->start();
}

// The rows of the letters ledgerLetter(n) numbers selected in the letters table, clicked in
// the order given.
inline void select(LedgerWindow &window, const QList<int> &letters)
{
    window.tblLetters->clearSelection();
    for (int n : letters)
        for (int row = 0; row < window.letters()->rowCount(); ++row)
            if (window.letters()->index(row, LedgerLetterModel::Number).data() ==
                ledgerLetter(n).number)
                window.tblLetters->selectionModel()->select(window.letters()->index(row, 0),
                                                            QItemSelectionModel::Select |
                                                                QItemSelectionModel::Rows);
}

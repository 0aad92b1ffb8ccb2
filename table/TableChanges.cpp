#include "TableChanges.h"

#include "StringGridModel.h"

#include <QTimer>

void followTableChanges(const StringGridModel &table, QObject *receiver, std::function<void()> then)
{
    auto *settle = new QTimer(receiver);
    settle->setSingleShot(true);
    QObject::connect(settle, &QTimer::timeout, receiver, std::move(then));
    const auto later = [settle] { settle->start(0); };
    QObject::connect(&table, &StringGridModel::layoutChanged, settle, later);
    QObject::connect(&table, &StringGridModel::OnCellsChanged, settle, later);
    QObject::connect(&table, &StringGridModel::cellChanged, settle, later);
}

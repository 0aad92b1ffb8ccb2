#pragma once
// The reply window's two lists as item models over one ReplyList: a view asks only for the
// lines it shows, so a run of a hundred thousand letters opens at once.

#include "control/ReplyList.h"

#include <QAbstractTableModel>

class ReplyLinesModel : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;
    // Shows 'list' (which must outlive it) from now on.
    void show(const ReplyList *list);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const ReplyList *m_list = nullptr;
};

class UnansweredModel : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;
    void show(const ReplyList *list);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const ReplyList *m_list = nullptr;
    QList<int> m_letters; // the unanswered ones, worked out once per list shown
};

#pragma once
// The reply window's two lists as item models over one ReplyList: a view asks only for the
// lines it shows, so a run of a hundred thousand letters opens at once.

#include "control/ReplyList.h"

#include <QAbstractTableModel>

// What both lists share: the list shown, and columns titled as in the exported workbook.
class ReplyListModel : public QAbstractTableModel
{
public:
    ReplyListModel(QStringList titles, QObject *parent);
    // Shows 'list' (which must outlive it) from now on.
    void show(const ReplyList *list);

    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

protected:
    // Works out what the model keeps of a newly shown list.
    virtual void listShown() {}
    const ReplyList *m_list = nullptr;

private:
    const QStringList m_titles;
};

class ReplyLinesModel : public ReplyListModel
{
public:
    explicit ReplyLinesModel(QObject *parent);
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
};

class UnansweredModel : public ReplyListModel
{
public:
    explicit UnansweredModel(QObject *parent);
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    void listShown() override;
    QList<int> m_letters; // the unanswered ones, worked out once per list shown
};

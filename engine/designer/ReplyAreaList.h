#pragma once
// The free 回函区 of the page in the page tab: a list of them, the chosen one's position and
// size by number, 添加 and 删除; each change one undo step. Areas stay on the paper.

#include <QWidget>

class DesignDocument;
class QDoubleSpinBox;
class QListWidget;
class QPushButton;

class ReplyAreaList : public QWidget
{
    Q_OBJECT
public:
    explicit ReplyAreaList(DesignDocument &document, QWidget *parent = nullptr);
    void refresh();

private:
    void add();
    void remove();
    void editChosen();
    // 'evenTyped': a box whose edit has just ended shows what was kept of it.
    void showChosen(bool evenTyped = false);

    DesignDocument &m_document;
    bool m_refreshing = false;
    QListWidget *m_list;
    QList<QDoubleSpinBox *> m_measures; // left, top, width, height
    QPushButton *m_add;
    QPushButton *m_remove;
};

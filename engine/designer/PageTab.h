#pragma once
// The page tab of the designer's panel: title, paper, orientation, size, margins, the
// detail band and the free 回函区, each edit one undo step. Width and height are shown as the page
// lies, turned for 横向.

#include <QWidget>

class DesignDocument;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;
class ReplyAreaList;

class PageTab : public QWidget
{
    Q_OBJECT
public:
    explicit PageTab(DesignDocument &document, QWidget *parent = nullptr);
    void refresh();

private:
    DesignDocument &m_document;
    bool m_refreshing = false;
    QLineEdit *m_title;
    QComboBox *m_paper;
    QComboBox *m_orientation;
    QList<QDoubleSpinBox *> m_measures; // as ElementProperties::pageMeasures()
    QDoubleSpinBox *m_bandTop;
    QDoubleSpinBox *m_bandHeight;
    QPushButton *m_clearBand;
    ReplyAreaList *m_replyAreas;
};

#include "TfrmHelp.h"

#include "HelpText.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>

namespace {
// Client size of the window's description; the text box and the button keep
// their distances to the edges they are anchored to.
constexpr int kClientWidth = 688;
constexpr int kClientHeight = 341;
const QRect kMemo(0, 8, 681, 297);
const QRect kButton(590, 311, 89, 27);
} // namespace

TfrmHelp::TfrmHelp(QWidget *parent, const QString &sampleWorkbook) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmHelp"));
    setAttribute(Qt::WA_DeleteOnClose); // nothing refers to a closed help window again
    setWindowTitle(QStringLiteral("帮助说明"));
    QFont windowFont(QStringLiteral("MS Sans Serif"));
    windowFont.setPointSize(8);
    setFont(windowFont);

    mmo1 = new QPlainTextEdit(this);
    mmo1->setObjectName(QStringLiteral("mmo1"));
    QFont memoFont(QStringLiteral("MS Sans Serif"));
    memoFont.setPointSize(10);
    mmo1->setFont(memoFont);
    mmo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    mmo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    mmo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    mmo1->setPlainText(helpText(sampleWorkbook));

    btnclose = new QPushButton(QStringLiteral("离开"), this);
    btnclose->setObjectName(QStringLiteral("btnclose"));
    connect(btnclose, &QPushButton::clicked, this, &TfrmHelp::btncloseClick);

    setTabOrder(mmo1, btnclose);
    resize(kClientWidth, kClientHeight);
    move(296, 240);
}

void TfrmHelp::btncloseClick()
{
    close();
}

void TfrmHelp::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int dw = width() - kClientWidth;
    const int dh = height() - kClientHeight;
    mmo1->setGeometry(kMemo.x(), kMemo.y(), kMemo.width() + dw, kMemo.height() + dh);
    btnclose->setGeometry(kButton.x() + dw, kButton.y() + dh, kButton.width(), kButton.height());
}

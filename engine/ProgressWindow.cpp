#include "ProgressWindow.h"

#include "platform/Exception.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProgressDialog>

ProgressWindow::ProgressWindow(QWidget *owner, const QString &label, int maximum)
    : m_dialog(std::make_unique<QProgressDialog>(label, QStringLiteral("取消"), 0, maximum, owner))
{
    m_dialog->setWindowTitle(QStringLiteral("请稍候"));
    m_dialog->setWindowModality(Qt::ApplicationModal);
    m_dialog->setMinimumDuration(400); // short work shows no window at all
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    m_dialog->setValue(0);
}

ProgressWindow::~ProgressWindow() = default;

bool ProgressWindow::step(int value, const QString &label)
{
    if (!label.isEmpty())
        m_dialog->setLabelText(label);
    if (m_dialog->maximum() == 0)
        QCoreApplication::processEvents(); // a busy indicator has no value to set
    else
        m_dialog->setValue(value);
    return !m_dialog->wasCanceled();
}

void ProgressWindow::stepOrAbort(int value, const QString &label)
{
    if (!step(value, label))
        throw EAbort();
}

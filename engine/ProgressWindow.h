#pragma once
// A modal progress window for long work, with a cancel button; a cancel becomes a silent
// abort of the command.

#include <QString>
#include <memory>

class QProgressDialog;
class QWidget;

class ProgressWindow
{
public:
    // A maximum of 0 shows a busy indicator (the total is not known).
    ProgressWindow(QWidget *owner, const QString &label, int maximum);
    ~ProgressWindow();

    // Shows progress; false once the user has cancelled.
    bool step(int value, const QString &label = QString());
    // Like step, but raises EAbort when cancelled.
    void stepOrAbort(int value, const QString &label = QString());

private:
    std::unique_ptr<QProgressDialog> m_dialog;
};

#pragma once
// The application object: the one place where an error raised by a command is caught
// and shown in the error box, so no exception crosses Qt's event loop.

#include <QApplication>

class Application : public QApplication
{
    Q_OBJECT
public:
    static const QString Title; // "zevuriz"

    Application(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;

    // Shows the error box for a message: caption "zevuriz", stop icon, one OK button.
    static void showErrorBox(const QString &message);
    // Runs 'work' and shows any error it raises; for code outside the event dispatch.
    template <typename Work> static void guarded(Work &&work)
    {
        try {
            work();
        } catch (...) {
            reportCurrentException();
        }
    }

private:
    static void reportCurrentException();
};

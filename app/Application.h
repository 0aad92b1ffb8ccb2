#pragma once
// The application object. Errors are caught by the guards around our slots; notify only
// catches, as a backstop, what would otherwise escape into Qt's event loop.

#include <QApplication>

class Application : public QApplication
{
    Q_OBJECT
public:
    static const QString Title; // "zevuriz"

    Application(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;

    // Earlier versions kept the remembered folders and the zoom under the title's name;
    // the first start of this one takes them over.
    static void keepEarlierSettings();

    // How many errors got past every guard to the backstop; stays 0 when all is well.
    static int escapedErrors();
};

#include "Application.h"

#include "platform/Guard.h"

const QString Application::Title = QStringLiteral("zevuriz");

namespace {
int g_escapedErrors = 0;
}

int Application::escapedErrors()
{
    return g_escapedErrors;
}

Application::Application(int &argc, char **argv) : QApplication(argc, argv)
{
    // The title names the task entry and the error boxes; it is deliberately not the
    // display name, which Qt would append to every window caption.
    setApplicationName(Title);
    setOrganizationName(QStringLiteral("roviradavev")); // where the remembered folders live
    Guard::setErrorCaption(Title);
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ++g_escapedErrors;
        Guard::reportCurrentException();
        return true;
    }
}

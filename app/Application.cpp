#include "Application.h"

#include "platform/Guard.h"

#include <QSettings>

const QString Application::Title = QStringLiteral("zevuriz");

namespace {
int g_escapedErrors = 0;
} // namespace

void Application::keepEarlierSettings()
{
    QSettings settings;
    if (!settings.allKeys().isEmpty())
        return;
    const QSettings earlier(QStringLiteral("roviradavev"), Application::Title);
    for (const QString &key : earlier.allKeys())
        settings.setValue(key, earlier.value(key));
}

int Application::escapedErrors()
{
    return g_escapedErrors;
}

Application::Application(int &argc, char **argv) : QApplication(argc, argv)
{
    // Screen readers and the task entry name the program; the title captions the error
    // boxes. Neither is the display name, which Qt would append to every window caption.
    setApplicationName(QStringLiteral("roviradavev"));
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

// The desktop program: sets up the application and runs the main window.

#include "Application.h"
#include "QtPrompts.h"
#include "Tfrmmain.h"
#include "platform/FontSetup.h"
#include "platform/Guard.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char *argv[])
{
    Application app(argc, argv);
    // Closing the main window ends the program even while help windows are open.
    app.setQuitOnLastWindowClosed(false);

    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTranslator);
    FontSetup::install();

    QtPrompts prompts;
    Prompts::install(&prompts);

    int status = 1;
    Guard::run([&] {
        Tfrmmain window;
        window.showMaximized();
        status = app.exec();
    });
    return status;
}

// The desktop program: sets up the application and runs the main window.

#include "Application.h"
#include "DesktopCommandLine.h"
#include "QtPrompts.h"
#include "Tfrmmain.h"
#include "platform/FontSetup.h"
#include "platform/Guard.h"
#include "platform/MemoryPolicy.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

#include <cstdio>

int main(int argc, char *argv[])
{
    useReturnableLargeBlocks();
    // Help, version and a wrong command line need no display.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const DesktopCommandLine commandLine = DesktopCommandLine::parse(arguments);
    switch (commandLine.action) {
    case DesktopCommandLine::Action::Help:
        std::fputs(DesktopCommandLine::help().toUtf8().constData(), stdout);
        return 0;
    case DesktopCommandLine::Action::Version:
        std::fputs(DesktopCommandLine::version().toUtf8().constData(), stdout);
        return 0;
    case DesktopCommandLine::Action::Error:
        std::fputs((commandLine.error + QLatin1Char('\n') + DesktopCommandLine::help())
                       .toUtf8()
                       .constData(),
                   stderr);
        return 2;
    case DesktopCommandLine::Action::Run:
        break;
    }

    Application app(argc, argv);
    Application::keepEarlierSettings();
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
        // Once the window is up, so its messages have it as their owner.
        QTimer::singleShot(0, &window, [&] {
            Guard::run([&] { window.openLedgerAtStart(commandLine.ledger); });
            Guard::run([&] {
                window.openFromCommandLine(commandLine.workbook, commandLine.templateFile);
            });
        });
        status = app.exec();
    });
    return status;
}

#include "Application.h"

#include "platform/ErrorText.h"
#include "platform/Exception.h"
#include "platform/Prompts.h"

#include <new>

const QString Application::Title = QStringLiteral("zevuriz");

Application::Application(int &argc, char **argv) : QApplication(argc, argv)
{
    // The title names the task entry and the error boxes; it is deliberately not the
    // display name, which Qt would append to every window caption.
    setApplicationName(Title);
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        reportCurrentException();
        return true;
    }
}

void Application::showErrorBox(const QString &message)
{
    Prompts::current().showError(nullptr, Title, errorBoxText(message));
}

void Application::reportCurrentException()
{
    try {
        throw;
    } catch (const EAbort &) {
        // A silent abort ends the command without a word.
    } catch (const Exception &e) {
        showErrorBox(e.message());
    } catch (const std::bad_alloc &) {
        showErrorBox(QStringLiteral("内存不足，操作未能完成"));
    } catch (const std::exception &e) {
        showErrorBox(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        showErrorBox(QStringLiteral("发生未知错误"));
    }
}

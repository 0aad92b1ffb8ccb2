#include "Guard.h"

#include "ErrorText.h"
#include "Exception.h"
#include "Prompts.h"

#include <QtGlobal>
#include <new>

namespace Guard {

namespace {
QString g_caption;

void showErrorBox(const QString &message)
{
    Prompts::current().showError(nullptr, g_caption, errorBoxText(message));
}
} // namespace

void setErrorCaption(const QString &caption)
{
    g_caption = caption;
}

void reportCurrentException() noexcept
{
    try {
        try {
            throw;
        } catch (const EAbort &) {
            // A silent abort ends the command without a word.
        } catch (const Exception &e) {
            showErrorBox(e.message());
        } catch (const std::bad_alloc &) {
            showErrorBox(QStringLiteral("内存不足，操作未能完成"));
        } catch (const std::exception &e) {
            showErrorBox(foreignErrorText(e));
        } catch (...) {
            showErrorBox(QStringLiteral("发生未知错误"));
        }
    } catch (...) {
        // The error box itself failed (no prompts, no memory): the log is all that is left.
        qWarning("An error could not be shown in the error box");
    }
}

} // namespace Guard

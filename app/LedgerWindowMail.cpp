// The ledger window's way to the e-mail of its letters, apart from the rest of the window.
#include "LedgerWindow.h"
#include "MailWindow.h"

#include "platform/Exception.h"

void LedgerWindow::mailClick()
{
    mail(MailRun::Kind::Letters, {});
}

void LedgerWindow::remind(const QStringList &numbers)
{
    mail(MailRun::Kind::Reminders, numbers);
}

void LedgerWindow::mail(MailRun::Kind kind, const QStringList &numbers)
{
    if (!m_store)
        throw Exception(QStringLiteral("请先新建或打开函证台账"));
    MailWindow window(this, *m_store, kind, numbers);
    connect(&window, &MailWindow::changed, this, [this] {
        reload();
        emit changed();
    });
    window.exec();
}

#pragma once
// The folder last used for each kind of file (import, PDF export, letters one by one),
// remembered across runs, so each dialog opens where the user left off.

#include <QString>

namespace RecentFolders {
// The folder last used for 'kind', or 'first' (the home folder when not given) when none is
// remembered or it is gone.
QString folder(const QString &kind, const QString &first = QString());
void remember(const QString &kind, const QString &folder);
} // namespace RecentFolders

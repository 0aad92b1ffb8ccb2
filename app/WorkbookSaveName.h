#pragma once
// Where the user saves an .xlsx export: suggested as <stem>-<today>.xlsx in the folder last
// used for that kind of export, .xlsx added to a name typed without it.

#include <QString>

class QWidget;

// The full path, or an empty string when cancelled. The folder is remembered.
QString askWorkbookSaveName(QWidget *owner, const QString &caption, const QString &stem,
                            const QString &kind);

#pragma once
// Texts of error messages as the user sees them.

#include <QString>

// The text of the error box: the message, with a full stop added when its last
// character sorts after ".".
QString errorBoxText(const QString &message);

// A component's own error description, less trailing blanks, control characters
// and full stops (ASCII and ideographic), so the error box adds exactly one.
QString cleanComponentMessage(const QString &description);

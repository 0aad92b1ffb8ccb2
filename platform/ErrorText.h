#pragma once
// Texts of error messages as the user sees them.

#include <QString>

#include <exception>

// The text of the error box: the message, with a full stop added when its last
// character sorts after ".".
QString errorBoxText(const QString &message);

// The message for an error that is not one of ours (a standard library or outside
// library exception): what failed, in the user's words, with its own detail after it.
QString foreignErrorText(const std::exception &error);

// A component's own error description, less trailing blanks, control characters
// and full stops (ASCII and ideographic), so the error box adds exactly one.
QString cleanComponentMessage(const QString &description);

// A system's or Qt's own text of why a file could not be read or written ("Permission
// denied", "Filename refers to a directory"), said in Chinese with the original after it;
// a text it does not know, as it is.
QString fileErrorText(const QString &systemText);

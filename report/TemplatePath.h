#pragma once

#include <QString>

// The letter template's path: the program directory (with its trailing separator), the
// template name and ".grf", joined with nothing between them.
QString templatePath(const QString &programDirectory, const QString &templateName);

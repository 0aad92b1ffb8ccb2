#pragma once
// The template folder: where the letter templates are found and the designer saves them.
// Today it is the program directory; this is the one place that says so.

#include <QString>
#include <QStringList>

namespace TemplateFolder {
// The folder, with its trailing separator.
QString path();
// The template of that name in the folder: the folder, the name and ".grf".
QString fileFor(const QString &name);
// The names of the templates in the folder, sorted.
QStringList names();
// Why a name cannot name a template file, or an empty text when it can.
QString problemWithName(const QString &name);
} // namespace TemplateFolder

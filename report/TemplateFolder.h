#pragma once
// The template folder: where the letter templates are found and the designer saves them,
// in the layout the program runs in (see TemplateLocations).

#include <QString>
#include <QStringList>

namespace TemplateFolder {
// The folder the designer saves to, with its trailing separator.
QString path();
// The file the template of that name is read from.
QString fileFor(const QString &name);
// The file the designer saves the template of that name to.
QString saveFileFor(const QString &name);
// The names of the templates to choose from, each once, sorted.
QStringList names();
// 恢复默认模板: whether the user has an edited copy of a shipped template, and removing it.
bool canRestore(const QString &name);
void restore(const QString &name);
// The sample workbook 导入模板.xls, where it really is.
QString sampleWorkbook();
// Why a name cannot name a template file, or an empty text when it can.
QString problemWithName(const QString &name);
} // namespace TemplateFolder

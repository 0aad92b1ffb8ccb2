#include "TemplatePath.h"

QString templatePath(const QString &programDirectory, const QString &templateName)
{
    return programDirectory + templateName + QStringLiteral(".grf");
}

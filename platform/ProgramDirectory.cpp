#include "ProgramDirectory.h"

#include <QCoreApplication>

QString programDirectory()
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/');
}

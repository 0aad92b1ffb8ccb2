#include "ProgramModule.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QMutex>

namespace ProgramModule {

namespace {
// Also before the application object exists, which a module may be the one to make.
QString programFolder()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
}
} // namespace

QFunctionPointer resolve(const QString &name, const char *symbol, QString *reason)
{
    static QMutex mutex;
    const QMutexLocker lock(&mutex);
    const QString folder = programFolder();
    for (const QString &place : {folder, folder + QStringLiteral("/../lib/roviradavev"),
                                 QStringLiteral(ROVIRADAVEV_PROGRAM_DIR)}) {
        QLibrary library(place + QLatin1Char('/') + name);
        if (const QFunctionPointer entry = library.resolve(symbol))
            return entry;
        *reason = library.errorString();
    }
    return nullptr;
}

} // namespace ProgramModule

#include "PdfModule.h"

#include "PdfError.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QMutex>

namespace PdfModule {

QFunctionPointer resolve(const char *symbol)
{
    static const QString kModule = QStringLiteral("roviradavev-pdfpages");
    static QMutex mutex;
    const QMutexLocker lock(&mutex);
    // Beside the program, where the package installs it (<prefix>/lib/roviradavev), or
    // where this build lays out its program directory (tests and benchmarks run from
    // elsewhere).
    const QString programFolder = QCoreApplication::applicationDirPath();
    QString reasons;
    for (const QString &folder :
         {programFolder, programFolder + QStringLiteral("/../lib/roviradavev"),
          QStringLiteral(ROVIRADAVEV_PROGRAM_DIR)}) {
        QLibrary library(folder + QLatin1Char('/') + kModule);
        if (const QFunctionPointer entry = library.resolve(symbol))
            return entry;
        reasons = library.errorString();
    }
    throw PdfError(QStringLiteral("缺少程序组件“%1”（%2）").arg(kModule, reasons));
}

} // namespace PdfModule

#include "PageSplitter.h"

#include "PdfError.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QMutex>

namespace {

const QString kModule = QStringLiteral("roviradavev-pdfpages");

PageSplitterFactory loadFactory()
{
    static QMutex mutex;
    const QMutexLocker lock(&mutex);
    static PageSplitterFactory factory = nullptr;
    if (factory)
        return factory;
    // Beside the program, or where this build lays out its program directory (tests and
    // benchmarks run from elsewhere).
    QString reasons;
    for (const QString &folder :
         {QCoreApplication::applicationDirPath(), QStringLiteral(ROVIRADAVEV_PROGRAM_DIR)}) {
        QLibrary library(folder + QLatin1Char('/') + kModule);
        factory = reinterpret_cast<PageSplitterFactory>(
            library.resolve(ROVIRADAVEV_PAGE_SPLITTER_FACTORY));
        if (factory)
            return factory;
        reasons = library.errorString();
    }
    throw PdfError(QStringLiteral("无法逐页导出：缺少程序组件“%1”（%2）").arg(kModule, reasons));
}

} // namespace

std::unique_ptr<PageSplitter> PageSplitter::open(const QByteArray &pdf)
{
    QString error;
    std::unique_ptr<PageSplitter> splitter(loadFactory()(pdf, &error));
    if (!splitter)
        throw PdfError(QStringLiteral("PDF 无法分页：%1").arg(error));
    return splitter;
}

#include "PdfModule.h"

#include "PdfError.h"
#include "platform/ProgramModule.h"

namespace PdfModule {

QFunctionPointer resolve(const char *symbol)
{
    static const QString kModule = QStringLiteral("roviradavev-pdfpages");
    QString reason;
    if (const QFunctionPointer entry = ProgramModule::resolve(kModule, symbol, &reason))
        return entry;
    throw PdfError(QStringLiteral("缺少程序组件“%1”（%2）").arg(kModule, reason));
}

} // namespace PdfModule

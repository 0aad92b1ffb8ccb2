// A scanned reply file (PNG, JPEG, TIFF, PDF through the PDF module) read page by page as
// the reply scan reads it. Run with a 2 GB memory limit: a picture's header may claim any
// size.

#include "FuzzSupport.h"
#include "control/ReplyScan.h"
#include "control/ScannedFile.h"
#include "platform/Exception.h"

#include <QGuiApplication>

#include <algorithm>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    try {
        const ScannedFile file(FuzzSupport::fileWith(data, size, ""), ReplyScan::kDotsPerInch);
        // The first pages, in order, and the last.
        const int pages = file.pageCount();
        auto read = [&](int page) {
            try {
                (void)file.page(page);
            } catch (const Exception &) {
            }
        };
        for (int page = 0; page < pages && page < 3; ++page)
            read(page);
        if (pages > 3)
            read(pages - 1);
    } catch (const Exception &) {
    }
    return 0;
}

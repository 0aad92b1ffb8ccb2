#pragma once
// The module that works on PDF files with the PDF library, loaded on first use: the library
// takes longer to load than most of the program's commands take to run.

#include <QFunctionPointer>

namespace PdfModule {
// One of the module's entry points. Raises PdfError when the module is missing.
QFunctionPointer resolve(const char *symbol);
} // namespace PdfModule

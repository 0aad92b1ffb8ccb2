// The template file reader, and a template it accepts written back and read again.

#include "engine/ReportError.h"
#include "engine/TemplateReader.h"
#include "engine/TemplateWriter.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    try {
        const ReportTemplate report = TemplateReader::fromJson(
            QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
        // What was read is written so that it reads back the same.
        if (!(TemplateReader::fromJson(TemplateWriter::toJson(report)) == report))
            std::abort();
    } catch (const ReportError &) {
    }
    return 0;
}

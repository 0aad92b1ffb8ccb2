// The used-range address bounds and the read address made from them.

#include "import/AddressBounds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString address =
        QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const AddressBounds bounds = AddressBounds::read(address);
    (void)bounds.readAddress();
    (void)AddressBounds::columnNumber(address);
    return 0;
}

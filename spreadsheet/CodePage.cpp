#include "CodePage.h"

#include <QHash>
#include <iconv.h>

namespace CodePage {

namespace {

QByteArray iconvName(int codePage)
{
    switch (codePage) {
    case 367:
        return "ASCII";
    case 936:
        return "GBK";
    case 950:
        return "BIG5";
    case 932:
        return "CP932";
    case 949:
        return "CP949";
    case 1200:
        return "UTF-16LE";
    case 10000:
    case 32768:
        return "MACINTOSH";
    // Excel for the Mac writes its own Mac code pages into BIFF5 files.
    case 10007:
        return "MAC-CYRILLIC";
    case 10029:
        return "MAC-CENTRALEUROPE";
    case 10079:
        return "MAC-IS";
    case 10017:
        return "MAC-UK";
    case 32769:
        return "CP1252";
    default:
        return "CP" + QByteArray::number(codePage);
    }
}

} // namespace

QString decode(QByteArrayView bytes, int codePage)
{
    if (codePage == 65001)
        return QString::fromUtf8(bytes);
    bool ascii = true;
    for (char c : bytes)
        if (uchar(c) >= 0x80)
            ascii = false;
    if (ascii && codePage != 1200)
        return QString::fromLatin1(bytes);

    iconv_t converter = iconv_open("UTF-16LE", iconvName(codePage).constData());
    if (converter == iconv_t(-1))
        converter = iconv_open("UTF-16LE", "CP1252");
    if (converter == iconv_t(-1))
        return QString::fromLatin1(bytes);
    QByteArray out((bytes.size() + 1) * 4, Qt::Uninitialized);
    char *in = const_cast<char *>(bytes.data());
    size_t inLeft = size_t(bytes.size());
    char *outPtr = out.data();
    size_t outLeft = size_t(out.size());
    while (inLeft > 0) {
        if (iconv(converter, &in, &inLeft, &outPtr, &outLeft) == size_t(-1)) {
            if (outLeft < 2)
                break;
            // An invalid byte becomes U+FFFD and decoding goes on after it.
            *outPtr++ = char(0xFD);
            *outPtr++ = char(0xFF);
            outLeft -= 2;
            ++in;
            --inLeft;
        }
    }
    iconv_close(converter);
    return QString(reinterpret_cast<const QChar *>(out.constData()),
                   (out.size() - qsizetype(outLeft)) / 2);
}

} // namespace CodePage

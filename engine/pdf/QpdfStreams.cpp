#include "QpdfStreams.h"

#include <qpdf/QPDFObjectHandle.hh>

namespace QpdfStreams {

QByteArray bytesOf(QPDFObjectHandle stream)
{
    const std::shared_ptr<Buffer> data = stream.getStreamData(qpdf_dl_generalized);
    return QByteArray(reinterpret_cast<const char *>(data->getBuffer()),
                      qsizetype(data->getSize()));
}

void replaceData(QPDFObjectHandle stream, const QByteArray &data)
{
    stream.replaceStreamData(std::string(data.constData(), size_t(data.size())),
                             QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
}

} // namespace QpdfStreams

#pragma once
// Stream data between qpdf and Qt.

#include <QByteArray>

class QPDFObjectHandle;

namespace QpdfStreams {
// The stream's data, decoded.
QByteArray bytesOf(QPDFObjectHandle stream);
// Replaces the stream's data with these plain bytes.
void replaceData(QPDFObjectHandle stream, const QByteArray &data);
} // namespace QpdfStreams

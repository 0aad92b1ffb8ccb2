#pragma once
// Decodes 8-bit text in a Windows code page (BIFF5 files keep their text that way).

#include <QByteArrayView>
#include <QString>

namespace CodePage {
QString decode(QByteArrayView bytes, int codePage);
}

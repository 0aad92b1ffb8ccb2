#include "FuzzSupport.h"

#include <QFile>
#include <unistd.h>

namespace FuzzSupport {

void readAsTheImportDoes(Workbook &workbook)
{
    for (int number = 1; number <= workbook.sheetCount(); ++number)
        (void)workbook.sheet(number)->name();
    Worksheet *sheet = workbook.activeSheet();
    const QString address = sheet->usedRangeAddress();
    (void)sheet->rangeValues(
        address.contains(QLatin1Char(':')) ? address : address + QLatin1Char(':') + address);
    (void)sheet->cell(1, 1);
}

QString fileWith(const uint8_t *data, size_t size, const char *suffix)
{
    static const QString path =
        QStringLiteral("/tmp/roviradavev-fuzz-%1%2").arg(getpid()).arg(QString::fromLatin1(suffix));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    return path;
}

} // namespace FuzzSupport

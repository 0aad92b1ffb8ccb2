#include "TitledRows.h"

#include "CsvTable.h"
#include "SentLetters.h"
#include "spreadsheet/WorkbookFile.h"

#include <QDate>
#include <QFile>

#include <algorithm>
#include <cmath>

namespace {

QString textOf(const CellValue &value)
{
    switch (value.kind) {
    case CellValue::Text:
    case CellValue::Error:
        return value.text;
    case CellValue::Date:
        return QDate(1899, 12, 30).addDays(qint64(std::floor(value.number))).toString(Qt::ISODate);
    case CellValue::Number:
        return value.number == std::floor(value.number) && std::abs(value.number) < 1e15
                   ? QString::number(value.number, 'f', 0)
                   : QString::number(value.number, 'g', 15);
    case CellValue::Boolean:
        return value.number != 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    case CellValue::Empty:
        break;
    }
    return {};
}

TitledRows fromWorkbook(const QString &path)
{
    const auto book = WorkbookFile::open(path);
    Worksheet *sheet = SentLetters::registerSheet(*book);
    TitledRows rows;
    rows.where = QStringLiteral("的工作表“%1”").arg(sheet->name());
    const RangeValues values = sheet->rangeValues(sheet->usedRangeAddress());
    values.forEach([&](const CellRef &cell) {
        const QString text = textOf(cell.value());
        if (rows.rows.isEmpty() || rows.rows.constLast().first != cell.row)
            rows.rows.append(qMakePair(cell.row, QMap<int, QString>()));
        rows.rows.last().second.insert(cell.column, text);
    });
    return rows;
}

TitledRows fromCsv(const QString &path)
{
    const QList<QStringList> records = CsvTable::read(path);
    TitledRows rows;
    for (int r = 0; r < records.size(); ++r) {
        QMap<int, QString> cells;
        for (int c = 0; c < records[r].size(); ++c)
            if (!records[r][c].isEmpty())
                cells.insert(c + 1, records[r][c]);
        if (!cells.isEmpty())
            rows.rows.append(qMakePair(r + 1, cells));
    }
    return rows;
}

// A workbook is a zip (.xlsx) or a compound file (.xls); anything else is read as CSV.
bool isWorkbook(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return true; // the workbook reader says why it cannot be read
    const QByteArray start = file.read(8);
    return start.startsWith("PK\x03\x04") || start.startsWith("\xD0\xCF\x11\xE0");
}

} // namespace

TitledRows TitledRows::read(const QString &path)
{
    return isWorkbook(path) ? fromWorkbook(path) : fromCsv(path);
}

bool TitledRows::findTitles(const QStringList &anyOf)
{
    for (int i = 0; i < rows.size() && i < kTitleRows; ++i) {
        const QMap<int, QString> &cells = rows[i].second;
        if (std::none_of(cells.begin(), cells.end(),
                         [&](const QString &text) { return anyOf.contains(text.trimmed()); }))
            continue;
        for (auto it = cells.begin(); it != cells.end(); ++it)
            titles.insert(it.key(), it.value().trimmed());
        rows.remove(0, i + 1);
        return true;
    }
    return false;
}

int TitledRows::column(const QStringList &names) const
{
    for (const QString &name : names)
        for (auto it = titles.begin(); it != titles.end(); ++it)
            if (it.value() == name)
                return it.key();
    return -1;
}

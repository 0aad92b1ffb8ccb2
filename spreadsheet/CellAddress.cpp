#include "CellAddress.h"

#include <QStringList>

namespace CellAddress {

namespace {

constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;

// Reads "$AB$12" style text; both "$" are optional.
bool parseCell(QStringView text, int &row, int &column)
{
    qsizetype i = 0;
    if (i < text.size() && text[i] == QLatin1Char('$'))
        ++i;
    column = 0;
    const qsizetype lettersStart = i;
    while (i < text.size() && text[i] >= QLatin1Char('A') && text[i] <= QLatin1Char('Z') &&
           i - lettersStart < 3) {
        column = column * 26 + (text[i].unicode() - 'A' + 1);
        ++i;
    }
    if (i == lettersStart || column > kMaxColumns)
        return false;
    if (i < text.size() && text[i] == QLatin1Char('$'))
        ++i;
    const qsizetype digitsStart = i;
    qint64 value = 0;
    while (i < text.size() && text[i].isDigit() && value <= kMaxRows) {
        value = value * 10 + text[i].digitValue();
        ++i;
    }
    if (i == digitsStart || i != text.size() || value < 1 || value > kMaxRows)
        return false;
    row = int(value);
    return true;
}

} // namespace

std::optional<Range> parseRange(const QString &address)
{
    const QStringList corners = address.split(QLatin1Char(':'));
    Range range{};
    if (corners.size() == 1) {
        if (!parseCell(corners[0], range.firstRow, range.firstColumn))
            return std::nullopt;
        range.lastRow = range.firstRow;
        range.lastColumn = range.firstColumn;
        return range;
    }
    if (corners.size() != 2 || !parseCell(corners[0], range.firstRow, range.firstColumn) ||
        !parseCell(corners[1], range.lastRow, range.lastColumn))
        return std::nullopt;
    if (range.lastRow < range.firstRow)
        std::swap(range.lastRow, range.firstRow);
    if (range.lastColumn < range.firstColumn)
        std::swap(range.lastColumn, range.firstColumn);
    return range;
}

QString absolute(const Range &range)
{
    const QString first =
        QStringLiteral("$%1$%2").arg(columnLetters(range.firstColumn)).arg(range.firstRow);
    if (range.firstRow == range.lastRow && range.firstColumn == range.lastColumn)
        return first;
    return first +
           QStringLiteral(":$%1$%2").arg(columnLetters(range.lastColumn)).arg(range.lastRow);
}

} // namespace CellAddress

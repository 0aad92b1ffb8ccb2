#include "AddressBounds.h"

#include "spreadsheet/CellAddress.h"

#include <limits>

namespace {

// The value of the digits a text starts with; 0 when it starts with none.
int leadingDigits(QStringView text)
{
    qint64 value = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        value = std::min<qint64>(value * 10 + (c.unicode() - '0'), std::numeric_limits<int>::max());
    }
    return int(value);
}

// A whole decimal integer with an optional sign, else -1.
int integerOrMinusOne(QStringView text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok || text.isEmpty() || text.front().isSpace() || text.back().isSpace())
        return -1;
    return value;
}

int lettersColumn(QStringView letters)
{
    return letters.isEmpty() ? -1 : AddressBounds::columnNumber(letters);
}

} // namespace

int AddressBounds::columnNumber(QStringView letters)
{
    if (letters.isEmpty())
        return -1; // no letters: no column, as for a corner without them
    if (letters.size() == 1)
        return letters[0].unicode() - 64;
    return (letters[0].unicode() - 64) * 26 + (letters[1].unicode() - 64);
}

AddressBounds AddressBounds::read(const QString &address)
{
    AddressBounds bounds;
    const qsizetype colon = address.indexOf(QLatin1Char(':'));
    if (colon < 0) {
        bounds.singleCell = true;
        if (!address.contains(QLatin1Char('$'))) {
            bounds.firstRow = bounds.lastRow = bounds.firstColumn = bounds.lastColumn = 1;
            return bounds;
        }
        const QStringView rest = QStringView(address).sliced(1);
        const qsizetype dollar = rest.indexOf(QLatin1Char('$'));
        bounds.firstRow = leadingDigits(dollar < 0 ? rest : rest.sliced(dollar + 1));
        bounds.firstColumn = lettersColumn(dollar < 0 ? QStringView() : rest.first(dollar));
        bounds.lastRow = bounds.firstRow;
        bounds.lastColumn = bounds.firstColumn;
        return bounds;
    }

    QStringView first = QStringView(address).first(colon);
    QStringView second = QStringView(address).sliced(colon + 1);
    second = second.first(std::min<qsizetype>(second.size(), 255));
    if (first.startsWith(QLatin1Char('$')))
        first = first.sliced(1);
    if (second.startsWith(QLatin1Char('$')))
        second = second.sliced(1);
    const qsizetype firstDollar = first.indexOf(QLatin1Char('$'));
    const qsizetype secondDollar = second.indexOf(QLatin1Char('$'));
    bounds.rowsOnly = firstDollar < 0;
    bounds.firstRow = integerOrMinusOne(firstDollar < 0 ? first : first.sliced(firstDollar + 1));
    bounds.lastRow = integerOrMinusOne(secondDollar < 0 ? second : second.sliced(secondDollar + 1));
    if (bounds.rowsOnly) {
        bounds.firstColumn = 1;
        bounds.lastColumn = 256;
    } else {
        bounds.firstColumn = lettersColumn(first.first(firstDollar));
        bounds.lastColumn = lettersColumn(secondDollar < 0 ? second : second.first(secondDollar));
    }
    return bounds;
}

bool AddressBounds::complete() const
{
    return firstRow != -1 && lastRow != -1 && firstColumn != -1 && lastColumn != -1;
}

QString AddressBounds::readAddress() const
{
    return CellAddress::columnLetters(firstColumn) + QString::number(firstRow) + QLatin1Char(':') +
           CellAddress::columnLetters(lastColumn) + QString::number(lastRow);
}

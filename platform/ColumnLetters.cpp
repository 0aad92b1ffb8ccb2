#include "ColumnLetters.h"

QString columnLetters(int column)
{
    QString letters;
    while (column > 0) {
        const int remainder = (column - 1) % 26;
        letters.prepend(QChar('A' + remainder));
        column = (column - 1) / 26;
    }
    return letters;
}

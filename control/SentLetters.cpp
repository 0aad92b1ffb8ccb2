#include "SentLetters.h"

#include "RegisterWriter.h"
#include "import/CellText.h"
#include "platform/Exception.h"
#include "platform/ValueText.h"
#include "report/RecordFetch.h"
#include "spreadsheet/WorkbookFile.h"
#include "table/StringGridModel.h"

#include <QFileInfo>

namespace {

// Amounts as accounts show them, whatever the table's regional settings.
QString amountText(double amount)
{
    return QLocale(QLocale::Chinese, QLocale::China).toString(amount, 'f', 2);
}

} // namespace

void SentLetters::add(SentLetter letter)
{
    letter.number = letter.number.trimmed();
    // Two rows with one number: a reply can only be told to the first.
    if (!letter.number.isEmpty() && !m_byNumber.contains(letter.number))
        m_byNumber.insert(letter.number, int(m_letters.size()));
    m_letters.append(std::move(letter));
}

int SentLetters::find(const QString &number) const
{
    return m_byNumber.value(number.trimmed(), -1);
}

SentLetters SentLetters::fromTable(const StringGridModel &table, const RegionalSettings &settings)
{
    SentLetters sent;
    for (int row = 1; row < table.RowCount(); ++row) {
        SentLetter letter{table.Cells(3, row), table.Cells(0, row), std::nullopt,
                          table.Cells(2, row)};
        try {
            letter.amount = RecordFetch::amount(table, row, settings);
            letter.amountText = amountText(*letter.amount);
        } catch (const Exception &) {
            // Shown as the table has it: the print run would stop at this row anyway.
        }
        sent.add(std::move(letter));
    }
    return sent;
}

SentLetters SentLetters::fromRegister(const QString &path, const RegionalSettings &settings)
{
    const QString name = QFileInfo(path).fileName();
    const auto book = WorkbookFile::open(path);
    // The register's own sheet; a copy the auditor saved with another first sheet still reads.
    Worksheet *sheet = nullptr;
    for (int number = 1; number <= book->sheetCount() && !sheet; ++number)
        if (book->sheet(number)->name() == QStringLiteral("函证控制表"))
            sheet = book->sheet(number);
    if (!sheet)
        sheet = book->activeSheet();
    const RangeValues values = sheet->rangeValues(sheet->usedRangeAddress());
    QList<QList<CellValue>> rows(values.rows, QList<CellValue>(values.columns));
    values.forEach([&](const CellRef &cell) {
        rows[values.rowOf(cell) - 1][values.columnOf(cell) - 1] = cell.value();
    });
    // Columns by their titles in the first row of the used range.
    const QStringList fixed = RegisterWriter::fixedTitles();
    const QString numberTitle = fixed[1], customerTitle = fixed[2], amountTitle = fixed[4];
    int numberColumn = -1, customerColumn = -1, amountColumn = -1;
    for (int c = 0; !rows.isEmpty() && c < values.columns; ++c) {
        const QString title = rows[0][c].text.trimmed();
        if (title == numberTitle && numberColumn < 0)
            numberColumn = c;
        else if (title == customerTitle && customerColumn < 0)
            customerColumn = c;
        else if (title == amountTitle && amountColumn < 0)
            amountColumn = c;
    }
    if (numberColumn < 0)
        throw Exception(
            QStringLiteral("“%1”不是函证控制表：第一行没有“%2”列").arg(name, numberTitle));
    SentLetters sent;
    auto textAt = [&](const QList<CellValue> &row, int column) {
        return column >= 0 ? cellText(row[column], settings) : QString();
    };
    for (int r = 1; r < rows.size(); ++r) {
        const QList<CellValue> &row = rows[r];
        SentLetter letter{textAt(row, numberColumn), textAt(row, customerColumn), std::nullopt,
                          textAt(row, amountColumn)};
        if (letter.number.trimmed().isEmpty() && letter.customer.trimmed().isEmpty())
            continue; // a line the auditor left empty
        if (amountColumn >= 0 && row[amountColumn].kind == CellValue::Number) {
            letter.amount = row[amountColumn].number;
            letter.amountText = amountText(*letter.amount);
        }
        sent.add(std::move(letter));
    }
    return sent;
}

#include "SentLetters.h"

#include "RegisterWriter.h"
#include "import/CellText.h"
#include "ledger/LedgerStore.h"
#include "ledger/LetterCode.h"
#include "platform/Exception.h"
#include "platform/ValueText.h"
#include "report/LetterRows.h"
#include "report/RecordFetch.h"
#include "spreadsheet/WorkbookFile.h"
#include "table/StringGridModel.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace {

// Amounts as accounts show them, whatever the table's regional settings.
QString amountText(double amount)
{
    return QLocale(QLocale::Chinese, QLocale::China).toString(amount, 'f', 2);
}

} // namespace

bool SentLetters::isTotalsLabel(QString text)
{
    text.remove(QRegularExpression(QStringLiteral("\\s")));
    static const QStringList labels{QStringLiteral("合计"), QStringLiteral("总计"),
                                    QStringLiteral("小计"), QStringLiteral("共计")};
    return labels.contains(text);
}

void SentLetters::add(SentLetter letter)
{
    letter.number = letter.number.trimmed();
    const int index = int(m_letters.size());
    if (!letter.number.isEmpty()) {
        const auto first = m_byNumber.constFind(letter.number);
        if (first == m_byNumber.cend()) {
            m_byNumber.insert(letter.number, index);
        } else {
            // Two rows with one number: a reply cannot be told to either.
            QList<int> &all = m_repeated[letter.number];
            if (all.isEmpty())
                all.append(*first);
            all.append(index);
        }
    }
    m_letters.append(std::move(letter));
}

int SentLetters::find(const QString &number) const
{
    return m_byNumber.value(number.trimmed(), -1);
}

QList<int> SentLetters::repeats(const QString &number) const
{
    return m_repeated.value(number.trimmed());
}

CodeMatch SentLetters::match(const QString &code) const
{
    const QString text = code.trimmed();
    if (const int letter = find(text); letter >= 0) {
        // A letter printed with a keyed code never shows its number alone.
        const CodeCheck check = !m_checksCodes                 ? CodeCheck::NotChecked
                                : m_letters[letter].bareNumber ? CodeCheck::Unkeyed
                                                               : CodeCheck::Failed;
        return {letter, text, check};
    }
    const std::optional<LetterCode::Parts> parts = LetterCode::split(text);
    const int letter = parts ? find(parts->number) : -1;
    if (letter < 0)
        return {-1, text, CodeCheck::NotChecked};
    if (!m_checksCodes)
        return {letter, parts->number, CodeCheck::NotChecked};
    const QString &expected = m_letters[letter].code;
    return {letter, parts->number,
            !expected.isEmpty() && expected == text ? CodeCheck::Valid : CodeCheck::Failed};
}

QString SentLetters::skippedSummary() const
{
    if (m_skipped.isEmpty())
        return QString();
    QStringList rows;
    for (const SkippedRow &skipped : m_skipped.mid(0, 10))
        rows.append(QString::number(skipped.row));
    return QStringLiteral("函证控制表有 %1 行没有函证编号或账面金额，未计为询证函：第 %2%3 行")
        .arg(m_skipped.size())
        .arg(rows.join(QStringLiteral("、")),
             m_skipped.size() > 10 ? QStringLiteral("…") : QString());
}

SentLetters SentLetters::fromTable(const StringGridModel &table, const RegionalSettings &settings)
{
    SentLetters sent;
    // The rows the print run makes letters of: an empty row makes none.
    const LetterRows letters(table);
    for (int row : letters.rows()) {
        SentLetter letter{table.Cells(3, row), table.Cells(0, row), std::nullopt,
                          table.Cells(2, row), table.sheetOrigin().y() + row};
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

Worksheet *SentLetters::registerSheet(Workbook &book)
{
    // The register's own sheet; a copy the auditor saved with another first sheet still
    // reads, and a register kept by hand is the sheet the file opens at.
    for (int number = 1; number <= book.sheetCount(); ++number)
        if (book.sheet(number)->name() == QStringLiteral("函证控制表"))
            return book.sheet(number);
    return book.activeSheet();
}

SentLetters SentLetters::fromRegister(const QString &path, const RegionalSettings &settings)
{
    const QString name = QFileInfo(path).fileName();
    const auto book = WorkbookFile::open(path);
    Worksheet *sheet = registerSheet(*book);
    // Only the cells there are, one at a time: a cell far to the right or far down costs
    // nothing, where a grid of the used range would cost rows times columns.
    const RangeValues values = sheet->rangeValues(sheet->usedRangeAddress());
    // Columns by their titles in the first row of the used range.
    const QStringList fixed = RegisterWriter::fixedTitles();
    const QString numberTitle = fixed[1], customerTitle = fixed[2], amountTitle = fixed[4];
    int numberColumn = -1, customerColumn = -1, amountColumn = -1;
    struct Row
    {
        int row = 0;
        CellValue number, customer, amount;
    };
    QList<Row> rows;
    values.forEach([&](const CellRef &cell) {
        const int row = values.rowOf(cell), column = values.columnOf(cell);
        if (row == 1) {
            const QString title = cell.text.trimmed().toString();
            int *wanted = title == numberTitle     ? &numberColumn
                          : title == customerTitle ? &customerColumn
                          : title == amountTitle   ? &amountColumn
                                                   : nullptr;
            if (cell.kind == CellValue::Text && wanted && *wanted < 0)
                *wanted = column;
            return;
        }
        CellValue Row::*field = column == numberColumn     ? &Row::number
                                : column == customerColumn ? &Row::customer
                                : column == amountColumn   ? &Row::amount
                                                           : nullptr;
        if (!field || numberColumn < 0)
            return;
        if (rows.isEmpty() || rows.constLast().row != cell.row)
            rows.append({cell.row, {}, {}, {}});
        rows.last().*field = cell.value();
    });
    if (numberColumn < 0)
        throw Exception(
            QStringLiteral("“%1”不是函证控制表：第一行没有“%2”列").arg(name, numberTitle));
    SentLetters sent;
    for (const Row &row : std::as_const(rows)) {
        SentLetter letter{cellText(row.number, settings).trimmed(),
                          cellText(row.customer, settings), std::nullopt,
                          cellText(row.amount, settings), row.row};
        const bool noAmount = amountColumn >= 0 && letter.amountText.trimmed().isEmpty();
        if (letter.number.isEmpty() && letter.customer.trimmed().isEmpty() && noAmount)
            continue; // a line the auditor left empty
        // A totals line or a note is no letter: counted, it would stay unanswered forever.
        const QString reason = isTotalsLabel(letter.number) || isTotalsLabel(letter.customer)
                                   ? QStringLiteral("合计行")
                               : letter.number.isEmpty() ? QStringLiteral("没有函证编号")
                               : noAmount                ? QStringLiteral("没有账面金额")
                                                         : QString();
        if (!reason.isEmpty()) {
            sent.m_skipped.append({row.row, reason});
            continue;
        }
        if (row.amount.kind == CellValue::Number) {
            letter.amount = row.amount.number;
            letter.amountText = amountText(*letter.amount);
        }
        sent.add(std::move(letter));
    }
    return sent;
}

SentLetters SentLetters::fromLedger(const LedgerStore &ledger)
{
    return fromLedger(ledger.letters(), ledger.codeKey());
}

SentLetters SentLetters::fromLedger(const QList<LedgerLetter> &letters, const QByteArray &codeKey)
{
    SentLetters sent;
    sent.m_checksCodes = !codeKey.isEmpty();
    int row = 0;
    for (const LedgerLetter &letter : letters) {
        if (letter.voided.isValid())
            continue;
        SentLetter listed{letter.identity.number, letter.identity.customer, std::nullopt, QString(),
                          ++row};
        if (letter.identity.cents) {
            listed.amount = double(*letter.identity.cents) / 100;
            listed.amountText = amountText(*listed.amount);
        }
        if (!codeKey.isEmpty())
            listed.code = LetterCode::content(codeKey, letter.identity);
        listed.bareNumber = !letter.keyedCode;
        sent.add(std::move(listed));
    }
    return sent;
}

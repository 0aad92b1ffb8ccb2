#pragma once
// The letters a reply can answer, by their number: from the register of the run (the
// workbook 导出函证控制表 wrote, which is only read), from the rows of the table, or from
// the ledger.

#include "platform/RegionalSettings.h"

#include <QHash>
#include <QList>
#include <QString>
#include <optional>

class LedgerStore;
struct LedgerLetter;
class StringGridModel;
class Workbook;
class Worksheet;

struct SentLetter
{
    QString number;
    QString customer;
    std::optional<double> amount; // none when the table's text is not an amount
    QString amountText;           // the text as the list shows it
    int row = 0; // the sheet row: the register's, or the imported workbook's; from 1 in the ledger
    // The letter's keyed code, from a ledger with its key; empty otherwise.
    QString code;
    // Printed with its number alone (before the ledger kept a key): a bare number answers
    // it, unchecked. A reprint since may carry the keyed code, which verifies too.
    bool bareNumber = true;
};

// How a code read stands against the letter it names.
enum class CodeCheck
{
    NotChecked, // the letters come with no key: a register, a table
    Valid,      // the keyed checksum verifies
    Unkeyed,    // 无校验: the letter was printed with its number alone
    Failed      // 校验失败: copied, made up or altered
};

struct CodeMatch
{
    int letter = -1; // the letter named, or -1
    QString number;  // the number the code names
    CodeCheck check = CodeCheck::NotChecked;
};

// A row of the register that names no letter: a totals line, a note, a letter half typed.
struct SkippedRow
{
    int row; // the sheet row
    QString reason;
};

class SentLetters
{
public:
    // The register's letters; raises Exception naming the file when it cannot be read or
    // holds no 函证编号 column. Rows without a number or an amount are skipped and listed.
    static SentLetters fromRegister(const QString &path, const RegionalSettings &settings);
    // The table's data rows, as the print run makes its letters of them; empty rows aside.
    static SentLetters fromTable(const StringGridModel &table, const RegionalSettings &settings);
    // The ledger's live letters, numbered from 1 in the ledger's order.
    // With the ledger's key, the letters printed with keyed codes are told by them.
    static SentLetters fromLedger(const LedgerStore &ledger);
    static SentLetters fromLedger(const QList<LedgerLetter> &letters,
                                  const QByteArray &codeKey = {});

    const QList<SentLetter> &letters() const { return m_letters; }
    // The letter with that number (spaces around it aside), or -1.
    int find(const QString &number) const;
    // Every letter with that number when more than one has it; empty otherwise.
    QList<int> repeats(const QString &number) const;
    // The letter a code read names, by its number alone or with a checksum, and whether the
    // checksum verifies.
    CodeMatch match(const QString &code) const;
    // The register's rows that were not taken for letters, and why.
    const QList<SkippedRow> &skipped() const { return m_skipped; }
    // The skipped rows in a line, for a window's summary; empty when none.
    QString skippedSummary() const;
    // The sheet of a workbook that holds its register: 函证控制表, else the active sheet.
    static Worksheet *registerSheet(Workbook &book);
    // A totals line's label where a letter's number would be: 合计, 总 计, 小计.
    static bool isTotalsLabel(QString text);

private:
    void add(SentLetter letter);
    QList<SentLetter> m_letters;
    QHash<QString, int> m_byNumber;        // the first letter of each number
    QHash<QString, QList<int>> m_repeated; // numbers of more than one letter
    QList<SkippedRow> m_skipped;
    bool m_checksCodes = false; // the letters came from a ledger with its key
};

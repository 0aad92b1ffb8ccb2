#pragma once
// Which rows of the receivables table make letters, and what must hold of them before the
// first letter is made: a row whose cells are all empty makes none, and every letter has
// a number of its own, so that a reply finds the one letter it answers.

#include <QList>
#include <QString>
#include <functional>
#include <optional>

class StringGridModel;

class LetterRows
{
public:
    // 'only', when given, are the table rows a run is limited to (a selection's, say): the
    // letters are those of them with any text, in table order, and the rest of the table
    // is not looked at.
    explicit LetterRows(const StringGridModel &table,
                        const std::optional<QList<int>> &only = std::nullopt);

    // The data rows (1 onwards) with any text, in order; the ones without, skipped.
    const QList<int> &rows() const { return m_rows; }
    const QList<int> &emptyRows() const { return m_empty; }

    struct Problem
    {
        QString place; // the rows, as the sheet names them: "第5行D列", "第3行、第7行"
        QString message;
    };
    // Rows without a letter number, and numbers that more than one row carries.
    QList<Problem> numberProblems() const;
    // Raises Exception naming them, when there are any.
    void requireNumbers() const;

    // The same for any letters: 'numberOf' gives the number of letter i, 'placeOf' names
    // the letter, or, with 'numberCell', where its number belongs. Only letters with a
    // problem are named.
    static QList<Problem>
    numberProblems(qsizetype count, const std::function<QString(qsizetype)> &numberOf,
                   const std::function<QString(qsizetype, bool numberCell)> &placeOf);
    static void requireNumbers(const QList<Problem> &problems);

    // A cell of the table as the sheet it came from names it: "第6行B列"; "第6行" for a
    // whole row (column -1).
    static QString place(const StringGridModel &table, int row, int column = -1);
    // Several rows: "第3行、第7行".
    static QString places(const StringGridModel &table, const QList<int> &rows);

private:
    // The first few of 'total' places, joined by "、".
    static QString listed(const QStringList &places, qsizetype total);

    const StringGridModel &m_table;
    QList<int> m_rows, m_empty;
};

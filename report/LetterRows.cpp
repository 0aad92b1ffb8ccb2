#include "LetterRows.h"

#include "platform/ColumnLetters.h"
#include "platform/Exception.h"
#include "table/StringGridModel.h"

#include <QHash>

#include <algorithm>

namespace {
const int kNumberColumn = 3;
// More than this many problems are summed up, not listed, in a message.
const int kListedProblems = 10;
} // namespace

LetterRows::LetterRows(const StringGridModel &table, const std::optional<QList<int>> &only)
    : m_table(table)
{
    const int columns = table.ColCount();
    const auto sort = [&](int row) {
        bool any = false;
        table.forEachCellInRow(row, [&](int column, QStringView text) {
            any = any || (column < columns && !text.trimmed().isEmpty());
        });
        (any ? m_rows : m_empty).append(row);
    };
    if (!only) {
        // Nearly every row makes a letter: one allocation, not a copy at every doubling.
        m_rows.reserve(std::max(0, table.RowCount() - 1));
        for (int row = 1; row < table.RowCount(); ++row)
            sort(row);
        return;
    }
    // In table order, each once, whatever order the caller listed them in.
    QList<int> rows = *only;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (int row : std::as_const(rows))
        if (row >= 1 && row < table.RowCount())
            sort(row);
}

QList<LetterRows::Problem> LetterRows::numberProblems() const
{
    return numberProblems(
        m_rows.size(), [&](qsizetype i) { return m_table.Cells(kNumberColumn, m_rows[i]); },
        [&](qsizetype i, bool numberCell) {
            return place(m_table, m_rows[i], numberCell ? kNumberColumn : -1);
        });
}

QList<LetterRows::Problem>
LetterRows::numberProblems(qsizetype count, const std::function<QString(qsizetype)> &numberOf,
                           const std::function<QString(qsizetype, bool)> &placeOf)
{
    QHash<QString, QList<qsizetype>> lettersOf;
    QList<qsizetype> firsts; // each problem's first letter, in the order they are read
    for (qsizetype i = 0; i < count; ++i) {
        const QString number = numberOf(i).trimmed();
        QList<qsizetype> &letters = lettersOf[number];
        letters.append(i);
        if (number.isEmpty() ? true : letters.size() == 2)
            firsts.append(number.isEmpty() ? i : letters.first());
    }
    std::sort(firsts.begin(), firsts.end());
    QList<Problem> problems;
    for (qsizetype first : std::as_const(firsts)) {
        const QString number = numberOf(first).trimmed();
        if (number.isEmpty()) {
            problems.append({placeOf(first, true), QStringLiteral("没有函编号")});
            continue;
        }
        const QList<qsizetype> &letters = lettersOf[number];
        QStringList places;
        for (qsizetype i : letters.mid(0, kListedProblems))
            places.append(placeOf(i, false));
        problems.append(
            {listed(places, letters.size()), QStringLiteral("函编号“%1”重复").arg(number)});
    }
    return problems;
}

void LetterRows::requireNumbers() const
{
    requireNumbers(numberProblems());
}

void LetterRows::requireNumbers(const QList<Problem> &problems)
{
    if (problems.isEmpty())
        return;
    QStringList lines;
    for (const Problem &problem : problems.mid(0, kListedProblems))
        lines.append(problem.place + QStringLiteral("：") + problem.message);
    if (problems.size() > kListedProblems)
        lines.append(QStringLiteral("……另有 %1 处").arg(problems.size() - kListedProblems));
    throw Exception(QStringLiteral("每封询证函都要有自己的函编号，回函才能对应到它；"
                                   "未生成任何询证函：\n") +
                    lines.join(QLatin1Char('\n')));
}

QString LetterRows::place(const StringGridModel &table, int row, int column)
{
    const QPoint origin = table.sheetOrigin();
    QString text = QStringLiteral("第%1行").arg(origin.y() + row);
    if (column >= 0)
        text += columnLetters(origin.x() + column) + QStringLiteral("列");
    return text;
}

QString LetterRows::places(const StringGridModel &table, const QList<int> &rows)
{
    QStringList each;
    for (int row : rows.mid(0, kListedProblems))
        each.append(place(table, row));
    return listed(each, rows.size());
}

QString LetterRows::listed(const QStringList &places, qsizetype total)
{
    QString text = places.join(QStringLiteral("、"));
    if (total > places.size())
        text += QStringLiteral("等 %1 处").arg(total);
    return text;
}

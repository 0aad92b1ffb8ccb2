#include "RegisterImport.h"

#include "TitledRows.h"
#include "ledger/LedgerStore.h"
#include "platform/ColumnLetters.h"
#include "platform/Exception.h"

#include <QFileInfo>
#include <QHash>
#include <QMap>

namespace {

const QString kNumberTitle = QStringLiteral("函证编号");

QString listedRows(const QList<SkippedRow> &skipped)
{
    constexpr int shown = 10;
    QStringList parts;
    for (const SkippedRow &row : skipped.mid(0, shown))
        parts.append(QStringLiteral("第 %1 行（%2）").arg(row.row).arg(row.reason));
    QString text = parts.join(QStringLiteral("、"));
    if (skipped.size() > shown)
        text += QStringLiteral(" 等");
    return text;
}

} // namespace

QString RegisterImport::Summary::text() const
{
    QString text = QStringLiteral("已从“%1”导入 %2 封询证函的登记内容，%3 封与函证台账相同，未改动")
                       .arg(file)
                       .arg(taken)
                       .arg(unchanged);
    if (!skipped.isEmpty())
        text += QStringLiteral("；跳过 %1 行：%2").arg(skipped.size()).arg(listedRows(skipped));
    return text + QStringLiteral("。");
}

RegisterImport::Summary RegisterImport::run(LedgerStore &ledger, const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    TitledRows rows = TitledRows::read(path);
    if (!rows.findTitles({kNumberTitle}))
        throw Exception(QStringLiteral("“%1”%2前 %3 行中没有“%4”列，无法导入函证台账")
                            .arg(name, rows.where)
                            .arg(TitledRows::kTitleRows)
                            .arg(kNumberTitle));
    const int numberColumn = rows.column({kNumberTitle});
    QList<QPair<int, LetterField>> columns;
    for (auto it = rows.titles.begin(); it != rows.titles.end(); ++it) {
        for (LetterField field : LedgerStore::fields())
            if (it.value() == LedgerStore::fieldName(field) &&
                std::none_of(columns.begin(), columns.end(),
                             [field](const auto &taken) { return taken.second == field; }))
                columns.append({it.key(), field});
    }
    if (columns.isEmpty()) {
        QStringList titles;
        for (LetterField field : LedgerStore::fields())
            titles.append(LedgerStore::fieldName(field));
        throw Exception(QStringLiteral("“%1”%2的列标题中没有可导入的列（%3）")
                            .arg(name, rows.where, titles.join(QStringLiteral("、"))));
    }

    QHash<QString, LedgerLetter> live;
    QSet<QString> voided;
    for (const LedgerLetter &letter : ledger.letters()) {
        if (letter.voided.isValid())
            voided.insert(letter.identity.number);
        else
            live.insert(letter.identity.number, letter);
    }
    Summary summary;
    summary.file = name;
    QHash<QString, int> rowOf;
    QList<QPair<QString, QList<QPair<LetterField, QString>>>> changes;
    for (const auto &[row, cells] : rows.rows) {
        const QString number = cells.value(numberColumn).trimmed();
        QString reason;
        if (number.isEmpty())
            reason = std::any_of(cells.begin(), cells.end(), SentLetters::isTotalsLabel)
                         ? QStringLiteral("合计行")
                         : QStringLiteral("没有函证编号");
        else if (SentLetters::isTotalsLabel(number))
            reason = QStringLiteral("合计行");
        else if (!live.contains(number))
            reason = voided.contains(number)
                         ? QStringLiteral("函证编号“%1”的询证函已作废").arg(number)
                         : QStringLiteral("函证台账中没有函证编号“%1”").arg(number);
        if (!reason.isEmpty()) {
            summary.skipped.append({row, reason});
            continue;
        }
        if (const auto earlier = rowOf.constFind(number); earlier != rowOf.cend())
            throw Exception(
                QStringLiteral("“%1”%2第 %3 行与第 %4 行的函证编号“%5”相同，无法确定以哪一行"
                               "为准；未导入任何内容")
                    .arg(name, rows.where)
                    .arg(row)
                    .arg(*earlier)
                    .arg(number));
        rowOf.insert(number, row);
        const LedgerLetter &letter = live[number];
        QList<QPair<LetterField, QString>> values;
        for (const auto &[column, field] : columns) {
            const QString text = cells.value(column);
            if (text.trimmed().isEmpty())
                continue; // an empty cell says nothing: the ledger keeps what it holds
            QString value;
            try {
                value = LedgerStore::normalized(field, text);
            } catch (const Exception &error) {
                throw Exception(QStringLiteral("“%1”%2第 %3 行 %4 列：%5；未导入任何内容")
                                    .arg(name, rows.where)
                                    .arg(row)
                                    .arg(columnLetters(column), error.message()));
            }
            if (value != letter.value(field))
                values.append({field, value});
        }
        if (values.isEmpty()) {
            ++summary.unchanged;
        } else {
            ++summary.taken;
            changes.append({number, values});
        }
    }
    if (!changes.isEmpty()) {
        // A letter voided since it was read above is not changed; its row says so.
        for (const QString &number : ledger.setValuesOf(changes, QStringLiteral("导入"))) {
            --summary.taken;
            summary.skipped.append(
                {rowOf.value(number), QStringLiteral("函证编号“%1”的询证函已作废").arg(number)});
        }
    }
    return summary;
}

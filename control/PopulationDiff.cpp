#include "PopulationDiff.h"

#include "report/RecordFetch.h"

#include <QHash>
#include <QStringList>

#include <algorithm>

namespace {

// More of a kind than this are counted, not listed.
const int kListed = 10;

QStringList textsOf(const PopulationRow &row)
{
    return {row.customer, row.cutOff, row.amount, row.number};
}

// The row as the user knows it: its number and customer.
QString named(const PopulationRow &row)
{
    if (row.number.isEmpty() || row.customer.isEmpty())
        return row.number + row.customer;
    return row.number + QLatin1Char(' ') + row.customer;
}

QString listed(const QString &kind, const QStringList &items, qsizetype total)
{
    QString line = kind + QStringLiteral("：") + items.join(QStringLiteral("；"));
    if (total > items.size())
        line += QStringLiteral(" 等 %1 行").arg(total);
    return line;
}

} // namespace

PopulationDiff PopulationDiff::between(const QList<PopulationRow> &recorded, const Population &now)
{
    QList<PopulationRow> current;
    current.reserve(now.size());
    for (int position = 0; position < now.size(); ++position)
        current.append(now.row(position));
    // Numbers identify rows only when every row has one; customers otherwise, the first
    // of equal ones matched to the first.
    auto numbered = [](const QList<PopulationRow> &rows) {
        return std::all_of(rows.begin(), rows.end(),
                           [](const PopulationRow &row) { return !row.number.isEmpty(); });
    };
    const bool byNumber = numbered(recorded) && numbered(current);
    auto keyOf = [&](const PopulationRow &row) { return byNumber ? row.number : row.customer; };

    QHash<QString, QList<int>> waiting; // recorded positions by key, in order
    for (int position = 0; position < recorded.size(); ++position)
        waiting[keyOf(recorded[position])].append(position);
    QList<bool> matched(recorded.size(), false);
    PopulationDiff diff;
    for (int position = 0; position < current.size(); ++position) {
        QList<int> &same = waiting[keyOf(current[position])];
        if (same.isEmpty()) {
            diff.added.append(position);
            continue;
        }
        const int before = same.takeFirst();
        matched[before] = true;
        if (textsOf(recorded[before]) != textsOf(current[position]))
            diff.changed.append({before, position});
    }
    for (int position = 0; position < recorded.size(); ++position)
        if (!matched[position])
            diff.removed.append(position);
    return diff;
}

QString PopulationDiff::describe(const QList<PopulationRow> &recorded, const Population &now) const
{
    if (same())
        return QStringLiteral("与选样时的总体相同。");
    QStringList counts, lines;
    if (!added.isEmpty()) {
        counts.append(QStringLiteral("新增 %1 行").arg(added.size()));
        QStringList items;
        for (int position : added.mid(0, kListed))
            items.append(now.place(position) + QLatin1Char(' ') + named(now.row(position)));
        lines.append(listed(QStringLiteral("新增"), items, added.size()));
    }
    if (!removed.isEmpty()) {
        counts.append(QStringLiteral("删除 %1 行").arg(removed.size()));
        QStringList items;
        for (int position : removed.mid(0, kListed))
            items.append(named(recorded[position]));
        lines.append(listed(QStringLiteral("删除"), items, removed.size()));
    }
    if (!changed.isEmpty()) {
        counts.append(QStringLiteral("改动 %1 行").arg(changed.size()));
        QStringList items;
        for (const auto &[before, position] : changed.mid(0, kListed)) {
            const QStringList was = textsOf(recorded[before]);
            const PopulationRow row = now.row(position);
            const QStringList is = textsOf(row);
            QStringList fields;
            for (int field = 0; field < was.size(); ++field)
                if (was[field] != is[field])
                    fields.append(QStringLiteral("%1“%2”改为“%3”")
                                      .arg(RecordFetch::Fields[field], was[field], is[field]));
            items.append(now.place(position) + QLatin1Char(' ') + named(row) +
                         QStringLiteral("（") + fields.join(QStringLiteral("，")) +
                         QStringLiteral("）"));
        }
        lines.append(listed(QStringLiteral("改动"), items, changed.size()));
    }
    return QStringLiteral("与选样时的总体不同：") + counts.join(QStringLiteral("，")) +
           QStringLiteral("。\n") + lines.join(QLatin1Char('\n'));
}

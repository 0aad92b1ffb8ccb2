// The reads a long list of letters makes: which letters a filter lets through, then the
// letters shown, a screenful at a time; and the log likewise.

#include "LedgerStore.h"

#include "SqlBinding_p.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {
// Bound values past a few hundred are slow or refused by some servers: ids go in portions.
constexpr int IdsPerQuery = 500;

// The text for LIKE, its wildcards taken literally.
QString likePattern(const QString &text)
{
    QString escaped;
    for (const QChar c : text.toLower()) {
        if (c == QLatin1Char('%') || c == QLatin1Char('_') || c == QLatin1Char('!'))
            escaped += QLatin1Char('!');
        escaped += c;
    }
    return QLatin1Char('%') + escaped + QLatin1Char('%');
}
} // namespace

QList<qint64> LedgerStore::letterIds(const LetterFilter &filter) const
{
    QStringList conditions;
    QVariantList bound;
    const QString state = filter.state.trimmed();
    if (state == QStringLiteral("已作废")) {
        conditions.append(QStringLiteral("voided IS NOT NULL"));
    } else if (!state.isEmpty()) {
        // As LedgerLetter::state() decides: a result entered names the state.
        conditions.append(QStringLiteral("voided IS NULL"));
        if (results().contains(state)) {
            conditions.append(QStringLiteral("result = ?"));
            bound.append(state);
        } else if (state == QStringLiteral("已回函")) {
            conditions.append(QStringLiteral("result = '' AND answered <> 0"));
        } else if (state == QStringLiteral("已发函")) {
            conditions.append(QStringLiteral("result = '' AND answered = 0"));
        } else {
            return {};
        }
    }
    if (!filter.templateName.isEmpty()) {
        conditions.append(QStringLiteral("template = ?"));
        bound.append(filter.templateName);
    }
    if (filter.run != 0) {
        conditions.append(QStringLiteral("id IN (SELECT letter FROM sendings WHERE run = ?)"));
        bound.append(filter.run);
    }
    if (const QString text = filter.text.trimmed(); !text.isEmpty()) {
        conditions.append(QStringLiteral("(LOWER(number) LIKE ? ESCAPE '!' OR "
                                         "LOWER(customer) LIKE ? ESCAPE '!')"));
        bound.append(likePattern(text));
        bound.append(likePattern(text));
    }
    QSqlQuery query(database());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT id FROM letters %1 ORDER BY id")
                      .arg(conditions.isEmpty() ? QString()
                                                : QStringLiteral("WHERE ") +
                                                      conditions.join(QStringLiteral(" AND "))));
    bindAll(query, bound);
    if (!exec(query))
        fail(QStringLiteral("读取"), query.lastError());
    QList<qint64> ids;
    while (query.next())
        ids.append(query.value(0).toLongLong());
    return ids;
}

QList<LedgerLetter> LedgerStore::lettersWithIds(const QList<qint64> &ids) const
{
    QHash<qint64, LedgerLetter> byId;
    for (qsizetype from = 0; from < ids.size(); from += IdsPerQuery) {
        const QList<qint64> portion = ids.mid(from, IdsPerQuery);
        QVariantList bound;
        for (qint64 id : portion)
            bound.append(id);
        QStringList marks(portion.size(), QStringLiteral("?"));
        for (LedgerLetter &letter : selectLetters(
                 QStringLiteral("WHERE id IN (%1)").arg(marks.join(QLatin1Char(','))), bound))
            byId.insert(letter.id, std::move(letter));
    }
    QList<LedgerLetter> letters;
    letters.reserve(ids.size());
    for (qint64 id : ids)
        if (const auto found = byId.constFind(id); found != byId.constEnd())
            letters.append(*found);
    return letters;
}

QStringList LedgerStore::templateNames() const
{
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!exec(query, QStringLiteral("SELECT DISTINCT template FROM letters ORDER BY template")))
        fail(QStringLiteral("读取"), query.lastError());
    QStringList names;
    while (query.next())
        names.append(query.value(0).toString());
    return names;
}

QList<LogEntry> LedgerStore::logRange(qint64 first, int count) const
{
    return selectLog(QStringLiteral("WHERE id >= ? AND id < ?"), {first, first + count});
}

#include "ColumnBinding.h"

#include "RecordFetch.h"
#include "platform/Exception.h"
#include "table/StringGridModel.h"

namespace {
bool isSpace(QChar c)
{
    return c == QLatin1Char(' ') || c == QChar(0x3000) || c == QLatin1Char('\t');
}
} // namespace

QString ColumnBinding::trimmedTitle(const QString &title)
{
    qsizetype start = 0, end = title.size();
    while (start < end && isSpace(title.at(start)))
        ++start;
    while (end > start && isSpace(title.at(end - 1)))
        --end;
    return title.mid(start, end - start);
}

QStringList ColumnBinding::titlesOf(const StringGridModel &table)
{
    QStringList titles;
    if (table.RowCount() > 0)
        for (int column = 0; column < table.ColCount(); ++column)
            titles.append(trimmedTitle(table.Cells(column, 0)));
    return titles;
}

ColumnBinding::ColumnBinding(const QList<FieldDeclaration> &fields, const StringGridModel &table)
    : ColumnBinding(fields, titlesOf(table))
{
}

ColumnBinding::ColumnBinding(const QList<FieldDeclaration> &fields, const QStringList &titles)
    : m_titles(titles)
{
    QList<FieldDeclaration> all = fields;
    for (const QString &name : RecordFetch::Fields)
        if (std::none_of(all.begin(), all.end(), [&](const auto &f) { return f.name == name; }))
            all.append({name, FieldType::Text});
    for (const FieldDeclaration &field : all) {
        Source source{field.name, field.type};
        const int fixed = int(RecordFetch::Fields.indexOf(field.name));
        source.fixed = fixed >= 0;
        source.derived = RecordFetch::derived(field.name);
        source.column = source.fixed     ? fixed
                        : source.derived ? -1
                                         : int(m_titles.indexOf(field.name));
        m_sources.append(source);
    }
}

QList<ColumnBinding::Source> ColumnBinding::titled() const
{
    QList<Source> result;
    for (const Source &source : m_sources)
        if (!source.fixed && source.column >= 0)
            result.append(source);
    return result;
}

const ColumnBinding::Source *ColumnBinding::sourceOf(const QString &field) const
{
    for (const Source &source : m_sources)
        if (source.field == field)
            return &source;
    return nullptr;
}

void ColumnBinding::requireColumns() const
{
    for (const Source &source : m_sources) {
        if (source.available())
            continue;
        QStringList titles;
        for (const QString &title : m_titles)
            if (!title.isEmpty())
                titles.append(title);
        throw Exception(
            QStringLiteral("导入的表格第 1 行没有标题为“%1”的列，打印模板的字段“%1”无法取值。%2")
                .arg(source.field, titles.isEmpty() ? QStringLiteral("表格的第 1 行没有列标题")
                                                    : QStringLiteral("表格的列标题有：%1")
                                                          .arg(titles.join(QStringLiteral("、")))));
    }
}

QStringList ColumnBinding::warnings() const
{
    QStringList warnings;
    for (int column = 0; column < std::min<int>(4, int(m_titles.size())); ++column) {
        const QString &title = m_titles[column];
        if (title.isEmpty() || title == RecordFetch::Fields[column] || !sourceOf(title))
            continue;
        warnings.append(QStringLiteral("第 %1 列的标题是“%2”，但打印模板在第 %1 列读取“%3”")
                            .arg(column + 1)
                            .arg(title, RecordFetch::Fields[column]));
    }
    for (const Source &source : titled()) {
        const int again = int(m_titles.indexOf(source.field, source.column + 1));
        if (again >= 0)
            warnings.append(
                QStringLiteral("标题为“%1”的列不止一列：字段“%1”取第 %2 列，第 %3 列不用")
                    .arg(source.field)
                    .arg(source.column + 1)
                    .arg(again + 1));
    }
    return warnings;
}

QString ColumnBinding::describe(const QString &field) const
{
    const Source *source = sourceOf(field);
    if (source && source->derived)
        return QStringLiteral("由第 4 列的函编号生成");
    if (!source || source->column < 0)
        return QStringLiteral("表格中没有此列");
    if (source->fixed)
        return QStringLiteral("第 %1 列").arg(source->column + 1);
    return QStringLiteral("列“%1”（第 %2 列）").arg(field).arg(source->column + 1);
}

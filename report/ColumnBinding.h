#pragma once
// Where each field of a letter template takes its values from in the table: the four
// receivables fields by position, columns 0 to 3, whatever their titles; every other field
// from the column whose title in row 0 is the field's name (spaces, half- or full-width,
// trimmed at both ends; the leftmost such column when a title repeats).

#include "engine/ReportTemplate.h"

#include <QList>
#include <QStringList>

class StringGridModel;

class ColumnBinding
{
public:
    struct Source
    {
        QString field;
        FieldType type = FieldType::Text;
        int column = -1;      // -1: the table has no such column
        bool fixed = false;   // one of the four, read by position
        bool derived = false; // made by the fetch, never read: see RecordFetch::derived

        bool available() const { return column >= 0 || derived; }
    };

    ColumnBinding(const QList<FieldDeclaration> &fields, const StringGridModel &table);
    // The same from the texts of row 0.
    ColumnBinding(const QList<FieldDeclaration> &fields, const QStringList &titles);
    // The texts of the table's row 0, trimmed.
    static QStringList titlesOf(const StringGridModel &table);

    // Every declared field, in the template's order, then any of the four it lacks.
    const QList<Source> &sources() const { return m_sources; }
    // The fields read by title, with their columns.
    QList<Source> titled() const;
    const Source *sourceOf(const QString &field) const;

    // Raises the error that names the first field without a column and the titles the
    // table has; does nothing when every field has its column.
    void requireColumns() const;
    // Columns whose title names a field they are not read for, and titles that repeat.
    QStringList warnings() const;
    // Where a field's values come from, in the user's words: "第 1 列", "列“地址”（第 5 列）",
    // or "表格中没有此列".
    QString describe(const QString &field) const;

    static QString trimmedTitle(const QString &title);

private:
    QStringList m_titles; // row 0, trimmed
    QList<Source> m_sources;
};

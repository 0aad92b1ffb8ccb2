#pragma once
// What the designer's owner can tell it about the data: the fields it supplies, with their
// types, and sample records to show on the canvas in place of field names.

#include "engine/ReportDocument.h"

#include <QHash>

#include <functional>

struct SampleRecord
{
    QString label; // how the record is offered for choice, e.g. "第 3 行：某公司"
    QHash<QString, QVariant> values;
};

// Where the owner takes a field's values from, in the user's words.
struct FieldSource
{
    QString where;
    bool found = true; // false: the owner has nothing for it, and the run will stop
};

struct SampleData
{
    QList<FieldDeclaration> fields;
    // The source of any field the template may declare; none when the owner does not say.
    std::function<FieldSource(const QString &field)> sourceOf;
    // What may print otherwise than meant with these fields; none when the owner does not say.
    std::function<QStringList(const QList<FieldDeclaration> &fields)> warningsFor;
    QList<SampleRecord> records;
    // Fields the owner's own run cannot do without: removing one asks first.
    QStringList requiredFields;

    // The type the owner gives a field; text for a field it does not know.
    FieldType typeOf(const QString &name) const
    {
        for (const FieldDeclaration &field : fields)
            if (field.name == name)
                return field.type;
        return FieldType::Text;
    }
};

namespace SamplePreview {
// The document the canvas paints: the template and one record, either the chosen sample
// (placeholders by type for what the sample lacks) or every field and system value shown
// by its name, as written, and each code drawn for its content as written.
ReportDocument document(const ReportTemplate &report, const SampleData &data, int record,
                        bool sampleValues);
// A value that looks like a real one of that type.
QVariant placeholder(FieldType type);
} // namespace SamplePreview

#pragma once
// One letter run, for the desktop program and the batch companion alike: which template
// file, the preview's title, the record fetch, the print date, the check of every row and
// what the engine's windows call the letters.

#include "engine/DocumentWording.h"
#include "engine/ReportDocument.h"
#include "engine/designer/SampleData.h"
#include "platform/RegionalSettings.h"

#include <QList>
#include <functional>
#include <optional>

class ReportEngine;
class StringGridModel;

class LetterRun
{
public:
    static const QString PreviewTitle;        // "打印预览"
    static const QString DefaultTemplateName; // the chooser's first entry

    // The template of that name in the program directory.
    static QString templateFileForName(const QString &name);
    // A path separator or a .grf ending means a file as given, anything else a name.
    static QString templateFile(const QString &nameOrFile);
    // What the preview, its progress and its exports call the letters.
    static DocumentWording wording();

    // The letters' four fields with their types, and no sample records.
    static SampleData sampleFields();

    LetterRun(const StringGridModel &table, const RegionalSettings &settings);

    // Limits the run to these table rows (a selection's picks): only they make letters, in
    // table order, and only they are checked. None: every row with text, as before.
    void setRows(std::optional<QList<int>> rows) { m_only = std::move(rows); }
    // The rows that make letters in this run.
    QList<int> letterRows() const;

    // The fields and the table's data rows as the fetch reads them, for the designer to
    // show; a value that does not parse is shown as its text. At most 'limit' rows.
    SampleData sampleData(int limit = 1000) const;

    // The record fetch into the engine's open report, with today's date by the clock;
    // 'reading' follows the cell being parsed (see RecordFetch::run). Letters that carry
    // their number stop before the first when numbers are missing or repeated; a value that
    // stops the fetch is named by its sheet row and column.
    void fetch(ReportEngine &engine, QPoint *reading = nullptr) const;
    // Makes 'engine' call fetch() for its records; this run must outlive the binding.
    void bind(ReportEngine &engine) const;
    // The print run without a window: loads the template (its flag not examined), titles
    // it, and generates the letters. 'committed' sees each record as it is committed.
    ReportDocument generate(ReportEngine &engine, const QString &templateFile,
                            const std::function<void(const RecordValues &)> &committed = {}) const;

    // Whether letters of this template carry their number (in a text or a code), so that
    // every row must have a number of its own.
    static bool numbersLetters(const ReportTemplate &report);

    // Raises Exception when letters made already (a preview's) lack numbers or repeat
    // them, naming them by their place in the run.
    static void requireNumbers(const ReportDocument &letters);

    struct Problem
    {
        QString place; // the sheet's rows and columns; empty for the table as a whole
        QString message;
    };
    // Everything that would stop the print run of this template, without making a letter:
    // a field without its column (alone, then), the letter numbers, and every row whose
    // values would stop the fetch, with the fetch's message.
    QList<Problem> check(const ReportTemplate &report) const;
    // The texts of generated letters that do not fit their boxes even shrunk, by row.
    QList<Problem> overflows(const ReportDocument &letters) const;
    // What may print otherwise than meant: titles of the first four columns that name
    // another field, titles that repeat.
    QStringList warnings(const QList<FieldDeclaration> &fields) const;

private:
    const StringGridModel &m_table;
    const RegionalSettings &m_settings;
    std::optional<QList<int>> m_only;
};

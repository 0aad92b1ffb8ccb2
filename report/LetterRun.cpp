#include "LetterRun.h"

#include "ColumnBinding.h"
#include "LetterRows.h"
#include "RecordFetch.h"
#include "TemplateFolder.h"
#include "engine/PageRenderer.h"
#include "engine/ReportEngine.h"
#include "engine/designer/DesignOperations.h"
#include "platform/Clock.h"
#include "platform/Exception.h"
#include "platform/ValueText.h"
#include "table/StringGridModel.h"

#include <QScopeGuard>

const QString LetterRun::PreviewTitle = QStringLiteral("打印预览");
const QString LetterRun::DefaultTemplateName = QStringLiteral("应收帐款确认函");

QString LetterRun::templateFileForName(const QString &name)
{
    return TemplateFolder::fileFor(name);
}

QString LetterRun::templateFile(const QString &nameOrFile)
{
    if (nameOrFile.contains(QLatin1Char('/')) || nameOrFile.contains(QLatin1Char('\\')) ||
        nameOrFile.endsWith(QLatin1String(".grf")))
        return nameOrFile;
    return templateFileForName(nameOrFile);
}

DocumentWording LetterRun::wording()
{
    DocumentWording wording;
    wording.unit = QStringLiteral("封");
    wording.noun = QStringLiteral("询证函");
    wording.runName = QStringLiteral("询证函");
    wording.emptyText =
        QStringLiteral("没有可打印的询证函：表格中没有数据行。\n请先导入应收帐款，再打印询证函。");
    wording.fileNameField = RecordFetch::LetterNumber;
    wording.pageTitle =
        QStringLiteral("{%1}，{%2}").arg(RecordFetch::LetterNumber, RecordFetch::Customer);
    return wording;
}

SampleData LetterRun::sampleFields()
{
    SampleData data;
    data.fields = {{RecordFetch::Customer, FieldType::Text},
                   {RecordFetch::CutOffDate, FieldType::Date},
                   {RecordFetch::Amount, FieldType::Number},
                   {RecordFetch::LetterNumber, FieldType::Text}};
    // The record fetch fills these four: a letter template cannot do without them.
    for (const FieldDeclaration &field : std::as_const(data.fields))
        data.requiredFields.append(field.name);
    return data;
}

SampleData LetterRun::sampleData(int limit) const
{
    SampleData data = sampleFields();
    const QDate today = Clock::today();
    const QStringList titles = ColumnBinding::titlesOf(m_table);
    const LetterRows letters(m_table, m_only);
    for (int row : letters.rows().mid(0, limit)) {
        SampleRecord record;
        const QString customer = m_table.Cells(0, row);
        record.label = QStringLiteral("第 %1 行：%2").arg(row).arg(customer);
        record.values.insert(RecordFetch::Customer, customer);
        record.values.insert(RecordFetch::LetterNumber, m_table.Cells(3, row));
        record.values.insert(RecordFetch::LetterCode, m_table.Cells(3, row));
        try {
            record.values.insert(RecordFetch::CutOffDate,
                                 ValueText::dateTimeFromAutomation(
                                     RecordFetch::cutOffDate(m_table, row, m_settings, today))
                                     .date());
        } catch (const Exception &) {
            record.values.insert(RecordFetch::CutOffDate, m_table.Cells(1, row));
        }
        try {
            record.values.insert(RecordFetch::Amount,
                                 RecordFetch::amount(m_table, row, m_settings));
        } catch (const Exception &) {
            record.values.insert(RecordFetch::Amount, m_table.Cells(2, row));
        }
        // Any other column, by its title, for a field the user may declare: its text.
        for (int column = 0; column < titles.size(); ++column)
            if (!titles[column].isEmpty() && !record.values.contains(titles[column]))
                record.values.insert(titles[column], m_table.Cells(column, row));
        data.records.append(record);
    }
    data.warningsFor = [titles](const QList<FieldDeclaration> &fields) {
        return ColumnBinding(fields, titles).warnings();
    };
    data.sourceOf = [titles](const QString &field) {
        const ColumnBinding binding({{field, FieldType::Text}}, titles);
        return FieldSource{binding.describe(field), binding.sourceOf(field)->available()};
    };
    return data;
}

LetterRun::LetterRun(const StringGridModel &table, const RegionalSettings &settings)
    : m_table(table), m_settings(settings)
{
}

QList<int> LetterRun::letterRows() const
{
    return LetterRows(m_table, m_only).rows();
}

bool LetterRun::numbersLetters(const ReportTemplate &report)
{
    for (const ReportElement &element : report.elements)
        if (DesignOperations::fieldsOf(element).contains(RecordFetch::LetterNumber))
            return true;
    return false;
}

void LetterRun::requireNumbers(const ReportDocument &letters)
{
    const int field = letters.report.fieldIndex(RecordFetch::LetterNumber);
    LetterRows::requireNumbers(LetterRows::numberProblems(
        letters.records.size(),
        [&](qsizetype i) { return letters.records[i].value(field).toString(); },
        [&](qsizetype i, bool) { return wording().ordinal(i + 1); }));
}

void LetterRun::fetch(ReportEngine &engine, QPoint *reading) const
{
    const LetterRows letters(m_table, m_only);
    if (numbersLetters(engine.reportTemplate()))
        letters.requireNumbers();
    QPoint at(-1, -1);
    const auto follow = qScopeGuard([&] {
        if (reading)
            *reading = at;
    });
    try {
        RecordFetch::run(m_table, engine, m_settings, Clock::today(), &at, &letters);
    } catch (const EConvertError &error) {
        if (at.x() < 0)
            throw;
        throw EConvertError(LetterRows::place(m_table, at.y(), at.x()) + QStringLiteral(": ") +
                            error.message());
    }
}

void LetterRun::bind(ReportEngine &engine) const
{
    engine.setFetchRecordHandler([this, &engine] { fetch(engine); });
}

ReportDocument LetterRun::generate(ReportEngine &engine, const QString &templateFile,
                                   const std::function<void(const RecordValues &)> &committed) const
{
    engine.LoadTemplateFile(templateFile);
    engine.setTitle(PreviewTitle);
    bind(engine);
    engine.DetailRecords().setCommitObserver([&](qsizetype count) {
        if (committed)
            committed(engine.DetailRecords().committed(count - 1));
    });
    const QScopeGuard unbind([&] {
        engine.DetailRecords().setCommitObserver({});
        engine.setFetchRecordHandler({});
    });
    ReportDocument letters = engine.generate();
    letters.name = wording().nameOfRun(letters.report.title, letters.records.size());
    letters.pageName = wording().nameOfPage(letters.report.title);
    return letters;
}

QList<LetterRun::Problem> LetterRun::check(const ReportTemplate &report) const
{
    const ColumnBinding binding(report.fields, m_table);
    try {
        binding.requireColumns();
    } catch (const Exception &error) {
        return {{QString(), error.message()}};
    }
    QList<Problem> problems;
    const LetterRows rows(m_table, m_only);
    if (numbersLetters(report))
        for (const LetterRows::Problem &problem : rows.numberProblems())
            problems.append({problem.place, problem.message});
    const QDate today = Clock::today();
    const QList<ColumnBinding::Source> titled = binding.titled();
    for (int row : rows.rows()) {
        int column = 1;
        try {
            // In the order the fetch reads them: the date, the amount, then the others.
            RecordFetch::cutOffDate(m_table, row, m_settings, today);
            column = 2;
            RecordFetch::amount(m_table, row, m_settings);
            for (const ColumnBinding::Source &source : titled) {
                column = source.column;
                if (source.type != FieldType::Text)
                    RecordFetch::titledValue(source.type, m_table.Cells(source.column, row),
                                             m_settings, today);
            }
        } catch (const Exception &error) {
            problems.append({LetterRows::place(m_table, row, column), error.message()});
        }
    }
    return problems;
}

QList<LetterRun::Problem> LetterRun::overflows(const ReportDocument &letters) const
{
    QList<Problem> found;
    const QList<int> rows = letterRows();
    PageRenderer renderer(letters);
    for (int page = 0; page < letters.pageCount(); ++page)
        for (int index : renderer.overflowing(page))
            found.append({LetterRows::place(m_table, rows.value(letters.firstRecordOf(page),
                                                                letters.firstRecordOf(page) + 1)),
                          QStringLiteral("“%1”的文字放不下")
                              .arg(PageRenderer::elementLabel(letters.report.elements[index]))});
    return found;
}

QStringList LetterRun::warnings(const QList<FieldDeclaration> &fields) const
{
    return ColumnBinding(fields, m_table).warnings();
}

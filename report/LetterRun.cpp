#include "LetterRun.h"

#include "ColumnBinding.h"
#include "RecordFetch.h"
#include "TemplateFolder.h"
#include "engine/PageRenderer.h"
#include "engine/ReportEngine.h"
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
    const int rows = std::min(m_table.RowCount(), limit + 1);
    for (int row = 1; row < rows; ++row) {
        SampleRecord record;
        const QString customer = m_table.Cells(0, row);
        record.label = QStringLiteral("第 %1 行：%2").arg(row).arg(customer);
        record.values.insert(RecordFetch::Customer, customer);
        record.values.insert(RecordFetch::LetterNumber, m_table.Cells(3, row));
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
        return FieldSource{binding.describe(field), binding.sourceOf(field)->column >= 0};
    };
    return data;
}

LetterRun::LetterRun(const StringGridModel &table, const RegionalSettings &settings)
    : m_table(table), m_settings(settings)
{
}

void LetterRun::fetch(ReportEngine &engine, QPoint *reading) const
{
    RecordFetch::run(m_table, engine, m_settings, Clock::today(), reading);
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
    letters.name = wording().nameOfRun(letters.report.title, letters.pageCount());
    letters.pageName = wording().nameOfPage(letters.report.title);
    return letters;
}

QList<LetterRun::RowProblem> LetterRun::check(const QList<FieldDeclaration> &fields) const
{
    const ColumnBinding binding(fields, m_table);
    try {
        binding.requireColumns();
    } catch (const Exception &error) {
        return {{0, error.message()}};
    }
    QList<RowProblem> problems;
    const QDate today = Clock::today();
    const QList<ColumnBinding::Source> titled = binding.titled();
    for (int row = 1; row < m_table.RowCount(); ++row) {
        try {
            // In the order the fetch reads them: the date, the amount, then the others.
            RecordFetch::cutOffDate(m_table, row, m_settings, today);
            RecordFetch::amount(m_table, row, m_settings);
            for (const ColumnBinding::Source &source : titled)
                if (source.type != FieldType::Text)
                    RecordFetch::titledValue(source.type, m_table.Cells(source.column, row),
                                             m_settings, today);
        } catch (const Exception &error) {
            problems.append({row, error.message()});
        }
    }
    return problems;
}

QList<LetterRun::Overflow> LetterRun::overflows(const ReportDocument &letters)
{
    QList<Overflow> found;
    PageRenderer renderer(letters);
    for (int page = 0; page < letters.pageCount(); ++page)
        for (int index : renderer.overflowing(page))
            found.append({page + 1, PageRenderer::elementLabel(letters.report.elements[index])});
    return found;
}

QStringList LetterRun::warnings(const QList<FieldDeclaration> &fields) const
{
    return ColumnBinding(fields, m_table).warnings();
}

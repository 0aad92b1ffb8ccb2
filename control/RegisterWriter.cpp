#include "RegisterWriter.h"

#include "XlsxBook.h"

#include "platform/ColumnLetters.h"
#include "platform/Exception.h"
#include "report/RecordFetch.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <functional>

namespace RegisterWriter {

namespace {

const char *const kSheet = "函证控制表";

// A column of the register by its place from 0, as formulas name it.
QString columnName(int column)
{
    return columnLetters(column + 1);
}

// A range of one column of the register's data rows, as the summary refers to it.
QString range(int column, int rows)
{
    return QStringLiteral("'%1'!$%2$2:$%2$%3")
        .arg(QString::fromUtf8(kSheet), columnName(column))
        .arg(rows + 1);
}

enum class Part
{
    Run,     // what the run knows of each letter
    Field,   // the letter's further fields
    Auditor, // filled in as replies come back
};

// The columns something else refers to.
enum class Role
{
    Other,
    Number,
    Amount,
    ReplyAmount,
    Difference,
    Result
};

enum class Format
{
    None,
    Date,
    Amount
};

// One column of the register: every place that writes or refers to a column takes it from
// this table, by its role and place, never by its title (a letter's field may carry any
// title).
struct Column
{
    Part part;
    Role role;
    QString title;
    double width;
    Format format; // the whole column's, so what the auditor types later is shown alike
    // The value for the letter of that index: a QString, QDate or double; none for the
    // auditor's columns.
    std::function<QVariant(int letter)> value = {};
    bool formula = false; // value is a formula's text (the others are written as they are)
};

int placeOf(const QList<Column> &table, Role role)
{
    return int(std::find_if(table.begin(), table.end(),
                            [role](const Column &column) { return column.role == role; }) -
               table.begin());
}

// The register's columns for 'letters'; with no letters, the register's own columns alone,
// their titles all that is of use.
QList<Column> columnTable(const ReportDocument &letters, const QString &templateName)
{
    const ReportTemplate &report = letters.report;
    auto field = [&letters](const QString &name) {
        const int index = letters.report.fieldIndex(name);
        return [&letters, index](int letter) {
            return index >= 0 ? letters.records[letter].value(index) : QVariant();
        };
    };
    const QList<Column> run{
        {Part::Run, Role::Other, QStringLiteral("序号"), 6, Format::None,
         [](int letter) { return QVariant(double(letter + 1)); }},
        {Part::Run, Role::Number, QStringLiteral("函证编号"), 16, Format::None,
         field(RecordFetch::LetterNumber)},
        {Part::Run, Role::Other, QStringLiteral("被询证单位"), 34, Format::None,
         field(RecordFetch::Customer)},
        {Part::Run, Role::Other, QStringLiteral("函证基准日"), 12, Format::Date,
         field(RecordFetch::CutOffDate)},
        {Part::Run, Role::Amount, QStringLiteral("账面金额"), 16, Format::Amount,
         field(RecordFetch::Amount)},
        {Part::Run, Role::Other, QStringLiteral("发函日期"), 12, Format::Date,
         [&letters](int) { return QVariant(letters.printDate); }},
        {Part::Run, Role::Other, QStringLiteral("模板"), 16, Format::None,
         [templateName](int) { return QVariant(templateName); }},
    };
    const QList<Column> auditor{
        {Part::Auditor, Role::Other, QStringLiteral("发函方式"), 12, Format::None},
        {Part::Auditor, Role::Other, QStringLiteral("快递单号"), 18, Format::None},
        {Part::Auditor, Role::Other, QStringLiteral("回函日期"), 12, Format::Date},
        {Part::Auditor, Role::Other, QStringLiteral("回函方式"), 12, Format::None},
        {Part::Auditor, Role::ReplyAmount, QStringLiteral("回函金额"), 12, Format::Amount},
        {Part::Auditor, Role::Difference, QStringLiteral("差异金额"), 12, Format::Amount},
        {Part::Auditor, Role::Result, QStringLiteral("函证结果"), 12, Format::None},
        {Part::Auditor, Role::Other, QStringLiteral("差异原因"), 12, Format::None},
        {Part::Auditor, Role::Other, QStringLiteral("替代程序"), 12, Format::None},
        {Part::Auditor, Role::Other, QStringLiteral("备注"), 12, Format::None},
    };
    // The letter's further fields, by name and type, between the run's and the auditor's.
    // One named like a column of the register gets a title of its own: two columns of one
    // title would leave the auditor (and any reader) to guess which is which.
    QList<Column> table = run;
    for (const FieldDeclaration &declared : report.fields) {
        if (RecordFetch::Fields.contains(declared.name))
            continue;
        auto named = [&](const Column &column) { return column.title == declared.name; };
        const bool clash = std::any_of(run.begin(), run.end(), named) ||
                           std::any_of(auditor.begin(), auditor.end(), named);
        table.append({Part::Field, Role::Other,
                      clash ? QStringLiteral("字段：%1").arg(declared.name) : declared.name, 18,
                      declared.type == FieldType::Date     ? Format::Date
                      : declared.type == FieldType::Number ? Format::Amount
                                                           : Format::None,
                      field(declared.name)});
    }
    table += auditor;
    // The difference, empty while no reply amount is entered.
    Column &difference = table[placeOf(table, Role::Difference)];
    difference.formula = true;
    difference.value = [reply = columnName(placeOf(table, Role::ReplyAmount)),
                        book = columnName(placeOf(table, Role::Amount))](int letter) {
        return QVariant(
            QStringLiteral("=IF(%1%3=\"\",\"\",%2%3-%1%3)").arg(reply, book).arg(letter + 2));
    };
    return table;
}

QStringList titlesOf(Part part)
{
    QStringList titles;
    for (const Column &column : columnTable(ReportDocument(), QString()))
        if (column.part == part)
            titles.append(column.title);
    return titles;
}

} // namespace

QStringList fixedTitles()
{
    return titlesOf(Part::Run);
}

QStringList auditorTitles()
{
    return titlesOf(Part::Auditor);
}

QStringList results()
{
    return {QStringLiteral("相符"), QStringLiteral("不符"), QStringLiteral("未回函"),
            QStringLiteral("退函"), QStringLiteral("已调节")};
}

void write(const ReportDocument &letters, const QString &templateName, const QString &path)
{
    if (letters.pageCount() == 0)
        throw Exception(QStringLiteral("没有可登记的询证函：表格中没有数据行"));
    const int rows = letters.pageCount();
    const QList<Column> columns = columnTable(letters, templateName);
    const int numbers = placeOf(columns, Role::Number), amounts_ = placeOf(columns, Role::Amount),
              replyAmounts = placeOf(columns, Role::ReplyAmount),
              resultColumn = placeOf(columns, Role::Result);
    XlsxBook::write(path, QStringLiteral("函证控制表"), [&](XlsxBook &book) {
        book.setProperties(QStringLiteral("函证控制表"), QStringLiteral("询证函发函与回函登记"));
        lxw_format *header = book.headerFormat();
        lxw_format *share = book.format([](lxw_format *f) { format_set_num_format(f, "0.0%"); });
        auto formatOf = [&](Format format) {
            return format == Format::Date     ? book.dateFormat()
                   : format == Format::Amount ? book.amountFormat()
                                              : nullptr;
        };

        lxw_worksheet *sheet = book.addSheet(QString::fromUtf8(kSheet));
        QStringList titles;
        for (const Column &column : columns)
            titles.append(column.title);
        book.writeTitles(sheet, titles);
        for (int c = 0; c < columns.size(); ++c) {
            const Column &column = columns[c];
            worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), column.width,
                                 formatOf(column.format));
            if (!column.value)
                continue;
            for (int i = 0; i < rows; ++i) {
                const lxw_row_t row = lxw_row_t(i + 1);
                const QVariant value = column.value(i);
                if (column.formula)
                    // Its cached result is the empty text, as a reader that computes nothing
                    // shows.
                    worksheet_write_formula_str(sheet, row, lxw_col_t(c),
                                                value.toString().toUtf8().constData(),
                                                formatOf(column.format), "");
                else if (value.typeId() == QMetaType::QDate)
                    worksheet_write_number(sheet, row, lxw_col_t(c), xlsxSerial(value.toDate()),
                                           book.dateFormat());
                else if (value.typeId() == QMetaType::Double)
                    worksheet_write_number(sheet, row, lxw_col_t(c), value.toDouble(),
                                           column.format == Format::None ? nullptr
                                                                         : book.amountFormat());
                else if (value.isValid() && !value.toString().isEmpty())
                    worksheet_write_string(sheet, row, lxw_col_t(c),
                                           value.toString().toUtf8().constData(), nullptr);
            }
        }
        worksheet_freeze_panes(sheet, 1, 0);
        worksheet_autofilter(sheet, 0, 0, lxw_row_t(rows), lxw_col_t(columns.size() - 1));
        // 函证结果 from a list.
        QList<QByteArray> choices;
        for (const QString &result : results())
            choices.append(result.toUtf8());
        std::vector<char *> list;
        for (QByteArray &choice : choices)
            list.push_back(choice.data());
        list.push_back(nullptr);
        lxw_data_validation validation = {};
        validation.validate = LXW_VALIDATION_TYPE_LIST;
        validation.value_list = list.data();
        worksheet_data_validation_range(sheet, 1, lxw_col_t(resultColumn), lxw_row_t(rows),
                                        lxw_col_t(resultColumn), &validation);

        // 汇总: formulas over the register, so it follows what the auditor fills in.
        lxw_worksheet *summary = book.addSheet(QStringLiteral("汇总"));
        const QString results_ = range(resultColumn, rows);
        const QString amounts = range(amounts_, rows);
        auto countOf = [&](const QString &result) {
            return QStringLiteral("COUNTIF(%1,\"%2\")").arg(results_, result);
        };
        auto sumOf = [&](const QString &result) {
            return QStringLiteral("SUMIF(%1,\"%2\",%3)").arg(results_, result, amounts);
        };
        const QString agreed = QStringLiteral("相符"), disagreed = QStringLiteral("不符"),
                      reconciled = QStringLiteral("已调节"), returned = QStringLiteral("退函");
        // The summary's lines by their rows, for the lines that refer to others.
        enum Line
        {
            Sent = 2,
            Answered,
            Share,
            Agreed,
            Disagreed,
            Unanswered,
            Returned,
            Confirmed
        };
        auto cell = [](char column, Line line) {
            return QStringLiteral("%1%2").arg(QLatin1Char(column)).arg(int(line));
        };
        const struct
        {
            Line line;
            const char *item;
            QString count, amount;
            bool share;
        } lines[] = {
            {Sent, "发函", QStringLiteral("COUNTA(%1)").arg(range(numbers, rows)),
             QStringLiteral("SUM(%1)").arg(amounts), false},
            {Answered, "已回函",
             QStringLiteral("%1+%2+%3")
                 .arg(countOf(agreed), countOf(disagreed), countOf(reconciled)),
             QStringLiteral("%1+%2+%3").arg(sumOf(agreed), sumOf(disagreed), sumOf(reconciled)),
             false},
            {Share, "回函比例",
             QStringLiteral("IF(%1=0,0,%2/%1)").arg(cell('B', Sent), cell('B', Answered)),
             QStringLiteral("IF(%1=0,0,%2/%1)").arg(cell('C', Sent), cell('C', Answered)), true},
            {Agreed, "回函相符", countOf(agreed), sumOf(agreed), false},
            {Disagreed, "回函不符", countOf(disagreed), sumOf(disagreed), false},
            // Every letter without a reply or a return: 未回函, no result yet, or anything
            // else typed in. So the letters sent are always those answered, unanswered and
            // returned.
            {Unanswered, "未回函",
             QStringLiteral("%1-%2-%3")
                 .arg(cell('B', Sent), cell('B', Answered), cell('B', Returned)),
             QStringLiteral("%1-%2-%3")
                 .arg(cell('C', Sent), cell('C', Answered), cell('C', Returned)),
             false},
            {Returned, "退函", countOf(returned), sumOf(returned), false},
            {Confirmed, "回函确认金额", QString(),
             QStringLiteral("SUM(%1)").arg(range(replyAmounts, rows)), false},
        };
        // What a reader that computes nothing shows: the letters sent are known, and all
        // of them unanswered until the auditor fills in the replies.
        double sent = 0;
        const int amountIndex = letters.report.fieldIndex(RecordFetch::Amount);
        for (const RecordValues &record : letters.records)
            sent += record.value(amountIndex).toDouble();
        worksheet_write_string(summary, 0, 0, "项目", header);
        worksheet_write_string(summary, 0, 1, "份数", header);
        worksheet_write_string(summary, 0, 2, "金额", header);
        for (const auto &line : lines) {
            const lxw_row_t row = lxw_row_t(line.line - 1);
            const bool all = line.line == Sent || line.line == Unanswered;
            worksheet_write_string(summary, row, 0, line.item, nullptr);
            if (!line.count.isEmpty())
                worksheet_write_formula_num(summary, row, 1,
                                            ('=' + line.count).toUtf8().constData(),
                                            line.share ? share : nullptr, all ? rows : 0);
            worksheet_write_formula_num(summary, row, 2, ('=' + line.amount).toUtf8().constData(),
                                        line.share ? share : book.amountFormat(), all ? sent : 0);
        }
        worksheet_set_column(summary, 0, 0, 14, nullptr);
        worksheet_set_column(summary, 1, 1, 10, nullptr);
        worksheet_set_column(summary, 2, 2, 18, nullptr);
    });
}

} // namespace RegisterWriter

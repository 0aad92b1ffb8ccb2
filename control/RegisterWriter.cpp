#include "RegisterWriter.h"

#include "XlsxBook.h"

#include "platform/Exception.h"
#include "report/RecordFetch.h"

#include <xlsxwriter.h>

#include <functional>

namespace RegisterWriter {

namespace {

const char *const kSheet = "函证控制表";

QString columnName(int column)
{
    QString name;
    for (int n = column + 1; n > 0; n = (n - 1) / 26)
        name.prepend(QChar('A' + (n - 1) % 26));
    return name;
}

// A range of one column of the register's data rows, as the summary refers to it.
QString range(int column, int rows)
{
    return QStringLiteral("'%1'!$%2$2:$%2$%3")
        .arg(QString::fromUtf8(kSheet), columnName(column))
        .arg(rows + 1);
}

} // namespace

QStringList fixedTitles()
{
    return {QStringLiteral("序号"),       QStringLiteral("函证编号"), QStringLiteral("被询证单位"),
            QStringLiteral("函证基准日"), QStringLiteral("账面金额"), QStringLiteral("发函日期"),
            QStringLiteral("模板")};
}

QStringList auditorTitles()
{
    return {QStringLiteral("发函方式"), QStringLiteral("快递单号"), QStringLiteral("回函日期"),
            QStringLiteral("回函方式"), QStringLiteral("回函金额"), QStringLiteral("差异金额"),
            QStringLiteral("函证结果"), QStringLiteral("差异原因"), QStringLiteral("替代程序"),
            QStringLiteral("备注")};
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
    const ReportTemplate &report = letters.report;
    const int rows = letters.pageCount();
    XlsxBook::write(path, QStringLiteral("函证控制表"), [&](XlsxBook &book) {
        book.setProperties(QStringLiteral("函证控制表"), QStringLiteral("询证函发函与回函登记"));
        lxw_format *header = book.headerFormat();
        lxw_format *date = book.dateFormat();
        lxw_format *amount = book.amountFormat();
        lxw_format *share = book.format([](lxw_format *f) { format_set_num_format(f, "0.0%"); });

        lxw_worksheet *sheet = book.addSheet(QString::fromUtf8(kSheet));
        // The letter's further fields, by name and type, between the run's and the auditor's.
        QList<FieldDeclaration> further;
        for (const FieldDeclaration &field : report.fields)
            if (!RecordFetch::Fields.contains(field.name))
                further.append(field);
        QStringList titles = fixedTitles();
        for (const FieldDeclaration &field : further)
            titles.append(field.name);
        titles += auditorTitles();
        auto column = [&](const QString &title) { return int(titles.indexOf(title)); };
        book.writeTitles(sheet, titles);

        auto valueOf = [&](const RecordValues &record, const QString &field) {
            const int index = report.fieldIndex(field);
            return index >= 0 ? record.value(index) : QVariant();
        };
        auto put = [&](int row, int c, const QVariant &value, lxw_format *numberFormat) {
            if (value.typeId() == QMetaType::QDate)
                worksheet_write_number(sheet, lxw_row_t(row), lxw_col_t(c),
                                       xlsxSerial(value.toDate()), date);
            else if (value.typeId() == QMetaType::Double)
                worksheet_write_number(sheet, lxw_row_t(row), lxw_col_t(c), value.toDouble(),
                                       numberFormat ? numberFormat : amount);
            else if (value.isValid() && !value.toString().isEmpty())
                worksheet_write_string(sheet, lxw_row_t(row), lxw_col_t(c),
                                       value.toString().toUtf8().constData(), nullptr);
        };
        const QByteArray templateText = templateName.toUtf8();
        const QString reply = columnName(column(QStringLiteral("回函金额")));
        const QString book_ = columnName(column(QStringLiteral("账面金额")));
        for (int i = 0; i < rows; ++i) {
            const RecordValues &record = letters.records[i];
            const int row = i + 1;
            worksheet_write_number(sheet, lxw_row_t(row), 0, i + 1, nullptr);
            put(row, 1, valueOf(record, RecordFetch::LetterNumber), nullptr);
            put(row, 2, valueOf(record, RecordFetch::Customer), nullptr);
            put(row, 3, valueOf(record, RecordFetch::CutOffDate), nullptr);
            put(row, 4, valueOf(record, RecordFetch::Amount), amount);
            worksheet_write_number(sheet, lxw_row_t(row), 5, xlsxSerial(letters.printDate), date);
            worksheet_write_string(sheet, lxw_row_t(row), 6, templateText.constData(), nullptr);
            for (int f = 0; f < further.size(); ++f)
                put(row, 7 + f, valueOf(record, further[f].name), nullptr);
            // Empty while no reply amount is entered.
            const QString formula =
                QStringLiteral("=IF(%1%3=\"\",\"\",%2%3-%1%3)").arg(reply, book_).arg(row + 1);
            // Its cached result is the empty text, as a reader that computes nothing shows.
            worksheet_write_formula_str(sheet, lxw_row_t(row),
                                        lxw_col_t(column(QStringLiteral("差异金额"))),
                                        formula.toUtf8().constData(), amount, "");
        }
        // The auditor's columns keep their formats for what is typed in later.
        worksheet_set_column(sheet, 0, 0, 6, nullptr);
        worksheet_set_column(sheet, 1, 1, 16, nullptr);
        worksheet_set_column(sheet, 2, 2, 34, nullptr);
        worksheet_set_column(sheet, 3, 3, 12, date);
        worksheet_set_column(sheet, 4, 4, 16, amount);
        worksheet_set_column(sheet, 5, 5, 12, date);
        worksheet_set_column(sheet, 6, 6, 16, nullptr);
        for (int f = 0; f < further.size(); ++f)
            worksheet_set_column(sheet, lxw_col_t(7 + f), lxw_col_t(7 + f), 18,
                                 further[f].type == FieldType::Date     ? date
                                 : further[f].type == FieldType::Number ? amount
                                                                        : nullptr);
        for (const QString &auditor : auditorTitles()) {
            const lxw_col_t c = lxw_col_t(column(auditor));
            lxw_format *format = auditor == QStringLiteral("回函日期")   ? date
                                 : auditor == QStringLiteral("回函金额") ? amount
                                 : auditor == QStringLiteral("差异金额") ? amount
                                                                         : nullptr;
            worksheet_set_column(sheet, c, c, auditor == QStringLiteral("快递单号") ? 18 : 12,
                                 format);
        }
        worksheet_freeze_panes(sheet, 1, 0);
        worksheet_autofilter(sheet, 0, 0, lxw_row_t(rows), lxw_col_t(titles.size() - 1));
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
        const lxw_col_t resultColumn = lxw_col_t(column(QStringLiteral("函证结果")));
        worksheet_data_validation_range(sheet, 1, resultColumn, lxw_row_t(rows), resultColumn,
                                        &validation);

        // 汇总: formulas over the register, so it follows what the auditor fills in.
        lxw_worksheet *summary = book.addSheet(QStringLiteral("汇总"));
        const QString results_ = range(column(QStringLiteral("函证结果")), rows);
        const QString amounts = range(column(QStringLiteral("账面金额")), rows);
        const QString numbers = range(column(QStringLiteral("函证编号")), rows);
        const QString replies = range(column(QStringLiteral("回函金额")), rows);
        auto countOf = [&](const QString &result) {
            return QStringLiteral("COUNTIF(%1,\"%2\")").arg(results_, result);
        };
        auto sumOf = [&](const QString &result) {
            return QStringLiteral("SUMIF(%1,\"%2\",%3)").arg(results_, result, amounts);
        };
        const QString answered =
            QStringLiteral("%1+%2+%3")
                .arg(countOf(QStringLiteral("相符")), countOf(QStringLiteral("不符")),
                     countOf(QStringLiteral("已调节")));
        const QString answeredAmount =
            QStringLiteral("%1+%2+%3")
                .arg(sumOf(QStringLiteral("相符")), sumOf(QStringLiteral("不符")),
                     sumOf(QStringLiteral("已调节")));
        const struct
        {
            const char *item;
            QString count, amount;
            bool share;
        } lines[] = {
            {"发函", QStringLiteral("COUNTA(%1)").arg(numbers),
             QStringLiteral("SUM(%1)").arg(amounts), false},
            {"已回函", answered, answeredAmount, false},
            {"回函比例", QStringLiteral("IF(B2=0,0,B3/B2)"), QStringLiteral("IF(C2=0,0,C3/C2)"),
             true},
            {"回函相符", countOf(QStringLiteral("相符")), sumOf(QStringLiteral("相符")), false},
            {"回函不符", countOf(QStringLiteral("不符")), sumOf(QStringLiteral("不符")), false},
            {"未回函", countOf(QStringLiteral("未回函")), sumOf(QStringLiteral("未回函")), false},
            {"回函确认金额", QString(), QStringLiteral("SUM(%1)").arg(replies), false},
        };
        // What a reader that computes nothing shows: the letters sent are known, the rest
        // is nothing until the auditor fills it in.
        double sent = 0;
        for (const RecordValues &record : letters.records)
            sent += valueOf(record, RecordFetch::Amount).toDouble();
        worksheet_write_string(summary, 0, 0, "项目", header);
        worksheet_write_string(summary, 0, 1, "份数", header);
        worksheet_write_string(summary, 0, 2, "金额", header);
        for (int i = 0; i < int(std::size(lines)); ++i) {
            const lxw_row_t row = lxw_row_t(i + 1);
            worksheet_write_string(summary, row, 0, lines[i].item, nullptr);
            if (!lines[i].count.isEmpty())
                worksheet_write_formula_num(summary, row, 1,
                                            ('=' + lines[i].count).toUtf8().constData(),
                                            lines[i].share ? share : nullptr, i == 0 ? rows : 0);
            worksheet_write_formula_num(summary, row, 2,
                                        ('=' + lines[i].amount).toUtf8().constData(),
                                        lines[i].share ? share : amount, i == 0 ? sent : 0);
        }
        worksheet_set_column(summary, 0, 0, 14, nullptr);
        worksheet_set_column(summary, 1, 1, 10, nullptr);
        worksheet_set_column(summary, 2, 2, 18, nullptr);
    });
}

} // namespace RegisterWriter

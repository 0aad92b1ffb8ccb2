#include "RegisterWriter.h"

#include "XlsxBook.h"

#include "EvaluationSummary.h"
#include "ReconcilingItemsText.h"
#include "RegisterLetters.h"
#include "RiskFlags.h"
#include "SelectionSheet.h"
#include "ledger/LedgerStore.h"
#include "ledger/LetterRecordText.h"
#include "platform/ColumnLetters.h"
#include "platform/Exception.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <functional>
#include <iterator>

#include <QDateTime>
#include <QHash>

#include <cstdio>

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
    Judged,  // the ledger's reconciliations and procedures, and the evaluation of them
};

// The columns something else refers to.
enum class Role
{
    Other,
    Number,
    Amount,
    ReplyAmount,
    Difference,
    Result,
    ItemsTotal,
    DifferenceAfter,
    AlternativeAmount,
    Reason,
    Basis,
    Misstatement,
    Tainting
};

using Format = RegisterLetters::Kind;

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
    // The value for the letter of that index: a QString, QDate or double, or none.
    RegisterLetters::Value value = {};
    bool formula = false; // value is a formula's text (the others are written as they are)
    // A formula's result as known when written, for readers that compute nothing.
    RegisterLetters::Value cached = {};
};

int placeOf(const QList<Column> &table, Role role)
{
    return int(std::find_if(table.begin(), table.end(),
                            [role](const Column &column) { return column.role == role; }) -
               table.begin());
}

// The columns of what the ledger knows and the evaluation found of each confirmation, after
// 'before'; empty on the rows of second requests (their confirmation is the first letter's).
QList<Column> judgedColumns(const std::function<const Evaluation::Judged *(int)> &judgedOf,
                            const QList<Column> &before)
{
    using Evaluation::Judged;
    auto of = [judgedOf](std::function<QVariant(const Judged &)> get) -> RegisterLetters::Value {
        return [judgedOf, get](int letter) {
            const Judged *judged = judgedOf(letter);
            return judged ? get(*judged) : QVariant();
        };
    };
    auto yuan = [](qint64 cents) { return QVariant(double(cents) / 100); };
    auto itemsTotal = [](const Judged &judged) {
        qint64 total = 0;
        for (const ReconcilingItem &item : judged.item.items)
            total += item.cents;
        return total;
    };
    const RegisterLetters::Value total = of([=](const Judged &judged) {
        return judged.item.items.isEmpty() ? QVariant() : yuan(itemsTotal(judged));
    });
    QList<Column> columns{
        {Part::Judged, Role::ItemsTotal, QStringLiteral("调节项合计"), 12, Format::Amount, total},
        {Part::Judged, Role::DifferenceAfter, QStringLiteral("调节后差异"), 12, Format::Amount},
        {Part::Judged, Role::Other, QStringLiteral("调节项"), 40, Format::Text,
         of([](const Judged &judged) {
             const QString text = ReconcilingItemsText::of(judged.item.items);
             return text.isEmpty() ? QVariant() : QVariant(text);
         })},
        {Part::Judged, Role::AlternativeAmount, QStringLiteral("替代程序确认金额"), 16,
         Format::Amount, of([=](const Judged &judged) {
             return judged.item.alternative ? yuan(judged.item.alternative->coveredCents)
                                            : QVariant();
         })},
        {Part::Judged, Role::Other, QStringLiteral("替代程序结论"), 14, Format::Text,
         of([](const Judged &judged) {
             return judged.item.alternative ? QVariant(judged.item.alternative->conclusion)
                                            : QVariant();
         })},
        {Part::Judged, Role::Reason, QStringLiteral("选中原因"), 10, Format::Text,
         of([](const Judged &judged) {
             return judged.item.reason.isEmpty() ? QVariant() : QVariant(judged.item.reason);
         })},
        {Part::Judged, Role::Basis, QStringLiteral("确认方式"), 14, Format::Text,
         of([](const Judged &judged) { return QVariant(Evaluation::basisName(judged.basis)); })},
        {Part::Judged, Role::Misstatement, QStringLiteral("错报金额"), 12, Format::Amount,
         of([=](const Judged &judged) { return yuan(judged.misstatementCents); })},
        {Part::Judged, Role::Tainting, QStringLiteral("错报比例"), 10, Format::Share,
         of([](const Judged &judged) {
             return judged.tainting ? QVariant(*judged.tainting) : QVariant();
         })},
    };
    // 调节后差异 = 回函金额 − 账面金额 − 调节项合计, from the row's own cells, empty while no
    // reply amount is entered.
    const int reply = placeOf(before, Role::ReplyAmount), book = placeOf(before, Role::Amount),
              items = int(before.size());
    Column &after = columns[1];
    after.formula = true;
    after.value = [reply = columnName(reply), book = columnName(book),
                   items = columnName(items)](int letter) {
        return QVariant(QStringLiteral("=IF(%1%4=\"\",\"\",%1%4-%2%4-%3%4)")
                            .arg(reply, book, items)
                            .arg(letter + 2));
    };
    after.cached = [replied = before[reply].value, booked = before[book].value, total](int letter) {
        const QVariant amount = replied ? replied(letter) : QVariant();
        return amount.typeId() == QMetaType::Double
                   ? QVariant(amount.toDouble() - booked(letter).toDouble() -
                              total(letter).toDouble())
                   : QVariant();
    };
    return columns;
}

// The register's columns for 'letters'; with no letters, the register's own columns alone,
// their titles all that is of use.
QList<Column> columnTable(const RegisterLetters &letters)
{
    const QList<Column> run{
        {Part::Run, Role::Other, QStringLiteral("序号"), 6, Format::Text,
         [](int letter) { return QVariant(double(letter + 1)); }},
        {Part::Run, Role::Number, QStringLiteral("函证编号"), 16, Format::Text, letters.number},
        {Part::Run, Role::Other, QStringLiteral("被询证单位"), 34, Format::Text, letters.customer},
        {Part::Run, Role::Other, QStringLiteral("函证基准日"), 12, Format::Date, letters.cutOff},
        {Part::Run, Role::Amount, QStringLiteral("账面金额"), 16, Format::Amount, letters.amount},
        {Part::Run, Role::Other, LedgerStore::fieldName(LetterField::SendDate), 12, Format::Date,
         letters.sendDate},
        {Part::Run, Role::Other, QStringLiteral("模板"), 16, Format::Text, letters.templateName},
    };
    // The kept fields after the send date, in the ledger's order; the difference beside the
    // amounts it compares.
    QList<Column> auditor;
    for (LetterField field : LedgerStore::fields()) {
        if (field == LetterField::SendDate)
            continue;
        const bool date = field == LetterField::ReplyDate,
                   amount = field == LetterField::ReplyAmount;
        RegisterLetters::Value value;
        if (letters.kept)
            value = [kept = letters.kept, field](int letter) { return kept(field, letter); };
        const Role role = amount                         ? Role::ReplyAmount
                          : field == LetterField::Result ? Role::Result
                                                         : Role::Other;
        auditor.append({Part::Auditor, role, LedgerStore::fieldName(field),
                        field == LetterField::Waybill ? 18.0 : 12.0,
                        date     ? Format::Date
                        : amount ? Format::Amount
                                 : Format::Text,
                        value});
        if (amount)
            auditor.append(
                {Part::Auditor, Role::Difference, QStringLiteral("差异金额"), 12, Format::Amount});
    }
    // The letter's further fields, by name and type, between the run's and the auditor's.
    // One named like a column of the register gets a title of its own: two columns of one
    // title would leave the auditor (and any reader) to guess which is which.
    QList<Column> table = run;
    for (const RegisterLetters::Further &further : letters.further) {
        auto named = [&](const Column &column) { return column.title == further.name; };
        const bool clash = std::any_of(run.begin(), run.end(), named) ||
                           std::any_of(auditor.begin(), auditor.end(), named);
        table.append({Part::Field, Role::Other,
                      clash ? QStringLiteral("字段：%1").arg(further.name) : further.name, 18,
                      further.kind, further.value});
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
    if (letters.kept)
        difference.cached = [reply = table[placeOf(table, Role::ReplyAmount)].value,
                             book = letters.amount](int letter) {
            const QVariant replied = reply(letter);
            return replied.typeId() == QMetaType::Double
                       ? QVariant(book(letter).toDouble() - replied.toDouble())
                       : QVariant();
        };
    if (letters.judged)
        table += judgedColumns(letters.judged, table);
    return table;
}

QStringList titlesOf(Part part)
{
    QStringList titles;
    for (const Column &column : columnTable(RegisterLetters()))
        if (column.part == part)
            titles.append(column.title);
    return titles;
}

// The summary's figures as a reader that computes nothing shows them, counted from what
// the register holds: by result, the letters and their amounts, and the replies' amounts.
struct Tally
{
    QHash<QString, QPair<double, double>> byResult;
    double sent = 0, replied = 0;
    int letters = 0;
};

// With an evaluation, the summary goes on with its figures (the letters must be judged by it).
void writeRegister(XlsxBook &book, const RegisterLetters &letters,
                   const Evaluation::Input *input = nullptr,
                   const Evaluation::Result *evaluation = nullptr)
{
    const int rows = letters.count;
    const QList<Column> columns = columnTable(letters);
    const int numbers = placeOf(columns, Role::Number), amounts_ = placeOf(columns, Role::Amount),
              replyAmounts = placeOf(columns, Role::ReplyAmount),
              resultColumn = placeOf(columns, Role::Result);
    book.setProperties(QStringLiteral("函证控制表"), QStringLiteral("询证函发函与回函登记"));
    lxw_format *header = book.headerFormat();
    lxw_format *share = book.format([](lxw_format *f) { format_set_num_format(f, "0.0%"); });
    lxw_format *ratio_ = book.format([](lxw_format *f) { format_set_num_format(f, "0.00%"); });
    auto formatOf = [&](Format format) {
        return format == Format::Date     ? book.dateFormat()
               : format == Format::Amount ? book.amountFormat()
               : format == Format::Share  ? ratio_
                                          : nullptr;
    };

    lxw_worksheet *sheet = book.addSheet(QString::fromUtf8(kSheet));
    QStringList titles;
    for (const Column &column : columns)
        titles.append(column.title);
    book.writeTitles(sheet, titles);
    for (int c = 0; c < columns.size(); ++c)
        worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), columns[c].width,
                             formatOf(columns[c].format));
    // Row by row, as a workbook kept in constant memory must be written.
    Tally tally;
    tally.letters = rows;
    for (int i = 0; i < rows; ++i) {
        const lxw_row_t row = lxw_row_t(i + 1);
        double amount = 0;
        QString result;
        for (int c = 0; c < columns.size(); ++c) {
            const Column &column = columns[c];
            if (!column.value)
                continue;
            const QVariant value = column.value(i);
            if (c == amounts_)
                amount = value.toDouble();
            else if (c == resultColumn)
                result = value.toString();
            else if (c == replyAmounts)
                tally.replied += value.toDouble();
            if (column.formula) {
                const QByteArray formula = value.toString().toUtf8();
                const QVariant cached = column.cached ? column.cached(i) : QVariant();
                // Without a known result, the empty text, as a reader that computes
                // nothing shows.
                if (cached.isValid())
                    worksheet_write_formula_num(sheet, row, lxw_col_t(c), formula.constData(),
                                                formatOf(column.format), cached.toDouble());
                else
                    worksheet_write_formula_str(sheet, row, lxw_col_t(c), formula.constData(),
                                                formatOf(column.format), "");
            } else if (value.typeId() == QMetaType::QDate) {
                worksheet_write_number(sheet, row, lxw_col_t(c), xlsxSerial(value.toDate()),
                                       book.dateFormat());
            } else if (value.typeId() == QMetaType::Double) {
                worksheet_write_number(sheet, row, lxw_col_t(c), value.toDouble(),
                                       column.format == Format::Text ? nullptr
                                                                     : formatOf(column.format));
            } else if (value.isValid() && !value.toString().isEmpty()) {
                worksheet_write_string(sheet, row, lxw_col_t(c),
                                       value.toString().toUtf8().constData(), nullptr);
            }
        }
        tally.sent += amount;
        auto &byResult = tally.byResult[result];
        byResult.first += 1;
        byResult.second += amount;
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
                  reconciled = QStringLiteral("已调节"), returned = QStringLiteral("退函"),
                  agreedAfter = Reconciliation::Agreed;
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
    auto known = [&](std::initializer_list<QString> results) {
        QPair<double, double> sum;
        for (const QString &result : results) {
            sum.first += tally.byResult.value(result).first;
            sum.second += tally.byResult.value(result).second;
        }
        return sum;
    };
    const QPair<double, double> sent{tally.letters, tally.sent},
        answered = known({agreed, disagreed, reconciled, agreedAfter}), back = known({returned});
    auto ratio = [](double part, double whole) { return whole == 0 ? 0 : part / whole; };
    const struct
    {
        Line line;
        const char *item;
        QString count, amount;
        QPair<double, double> known; // the figures as written
        bool share;
    } lines[] = {
        {Sent, "发函", QStringLiteral("COUNTA(%1)").arg(range(numbers, rows)),
         QStringLiteral("SUM(%1)").arg(amounts), sent, false},
        {Answered, "已回函",
         QStringLiteral("%1+%2+%3+%4")
             .arg(countOf(agreed), countOf(disagreed), countOf(reconciled), countOf(agreedAfter)),
         QStringLiteral("%1+%2+%3+%4")
             .arg(sumOf(agreed), sumOf(disagreed), sumOf(reconciled), sumOf(agreedAfter)),
         answered, false},
        {Share,
         "回函比例",
         QStringLiteral("IF(%1=0,0,%2/%1)").arg(cell('B', Sent), cell('B', Answered)),
         QStringLiteral("IF(%1=0,0,%2/%1)").arg(cell('C', Sent), cell('C', Answered)),
         {ratio(answered.first, sent.first), ratio(answered.second, sent.second)},
         true},
        {Agreed, "回函相符", countOf(agreed), sumOf(agreed), known({agreed}), false},
        {Disagreed, "回函不符", countOf(disagreed), sumOf(disagreed), known({disagreed}), false},
        // Every letter without a reply or a return: 未回函, no result yet, or anything
        // else typed in. So the letters sent are always those answered, unanswered and
        // returned.
        {Unanswered,
         "未回函",
         QStringLiteral("%1-%2-%3").arg(cell('B', Sent), cell('B', Answered), cell('B', Returned)),
         QStringLiteral("%1-%2-%3").arg(cell('C', Sent), cell('C', Answered), cell('C', Returned)),
         {sent.first - answered.first - back.first, sent.second - answered.second - back.second},
         false},
        {Returned, "退函", countOf(returned), sumOf(returned), back, false},
        {Confirmed,
         "回函确认金额",
         QString(),
         QStringLiteral("SUM(%1)").arg(range(replyAmounts, rows)),
         {0, tally.replied},
         false},
    };
    worksheet_write_string(summary, 0, 0, "项目", header);
    worksheet_write_string(summary, 0, 1, "份数", header);
    worksheet_write_string(summary, 0, 2, "金额", header);
    for (const auto &line : lines) {
        const lxw_row_t row = lxw_row_t(line.line - 1);
        worksheet_write_string(summary, row, 0, line.item, nullptr);
        if (!line.count.isEmpty())
            worksheet_write_formula_num(summary, row, 1, ('=' + line.count).toUtf8().constData(),
                                        line.share ? share : nullptr, line.known.first);
        worksheet_write_formula_num(summary, row, 2, ('=' + line.amount).toUtf8().constData(),
                                    line.share ? share : book.amountFormat(), line.known.second);
    }
    worksheet_set_column(summary, 0, 0, 24, nullptr);
    worksheet_set_column(summary, 1, 1, 10, nullptr);
    worksheet_set_column(summary, 2, 2, 18, nullptr);
    if (!evaluation)
        return;
    auto rangeOf = [&](Role role) { return range(placeOf(columns, role), rows); };
    EvaluationSummary::write(book, summary, int(Confirmed) + 1,
                             {amounts, rangeOf(Role::Reason), rangeOf(Role::Basis),
                              rangeOf(Role::AlternativeAmount), rangeOf(Role::Misstatement),
                              rangeOf(Role::Tainting)},
                             *evaluation, input->sample);
}

// Times in local time, as the auditor reads them. The zone's offset is asked once for each
// quarter hour (no zone changes its offset between quarters): asking the system for each of
// 100,000 entries would cost more than the rest of the sheet.
class LocalTimes
{
public:
    QByteArray text(const QDateTime &at)
    {
        const qint64 ms = at.toMSecsSinceEpoch();
        const qint64 quarter = ms >= 0 ? ms / 900000 : (ms - 899999) / 900000;
        auto offset = m_offsets.constFind(quarter);
        if (offset == m_offsets.cend())
            offset = m_offsets.insert(quarter, at.toLocalTime().offsetFromUtc());
        const QDateTime local =
            QDateTime::fromMSecsSinceEpoch(ms + qint64(*offset) * 1000, Qt::UTC);
        const QDate date = local.date();
        const QTime time = local.time();
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", date.year(),
                      date.month(), date.day(), time.hour(), time.minute(), time.second());
        return QByteArray(buffer);
    }

private:
    QHash<qint64, int> m_offsets;
};

// 操作记录: the ledger's log as it stands, each entry with its check value, so a printout
// of the register shows what was done to each letter and by whom.
void writeLog(XlsxBook &book, const LedgerStore &ledger)
{
    lxw_worksheet *sheet = book.addSheet(QStringLiteral("操作记录"));
    book.writeTitles(sheet, logTitles());
    const double widths[] = {8, 20, 12, 8, 16, 10, 24, 40, 66};
    for (int c = 0; c < int(std::size(widths)); ++c)
        worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), widths[c], nullptr);
    LocalTimes times;
    lxw_row_t row = 0;
    // Read as written: a ledger's log may hold millions of entries.
    ledger.forEachLogEntry([&](const LogEntry &entry) {
        ++row;
        worksheet_write_number(sheet, row, 0, double(entry.id), nullptr);
        worksheet_write_string(sheet, row, 1, times.text(entry.at).constData(), nullptr);
        const QString texts[] = {entry.user,
                                 entry.action,
                                 entry.subject,
                                 entry.field,
                                 LetterRecordText::readableOldValue(entry),
                                 LetterRecordText::readableValue(entry),
                                 QString::fromLatin1(entry.hash)};
        for (int c = 0; c < int(std::size(texts)); ++c)
            if (!texts[c].isEmpty())
                worksheet_write_string(sheet, row, lxw_col_t(c + 2), texts[c].toUtf8().constData(),
                                       nullptr);
    });
    worksheet_freeze_panes(sheet, 1, 0);
}

// 风险提示: the red flags over the replies' custody as the ledger stands, for the file.
void writeFlags(XlsxBook &book, const LedgerStore &ledger)
{
    lxw_worksheet *sheet = book.addSheet(QStringLiteral("风险提示"));
    book.writeTitles(sheet, RiskFlags::titles());
    const double widths[] = {26, 90, 30};
    for (int c = 0; c < int(std::size(widths)); ++c)
        worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), widths[c], nullptr);
    lxw_row_t row = 0;
    for (const RiskFlag &flag : RiskFlags::find(ledger)) {
        ++row;
        const QString texts[] = {flag.rule, flag.explanation, RiskFlags::numbersText(flag)};
        for (int c = 0; c < int(std::size(texts)); ++c)
            worksheet_write_string(sheet, row, lxw_col_t(c), texts[c].toUtf8().constData(),
                                   nullptr);
    }
    worksheet_freeze_panes(sheet, 1, 0);
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

QStringList judgedTitles()
{
    QStringList titles;
    for (const Column &column : judgedColumns({}, columnTable(RegisterLetters())))
        titles.append(column.title);
    return titles;
}

QStringList results()
{
    return LedgerStore::results();
}

QStringList logTitles()
{
    return {QStringLiteral("序号"), QStringLiteral("时间"), QStringLiteral("用户"),
            QStringLiteral("操作"), QStringLiteral("对象"), QStringLiteral("字段"),
            QStringLiteral("原值"), QStringLiteral("新值"), QStringLiteral("校验值")};
}

void write(const ReportDocument &letters, const QString &templateName, const QString &path)
{
    if (letters.pageCount() == 0)
        throw Exception(QStringLiteral("没有可登记的询证函：表格中没有数据行"));
    const RegisterLetters listed = RegisterLetters::ofRun(letters, templateName);
    XlsxBook::write(
        path, QStringLiteral("函证控制表"), [&](XlsxBook &book) { writeRegister(book, listed); },
        true);
}

void write(const LedgerStore &ledger, const QString &path)
{
    QList<LedgerLetter> letters = ledger.letters();
    letters.removeIf([](const LedgerLetter &letter) { return letter.voided.isValid(); });
    if (letters.isEmpty())
        throw Exception(QStringLiteral("没有可登记的询证函：函证台账中还没有发出的询证函"));
    const Evaluation::Input input = Evaluation::inputOf(ledger);
    const Evaluation::Result evaluation = Evaluation::evaluate(input);
    const RegisterLetters listed = RegisterLetters::ofLedger(letters, &evaluation);
    XlsxBook::write(
        path, QStringLiteral("函证控制表"),
        [&](XlsxBook &book) {
            writeRegister(book, listed, &input, &evaluation);
            SelectionSheet::write(book, ledger);
            writeFlags(book, ledger);
            writeLog(book, ledger);
        },
        true);
}

} // namespace RegisterWriter

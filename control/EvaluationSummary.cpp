#include "EvaluationSummary.h"

#include "XlsxBook.h"

#include "ledger/SelectionTypes.h"
#include "platform/ColumnLetters.h"

#include <xlsxwriter.h>

#include <cmath>
#include <initializer_list>

namespace EvaluationSummary {

namespace {

using Evaluation::Basis;

double yuan(double cents)
{
    return cents / 100;
}

double ratio(double part, double whole)
{
    return whole == 0 ? 0 : part / whole;
}

// An amount as a formula's constant term, in yuan, as exact as a double holds it.
QString constant(double cents)
{
    return QString::number(cents / 100, 'g', 17);
}

// The sheet's rows as they are written, one after another: each line's cells are known by
// their address once its row is begun.
class Lines
{
public:
    Lines(lxw_worksheet *sheet, int first) : m_sheet(sheet), m_row(first - 1) {}
    // Starts the next row (after 'skip' empty ones) with its label in column A.
    // 'height' in points, 0 for the default; a row's height goes before its cells.
    void begin(const QString &label, lxw_format *format = nullptr, int skip = 0, double height = 0)
    {
        m_row += 1 + skip;
        if (height > 0)
            worksheet_set_row(m_sheet, lxw_row_t(m_row), height, nullptr);
        text(0, label, format);
    }
    // A text over columns 'from' to 'to', wrapped within them.
    void spanned(int from, int to, const QString &text, lxw_format *format)
    {
        worksheet_merge_range(m_sheet, lxw_row_t(m_row), lxw_col_t(from), lxw_row_t(m_row),
                              lxw_col_t(to), text.toUtf8().constData(), format);
    }
    QString at(int column) const { return columnLetters(column + 1) + QString::number(m_row + 1); }
    QString absolute(int column) const
    {
        return QStringLiteral("$%1$%2").arg(columnLetters(column + 1)).arg(m_row + 1);
    }
    void text(int column, const QString &text, lxw_format *format = nullptr)
    {
        worksheet_write_string(m_sheet, lxw_row_t(m_row), lxw_col_t(column),
                               text.toUtf8().constData(), format);
    }
    void number(int column, double value, lxw_format *format)
    {
        worksheet_write_number(m_sheet, lxw_row_t(m_row), lxw_col_t(column), value, format);
    }
    void formula(int column, const QString &formula, double cached, lxw_format *format)
    {
        worksheet_write_formula_num(m_sheet, lxw_row_t(m_row), lxw_col_t(column),
                                    ('=' + formula).toUtf8().constData(), format, cached);
    }

private:
    lxw_worksheet *m_sheet;
    int m_row;
};

// What the register has no row for: picks no live letter carries, all unconfirmed.
struct Unsent
{
    Evaluation::Tally tally;
    qint64 sampledMisstatement = 0, otherMisstatement = 0;
    double sampledOverProjection = 0, sampledUnderProjection = 0;
    int sampledOverTainted = 0; // sampled picks tainted whole (below the interval)
};

Unsent unsentOf(const Evaluation::Result &result)
{
    Unsent unsent;
    for (const Evaluation::Judged &judged : result.judged) {
        if (judged.item.sent)
            continue;
        ++unsent.tally.count;
        unsent.tally.cents += judged.item.bookCents;
        const bool sampled = judged.item.reason == PickReason::Sampled;
        (sampled ? unsent.sampledMisstatement : unsent.otherMisstatement) +=
            judged.misstatementCents;
        if (!sampled)
            continue;
        const double projected = judged.projectedCents;
        (projected >= 0 ? unsent.sampledOverProjection : unsent.sampledUnderProjection) +=
            projected;
        if (judged.tainting && *judged.tainting > 0)
            ++unsent.sampledOverTainted;
    }
    return unsent;
}

// "+123.45" for a term that is not zero, so the formula reads as the register's rows alone
// wherever nothing lies outside them.
QString plus(double cents)
{
    return cents == 0 ? QString() : QLatin1Char('+') + constant(cents);
}

} // namespace

void write(XlsxBook &book, lxw_worksheet *sheet, int first, const Ranges &ranges,
           const Evaluation::Result &result, const std::optional<Evaluation::Sample> &sample)
{
    lxw_format *header = book.headerFormat(), *amount = book.amountFormat();
    lxw_format *share = book.format([](lxw_format *f) { format_set_num_format(f, "0.0%"); });
    lxw_format *ratioFormat = book.format([](lxw_format *f) { format_set_num_format(f, "0.00%"); });
    lxw_format *factor = book.format([](lxw_format *f) { format_set_num_format(f, "0.00"); });
    lxw_format *wrap = book.format([](lxw_format *f) {
        format_set_text_wrap(f);
        format_set_align(f, LXW_ALIGN_VERTICAL_TOP);
    });
    const Unsent unsent = unsentOf(result);
    Lines lines(sheet, first);

    // --- Coverage
    lines.begin(QStringLiteral("确认情况"), header);
    const QString columns[] = {QStringLiteral("份数"),       QStringLiteral("金额"),
                               QStringLiteral("占总体份数"), QStringLiteral("占总体金额"),
                               QStringLiteral("占发函份数"), QStringLiteral("占发函金额")};
    for (int c = 0; c < int(std::size(columns)); ++c)
        lines.text(c + 1, columns[c], header);
    lines.begin(QStringLiteral("总体"));
    lines.number(1, result.population.count, nullptr);
    lines.number(2, yuan(double(result.population.cents)), amount);
    const QString population[] = {lines.absolute(1), lines.absolute(2)};
    lines.begin(QStringLiteral("发函项目"));
    lines.number(1, result.sent.count, nullptr);
    lines.number(2, yuan(double(result.sent.cents)), amount);
    const QString sent[] = {lines.absolute(1), lines.absolute(2)};
    QString unsentCells[2];
    if (unsent.tally.count > 0) {
        lines.begin(QStringLiteral("选中未发函"));
        lines.number(1, unsent.tally.count, nullptr);
        lines.number(2, yuan(double(unsent.tally.cents)), amount);
        unsentCells[0] = QLatin1Char('+') + lines.at(1);
        unsentCells[1] = QLatin1Char('+') + lines.at(2);
    }
    auto countOf = [&](Basis basis) {
        return QStringLiteral("COUNTIF(%1,\"%2\")").arg(ranges.basis, Evaluation::basisName(basis));
    };
    auto sumOf = [&](Basis basis, const QString &amounts) {
        return QStringLiteral("SUMIF(%1,\"%2\",%3)")
            .arg(ranges.basis, Evaluation::basisName(basis), amounts);
    };
    const struct
    {
        Basis basis;
        Evaluation::Tally tally;
        QString count, cents;
    } coverage[] = {
        {Basis::Reply, result.reply, countOf(Basis::Reply), sumOf(Basis::Reply, ranges.book)},
        {Basis::Reconciled, result.reconciled, countOf(Basis::Reconciled),
         sumOf(Basis::Reconciled, ranges.book)},
        {Basis::Alternative, result.alternative, countOf(Basis::Alternative),
         sumOf(Basis::Alternative, ranges.alternative)},
        {Basis::Differs, result.differs, countOf(Basis::Differs),
         sumOf(Basis::Differs, ranges.book)},
        // The part of the book amounts an alternative procedure left uncovered is
        // unconfirmed too, and so is every pick not sent.
        {Basis::Unconfirmed, result.unconfirmed, countOf(Basis::Unconfirmed) + unsentCells[0],
         QStringLiteral("%1+%2-%3%4")
             .arg(sumOf(Basis::Unconfirmed, ranges.book), sumOf(Basis::Alternative, ranges.book),
                  sumOf(Basis::Alternative, ranges.alternative), unsentCells[1])},
    };
    for (const auto &line : coverage) {
        lines.begin(Evaluation::basisName(line.basis));
        lines.formula(1, line.count, line.tally.count, nullptr);
        lines.formula(2, line.cents, yuan(double(line.tally.cents)), amount);
        // Of the letters sent, picks never sent are no part.
        const bool less = line.basis == Basis::Unconfirmed && unsent.tally.count > 0;
        const QString own[2][2] = {
            {lines.at(1), lines.at(2)},
            {less ? QStringLiteral("(%1-%2)").arg(lines.at(1), unsentCells[0].mid(1)) : lines.at(1),
             less ? QStringLiteral("(%1-%2)").arg(lines.at(2), unsentCells[1].mid(1))
                  : lines.at(2)}};
        const double figures[2][2] = {{double(line.tally.count), double(line.tally.cents)},
                                      {double(line.tally.count - (less ? unsent.tally.count : 0)),
                                       double(line.tally.cents - (less ? unsent.tally.cents : 0))}};
        const double wholes[2][2] = {
            {double(result.population.count), double(result.population.cents)},
            {double(result.sent.count), double(result.sent.cents)}};
        for (int against = 0; against < 2; ++against)
            for (int c = 0; c < 2; ++c) {
                const QString whole = (against == 0 ? population : sent)[c];
                lines.formula(3 + 2 * against + c,
                              QStringLiteral("IF(%1=0,0,%2/%1)").arg(whole, own[against][c]),
                              ratio(figures[against][c], wholes[against][c]), share);
            }
    }

    // --- Misstatements found
    lines.begin(QStringLiteral("错报"), header, 1);
    lines.text(2, QStringLiteral("金额"), header);
    const QString sampledSum = QStringLiteral("SUMIF(%1,\"%2\",%3)")
                                   .arg(ranges.reason, PickReason::Sampled, ranges.misstatement);
    lines.begin(QStringLiteral("已知错报"));
    lines.formula(2,
                  QStringLiteral("SUM(%1)-%2%3")
                      .arg(ranges.misstatement, sampledSum, plus(unsent.otherMisstatement)),
                  yuan(double(result.knownCents)), amount);
    const QString known = lines.at(2);
    lines.begin(QStringLiteral("样本错报"));
    lines.formula(2, sampledSum + plus(unsent.sampledMisstatement),
                  yuan(double(result.sampledFoundCents)), amount);

    // --- The projection of the sample
    if (sample && sample->monetary && sample->intervalCents > 0) {
        lines.begin(QStringLiteral("货币单位抽样"), header, 1);
        lines.text(2, QStringLiteral("金额"), header);
        lines.text(3, QStringLiteral("保证系数"), header);
        lines.begin(QStringLiteral("抽样区间"));
        lines.number(2, yuan(sample->intervalCents), amount);
        const QString interval = lines.absolute(2);
        lines.begin(QStringLiteral("置信水平"));
        lines.number(2, sample->confidence / 100.0, share);
        lines.begin(QStringLiteral("基本精确度"));
        lines.number(3, Evaluation::tableFactor(sample->confidence, 0), factor);
        QString previousFactor = lines.at(3);
        lines.formula(2, QStringLiteral("%1*%2").arg(lines.at(3), interval),
                      yuan(result.basicPrecisionCents.value_or(0)), amount);
        const QString basic = lines.at(2);
        // Items at or above the interval (certain to be hit) and credit balances (never
        // drawn by amount) count at their misstatement, the others at their tainting over
        // the whole interval. Understatement as a positive amount, as the evaluation
        // gives it.
        auto projection = [&](const QString &side, qint64 outside) {
            return QStringLiteral("SUMPRODUCT((%1=\"%2\")*((%3>=%4)+(%3<=0))*(%5%6)*%5)+%4*"
                                  "SUMPRODUCT((%1=\"%2\")*(%3>0)*(%3<%4)*(%7%6)*%7)%8")
                .arg(ranges.reason, PickReason::Sampled, ranges.book, interval, ranges.misstatement,
                     side, ranges.tainting, plus(outside));
        };
        lines.begin(QStringLiteral("推断错报"));
        lines.formula(2, projection(QStringLiteral(">0"), unsent.sampledOverProjection),
                      yuan(result.projectedOverCents.value_or(0)), amount);
        const QString projected = lines.at(2);
        lines.begin(QStringLiteral("推断错报（低估）"));
        lines.formula(2,
                      QStringLiteral("-(%1)").arg(
                          projection(QStringLiteral("<0"), unsent.sampledUnderProjection)),
                      yuan(result.projectedUnderCents.value_or(0)), amount);

        // The incremental allowances, the largest tainting first; picks not sent are
        // tainted whole, ahead of every row.
        lines.begin(QStringLiteral("增量准备"), header, 1);
        const QString titles[] = {QStringLiteral("排序"), QStringLiteral("金额"),
                                  QStringLiteral("保证系数"), QStringLiteral("增量系数"),
                                  QStringLiteral("错报比例")};
        for (int c = 0; c < int(std::size(titles)); ++c)
            lines.text(c + 1, titles[c], header);
        QString firstAllowance, lastAllowance;
        for (const Evaluation::Allowance &allowance : result.allowances) {
            lines.begin(QStringLiteral("增量准备 %1").arg(allowance.rank));
            lines.number(1, allowance.rank, nullptr);
            lines.number(3, Evaluation::tableFactor(sample->confidence, allowance.rank), factor);
            lines.formula(4, QStringLiteral("%1-%2-1").arg(lines.at(3), previousFactor),
                          allowance.factorStep, factor);
            previousFactor = lines.at(3);
            const QString largest = QStringLiteral("LARGE(%1,%2)")
                                        .arg(ranges.tainting)
                                        .arg(allowance.rank - unsent.sampledOverTainted);
            lines.formula(5,
                          unsent.sampledOverTainted == 0
                              ? largest
                              : QStringLiteral("IF(%1<=%2,1,%3)")
                                    .arg(lines.at(1))
                                    .arg(unsent.sampledOverTainted)
                                    .arg(QStringLiteral("LARGE(%1,%2-%3)")
                                             .arg(ranges.tainting, lines.at(1))
                                             .arg(unsent.sampledOverTainted)),
                          allowance.tainting, ratioFormat);
            lines.formula(2, QStringLiteral("%1*%2*%3").arg(lines.at(4), lines.at(5), interval),
                          yuan(allowance.cents), amount);
            if (firstAllowance.isEmpty())
                firstAllowance = lines.at(2);
            lastAllowance = lines.at(2);
        }
        const QString allowances =
            firstAllowance.isEmpty()
                ? QString()
                : QStringLiteral("+SUM(%1:%2)").arg(firstAllowance, lastAllowance);
        lines.begin(QStringLiteral("错报上限"), nullptr, 1);
        lines.formula(2, QStringLiteral("%1+%2%3").arg(basic, projected, allowances),
                      yuan(result.upperLimitCents.value_or(0)), amount);
        // What the conclusion sets against the tolerable misstatement.
        const QString upper = lines.at(2);
        lines.begin(QStringLiteral("错报上限（含已知错报）"));
        lines.formula(2, QStringLiteral("%1+%2").arg(upper, known),
                      yuan(result.upperLimitCents.value_or(0) + double(result.knownCents)), amount);
    } else if (result.projectedOverCents) {
        // Rows drawn at random: projected by the ratio of the sample's misstatement to its
        // book amount, a figure of the evaluation's own.
        lines.begin(QStringLiteral("推断错报"), nullptr, 1);
        lines.number(2, yuan(*result.projectedOverCents), amount);
        lines.begin(QStringLiteral("推断错报（低估）"));
        lines.number(2, yuan(result.projectedUnderCents.value_or(0)), amount);
    }
    if (sample && sample->tolerableCents) {
        lines.begin(QStringLiteral("可容忍错报"));
        lines.number(2, yuan(double(*sample->tolerableCents)), amount);
    }
    if (!result.statement.isEmpty()) {
        // Over the six figure columns, high enough for its lines: no spreadsheet program
        // fits a merged cell's height to its text.
        const double lines_ = std::ceil(double(result.statement.size()) / 38) + 1;
        lines.begin(QStringLiteral("结论"), nullptr, 1, 15 * lines_);
        lines.spanned(1, 6, result.statement, wrap);
    }
    worksheet_set_column(sheet, 3, 6, 12, nullptr);
}

} // namespace EvaluationSummary

#include "SelectionSheet.h"

#include "SelectionSummary.h"
#include "XlsxBook.h"
#include "ledger/LedgerStore.h"

#include <xlsxwriter.h>

namespace {
void text(lxw_worksheet *sheet, int row, int column, const QString &value,
          lxw_format *format = nullptr)
{
    worksheet_write_string(sheet, lxw_row_t(row), lxw_col_t(column), value.toUtf8().constData(),
                           format);
}

QStringList pickTitles()
{
    return {QStringLiteral("序号"),     QStringLiteral("总体序号"),     QStringLiteral("函编号"),
            QStringLiteral("客户单位"), QStringLiteral("截止日期"),     QStringLiteral("账面金额"),
            QStringLiteral("选中原因"), QStringLiteral("抽中货币单位"), QStringLiteral("轮次")};
}
} // namespace

namespace SelectionSheet {

void write(XlsxBook &book, const LedgerStore &ledger)
{
    const QList<LedgerSelection> selections = ledger.selections();
    if (selections.isEmpty())
        return;
    lxw_worksheet *sheet = book.addSheet(QStringLiteral("选样说明"));
    const double widths[] = {20, 10, 16, 30, 12, 16, 10, 16, 8};
    for (int c = 0; c < 9; ++c)
        worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), widths[c], nullptr);
    lxw_format *header = book.headerFormat();
    lxw_format *amount = book.amountFormat();
    int row = 0;
    // Rows go down in order: the workbook is written row by row.
    for (const LedgerSelection &selection : selections) {
        const QList<PopulationRow> population = ledger.population(selection.id);
        for (const auto &[label, value] : SelectionSummary::lines(selection, population)) {
            text(sheet, row, 0, label, header);
            text(sheet, row, 1, value);
            ++row;
        }
        ++row;
        const QStringList titles = pickTitles();
        for (int c = 0; c < titles.size(); ++c)
            text(sheet, row, c, titles[c], header);
        ++row;
        int n = 0;
        for (const SelectionPick &pick : selection.picks) {
            const PopulationRow source = population.value(pick.position);
            worksheet_write_number(sheet, lxw_row_t(row), 0, ++n, nullptr);
            worksheet_write_number(sheet, lxw_row_t(row), 1, pick.position + 1, nullptr);
            text(sheet, row, 2, source.number);
            text(sheet, row, 3, source.customer);
            text(sheet, row, 4, source.cutOff);
            worksheet_write_number(sheet, lxw_row_t(row), 5, double(source.cents) / 100.0, amount);
            text(sheet, row, 6, pick.reason);
            if (pick.point >= 0)
                worksheet_write_number(sheet, lxw_row_t(row), 7, double(pick.point) / 100.0,
                                       amount);
            worksheet_write_number(sheet, lxw_row_t(row), 8, pick.round, nullptr);
            ++row;
        }
        row += 2;
    }
}

} // namespace SelectionSheet

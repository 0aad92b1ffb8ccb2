#include "TableCommand.h"

#include "WorkbookTable.h"

int runTableCommand(BatchArguments arguments)
{
    const bool bySheet = arguments.hasOption(QStringLiteral("--sheet"));
    const QString sheetName = arguments.takeOption(QStringLiteral("--sheet"));
    const QString workbook = arguments.positional(1).constFirst();
    const WorkbookTable imported(workbook, bySheet ? std::optional(sheetName) : std::nullopt);
    const StringGridModel &grid = imported.table();

    // Rows go into one buffer written out a block at a time, with no string made per cell.
    constexpr qsizetype kBlock = 1 << 20;
    QString out(kBlock, Qt::Uninitialized);
    char16_t *const begin = reinterpret_cast<char16_t *>(out.data());
    char16_t *at = begin;
    auto flush = [&] {
        BatchOutput::write(QStringView(begin, at - begin));
        at = begin;
    };
    const int columns = grid.ColCount();
    for (int row = 0; row < grid.RowCount(); ++row) {
        for (int col = 0; col < columns; ++col) {
            const QStringView text = grid.cellView(col, row);
            const qsizetype room = (text.size() + 1) * BatchOutput::kMaxEscapedLength;
            if ((at - begin) + room > kBlock)
                flush();
            if (room > kBlock) { // a cell larger than the block goes out by itself
                QString large;
                BatchOutput::appendEscaped(large, text, BatchOutput::Escapes::Table);
                BatchOutput::write(large);
            } else {
                at = BatchOutput::writeEscaped(at, text, BatchOutput::Escapes::Table);
            }
            *at++ = col + 1 < columns ? u'\t' : u'\n';
        }
    }
    flush();
    return 0;
}

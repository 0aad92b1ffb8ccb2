#include "TableCommand.h"

#include "WorkbookTable.h"

int runTableCommand(BatchArguments arguments)
{
    const bool bySheet = arguments.hasOption(QStringLiteral("--sheet"));
    const QString sheetName = arguments.takeOption(QStringLiteral("--sheet"));
    const QString workbook = arguments.positional(1).constFirst();
    const WorkbookTable imported(workbook, bySheet ? std::optional(sheetName) : std::nullopt);
    const StringGridModel &grid = imported.table();

    // Rows go as UTF-8 into one buffer written out a block at a time: no string is made
    // per cell, and empty cells cost only their tab. A pipe's worth: a larger block is only
    // more fresh pages to fault in.
    constexpr qsizetype kBlock = 64 << 10;
    QByteArray out(kBlock, Qt::Uninitialized);
    char *const begin = out.data();
    char *at = begin;
    auto flush = [&] {
        BatchOutput::writeBytes(QByteArrayView(begin, at - begin));
        at = begin;
    };
    auto makeRoom = [&](qsizetype bytes) {
        if ((at - begin) + bytes > kBlock)
            flush();
    };
    const int columns = grid.ColCount();
    for (int row = 0; row < grid.RowCount(); ++row) {
        int column = 0; // where the next text goes; a tab moves on by one
        grid.forEachCellInRow(row, [&](int col, QStringView text) {
            if (col < column || col >= columns)
                return; // kept beyond the counts, not shown
            const qsizetype bytes = (col - column) + text.size() * BatchOutput::kMaxEscapedLength;
            makeRoom(bytes);
            for (; column < col; ++column)
                *at++ = '\t';
            if (bytes > kBlock) { // a text larger than the block goes out by itself
                flush();
                QString large;
                BatchOutput::appendEscaped(large, text, BatchOutput::Escapes::Table);
                BatchOutput::write(large);
            } else {
                at = BatchOutput::writeEscapedUtf8(at, text, BatchOutput::Escapes::Table);
            }
        });
        makeRoom(columns);
        for (; column < columns - 1; ++column)
            *at++ = '\t';
        *at++ = '\n';
    }
    flush();
    return 0;
}

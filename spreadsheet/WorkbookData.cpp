#include "WorkbookData.h"

#include "SpreadsheetError.h"

SheetData *WorkbookData::addSheet(const QString &name)
{
    m_sheets.push_back(std::make_unique<SheetData>(name));
    return m_sheets.back().get();
}

Worksheet *WorkbookData::activeSheet()
{
    if (m_sheets.empty())
        throw SpreadsheetError(QStringLiteral("工作簿中没有工作表"));
    // An active tab that names no sheet falls back to the first.
    const int index =
        m_activeIndex >= 0 && m_activeIndex < int(m_sheets.size()) ? m_activeIndex : 0;
    return m_sheets[index].get();
}

Worksheet *WorkbookData::sheet(int number)
{
    if (number < 1 || number > int(m_sheets.size()))
        throw SpreadsheetError(QStringLiteral("工作表编号 %1 超出范围").arg(number));
    return m_sheets[number - 1].get();
}

#pragma once
// A workbook read into memory: its sheets in tab order and the active one.

#include "SheetData.h"

#include <memory>
#include <vector>

class WorkbookData : public Workbook
{
public:
    SheetData *addSheet(const QString &name);
    void setActiveIndex(int index) { m_activeIndex = index; }
    // The sheets in tab order, as the reader made them.
    const std::vector<std::unique_ptr<SheetData>> &sheets() const { return m_sheets; }

    Worksheet *activeSheet() override;
    int sheetCount() const override { return int(m_sheets.size()); }
    Worksheet *sheet(int number) override;
    void close(bool) override {}

private:
    std::vector<std::unique_ptr<SheetData>> m_sheets;
    int m_activeIndex = 0;
};

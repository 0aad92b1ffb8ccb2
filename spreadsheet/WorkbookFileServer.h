#pragma once
// The spreadsheet server that reads workbook files itself.

#include "SpreadsheetServer.h"
#include "WorkbookData.h"

#include <memory>
#include <vector>

class WorkbookFileServer : public SpreadsheetServer
{
public:
    Workbook *openWorkbook(const QString &fileName) override;
    void quit() override;

    static SpreadsheetServerFactory factory();

private:
    std::vector<std::unique_ptr<WorkbookData>> m_workbooks;
};

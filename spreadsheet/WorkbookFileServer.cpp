#include "WorkbookFileServer.h"

#include "WorkbookFile.h"

Workbook *WorkbookFileServer::openWorkbook(const QString &fileName)
{
    m_workbooks.push_back(WorkbookFile::open(fileName));
    return m_workbooks.back().get();
}

void WorkbookFileServer::quit()
{
    m_workbooks.clear();
}

SpreadsheetServerFactory WorkbookFileServer::factory()
{
    return [] { return std::make_unique<WorkbookFileServer>(); };
}

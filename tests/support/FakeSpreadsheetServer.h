#pragma once
// A spreadsheet server that serves sheets from memory and logs every call, for the
// address forms and failures no real file gives.

#include "spreadsheet/SheetData.h"
#include "spreadsheet/SpreadsheetError.h"
#include "spreadsheet/SpreadsheetServer.h"

#include <QGuiApplication>
#include <QMap>
#include <QStringList>
#include <memory>

struct FakeSheet
{
    QString name;
    QString address;                        // what the used range reports
    QMap<QPair<int, int>, CellValue> cells; // (row, column), 1-based
};

struct FakeServerScript
{
    QList<FakeSheet> sheets;
    int active = 0;
    QString openError; // raised by openWorkbook when set
    QStringList log;
    bool busyCursorSeen = false;
};

// Serves its cells from the reader's own in-memory sheet; reports the scripted used
// range and logs each call.
class FakeWorksheet : public Worksheet
{
public:
    FakeWorksheet(FakeServerScript &script, int index)
        : m_script(script), m_index(index), m_data(sheet().name)
    {
        for (auto it = sheet().cells.begin(); it != sheet().cells.end(); ++it)
            m_data.addCell(it.key().first, it.key().second, it.value());
        m_data.finish();
    }
    QString name() const override { return sheet().name; }
    QString usedRangeAddress() const override
    {
        m_script.log.append(QStringLiteral("usedRange"));
        m_script.busyCursorSeen = QGuiApplication::overrideCursor() != nullptr;
        return sheet().address;
    }
    RangeValues rangeValues(const QString &address) const override
    {
        m_script.log.append(QStringLiteral("range ") + address);
        return m_data.rangeValues(address);
    }
    CellValue cell(int row, int column) const override
    {
        m_script.log.append(QStringLiteral("cell %1 %2").arg(row).arg(column));
        return m_data.cell(row, column);
    }

private:
    const FakeSheet &sheet() const { return m_script.sheets[m_index]; }
    FakeServerScript &m_script;
    int m_index;
    SheetData m_data;
};

class FakeWorkbook : public Workbook
{
public:
    explicit FakeWorkbook(FakeServerScript &script) : m_script(script)
    {
        for (int i = 0; i < script.sheets.size(); ++i)
            m_sheets.push_back(std::make_unique<FakeWorksheet>(script, i));
    }
    Worksheet *activeSheet() override
    {
        m_script.log.append(QStringLiteral("activeSheet"));
        return m_sheets[size_t(m_script.active)].get();
    }
    int sheetCount() const override
    {
        m_script.log.append(QStringLiteral("count"));
        return int(m_sheets.size());
    }
    Worksheet *sheet(int number) override { return m_sheets[size_t(number - 1)].get(); }
    void close(bool saveChanges) override
    {
        m_script.log.append(saveChanges ? QStringLiteral("close save") : QStringLiteral("close"));
    }

private:
    FakeServerScript &m_script;
    std::vector<std::unique_ptr<FakeWorksheet>> m_sheets;
};

class FakeSpreadsheetServer : public SpreadsheetServer
{
public:
    explicit FakeSpreadsheetServer(FakeServerScript &script) : m_script(script) {}
    Workbook *openWorkbook(const QString &fileName) override
    {
        m_script.log.append(QStringLiteral("open ") + fileName);
        if (!m_script.openError.isEmpty())
            throw SpreadsheetError(m_script.openError);
        m_workbook = std::make_unique<FakeWorkbook>(m_script);
        return m_workbook.get();
    }
    void quit() override { m_script.log.append(QStringLiteral("quit")); }

    static SpreadsheetServerFactory factory(FakeServerScript &script)
    {
        return [&script] { return std::make_unique<FakeSpreadsheetServer>(script); };
    }

private:
    FakeServerScript &m_script;
    std::unique_ptr<FakeWorkbook> m_workbook;
};

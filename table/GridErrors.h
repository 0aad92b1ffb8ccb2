#pragma once
// Error kinds raised by the receivables table component.

#include "platform/Exception.h"

// An operation on the grid's dimensions or indexes that the grid refuses.
class EInvalidGridOperation : public Exception
{
public:
    using Exception::Exception;
};

// A failure of the grid's workbook import.
class EAdvGridError : public Exception
{
public:
    using Exception::Exception;
};

// The import's sheet, asked for by name, is not in the workbook.
class EWorksheetNotFound : public EAdvGridError
{
public:
    explicit EWorksheetNotFound(const QString &sheetName)
        : EAdvGridError(QStringLiteral("Excel worksheet ") + sheetName +
                        QStringLiteral(" not found")),
          m_sheetName(sheetName)
    {
    }
    const QString &sheetName() const { return m_sheetName; }

private:
    QString m_sheetName;
};

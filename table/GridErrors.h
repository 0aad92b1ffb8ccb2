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

#pragma once
// An error of the spreadsheet server, with its own description.

#include "platform/Exception.h"

class SpreadsheetError : public Exception
{
public:
    using Exception::Exception;
};

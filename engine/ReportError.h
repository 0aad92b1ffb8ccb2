#pragma once
// An error of the report engine, with the engine's own description.

#include "platform/Exception.h"

class ReportError : public Exception
{
public:
    using Exception::Exception;
};

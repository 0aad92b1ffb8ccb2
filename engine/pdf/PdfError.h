#pragma once
// A failure to cut a PDF into pages, with what went wrong.

#include "platform/Exception.h"

class PdfError : public Exception
{
public:
    using Exception::Exception;
};

#pragma once
// A change refused because another writer changed the same thing since the caller read it:
// the caller shows the ledger as it is now, for the user to decide again.

#include "platform/Exception.h"

class StaleChange : public Exception
{
public:
    using Exception::Exception;
};

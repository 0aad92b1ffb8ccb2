#pragma once
// The confirmation centre's server would not let a connection in: why, in the user's words,
// made from what libpq said, and of which kind, so that a missing or wrong password can be
// asked for and the connection tried again.

#include "LedgerLocation.h"
#include "platform/Exception.h"

class CentreRefusal : public Exception
{
public:
    enum class Kind
    {
        Unreachable, // no server there, or the network in between
        NoDatabase,
        NoUser,
        Password, // none given where one is needed, or a wrong one
        Tls,
        Other
    };
    // The refusal of a connection to 'location', from libpq's text.
    CentreRefusal(const LedgerLocation &location, const QString &serverText);
    Kind kind() const { return m_kind; }
    static Kind kindOf(const QString &serverText);

private:
    Kind m_kind;
};

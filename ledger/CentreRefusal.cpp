#include "CentreRefusal.h"

#include "ConnectionFailure.h"

namespace {
bool says(const QString &text, std::initializer_list<const char *> phrases)
{
    for (const char *phrase : phrases)
        if (text.contains(QLatin1String(phrase), Qt::CaseInsensitive))
            return true;
    return false;
}

} // namespace

CentreRefusal::Kind CentreRefusal::kindOf(const QString &serverText)
{
    // libpq's own words (English whatever the client's locale). A refused password first:
    // with sslmode prefer libpq may say how each of its two tries (with TLS, without) ended.
    if (says(serverText, {"no password supplied", "password authentication failed",
                          "authentication failed", "fe_sendauth"}))
        return Kind::Password;
    if (says(serverText, {"SSL", "certificate", "root.crt", "sslmode"}))
        return Kind::Tls;
    if (serverText.contains(QLatin1String("database \"")) &&
        serverText.contains(QLatin1String("does not exist")))
        return Kind::NoDatabase;
    if (serverText.contains(QLatin1String("role \"")) &&
        serverText.contains(QLatin1String("does not exist")))
        return Kind::NoUser;
    if (says(serverText, {"Connection refused", "could not translate host name", "timeout expired",
                          "No route to host", "Network is unreachable", "could not connect",
                          "No such file or directory", "the database system is starting up",
                          "the database system is shutting down"}))
        return Kind::Unreachable;
    return Kind::Other;
}

CentreRefusal::CentreRefusal(const LedgerLocation &location, const QString &serverText)
    : Exception(ConnectionFailure::text(location, serverText)), m_kind(kindOf(serverText))
{
}

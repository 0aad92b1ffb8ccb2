#include "SecretStore.h"

#include "Exception.h"

// GLib names a struct member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <libsecret/secret.h>
#pragma pop_macro("signals")

namespace SecretStore {

namespace {

const SecretSchema *schema()
{
    // Named after the program, so that a lookup never takes another program's secret.
    static const SecretSchema smtp = {"cn.roviradavev.Smtp",
                                      SECRET_SCHEMA_NONE,
                                      {{"server", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                       {"user", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                       {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                      0,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr};
    return &smtp;
}

QString taken(GError *error)
{
    const QString text = error ? QString::fromUtf8(error->message) : QString();
    if (error)
        g_error_free(error);
    return text;
}

// A host name is one whatever its case or spaces, as a URL reads it: the password the
// desktop keeps for "Mail.Office.cn" is found by the batch tool's smtps://mail.office.cn.
QByteArray hostKey(const QString &server)
{
    return server.trimmed().toLower().toUtf8();
}

} // namespace

std::optional<QString> lookup(const QString &server, const QString &user)
{
    GError *error = nullptr;
    gchar *password = secret_password_lookup_sync(schema(), nullptr, &error, "server",
                                                  hostKey(server).constData(), "user",
                                                  user.toUtf8().constData(), nullptr);
    taken(error);
    if (!password)
        return std::nullopt;
    const QString found = QString::fromUtf8(password);
    secret_password_free(password);
    return found;
}

void store(const QString &server, const QString &user, const QString &password)
{
    GError *error = nullptr;
    const QString label = QStringLiteral("roviradavev 邮件服务器 %1（%2）").arg(server, user);
    const bool kept = secret_password_store_sync(
        schema(), SECRET_COLLECTION_DEFAULT, label.toUtf8().constData(),
        password.toUtf8().constData(), nullptr, &error, "server", hostKey(server).constData(),
        "user", user.toUtf8().constData(), nullptr);
    const QString problem = taken(error);
    if (!kept)
        throw Exception(QStringLiteral("无法将密码保存到系统的密钥环：%1").arg(problem));
}

void clear(const QString &server, const QString &user)
{
    GError *error = nullptr;
    secret_password_clear_sync(schema(), nullptr, &error, "server", hostKey(server).constData(),
                               "user", user.toUtf8().constData(), nullptr);
    if (const QString problem = taken(error); !problem.isEmpty())
        throw Exception(QStringLiteral("无法从系统的密钥环中删除密码：%1").arg(problem));
}

} // namespace SecretStore

#pragma once
// The SMTP password in the desktop's secret store (libsecret: GNOME Keyring, KWallet), under
// one fixed schema keyed by the server and the user; never in a file of ours.

#include <QString>
#include <optional>

namespace SecretStore {
// The password kept for that user on that server; none when none is kept or the store
// cannot be reached (no desktop session). Never raises.
std::optional<QString> lookup(const QString &server, const QString &user);
// Keeps the password, replacing one kept before. Raises Exception when the store cannot
// take it.
void store(const QString &server, const QString &user, const QString &password);
// Forgets it; raises Exception when the store cannot be reached.
void clear(const QString &server, const QString &user);
} // namespace SecretStore

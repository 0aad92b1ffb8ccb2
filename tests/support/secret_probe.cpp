// The secret store from outside the tests' own process, for a test that runs it inside a
// desktop session of its own: store, lookup and clear, one per run, as the command says.

#include "platform/Exception.h"
#include "platform/SecretStore.h"

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc < 4)
        return 2;
    const QString command = QString::fromUtf8(argv[1]);
    const QString server = QString::fromUtf8(argv[2]), user = QString::fromUtf8(argv[3]);
    try {
        if (command == QStringLiteral("store") && argc == 5)
            SecretStore::store(server, user, QString::fromUtf8(argv[4]));
        else if (command == QStringLiteral("clear"))
            SecretStore::clear(server, user);
        else if (const auto found = SecretStore::lookup(server, user))
            std::printf("found:%s\n", found->toUtf8().constData());
        else
            std::printf("none\n");
    } catch (const Exception &error) {
        std::printf("error:%s\n", error.message().toUtf8().constData());
        return 1;
    }
    return 0;
}

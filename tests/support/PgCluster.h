#pragma once
// A real PostgreSQL cluster for a test: made with initdb in a folder of its own, served by
// pg_ctl on a Unix socket in that folder and on 127.0.0.1 at a free port, stopped and removed
// when the test ends. Connections over the socket are trusted (the administrator, postgres);
// over TCP they need a password (scram-sha-256), as on a firm's server.
//
// As root, the server runs as the system's postgres user, which Debian's package makes:
// PostgreSQL refuses to run as root.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <unistd.h>

class PgCluster
{
public:
    // The folder of initdb and pg_ctl, or empty when PostgreSQL's server is not installed.
    static QString binFolder()
    {
        const QDir versions(QStringLiteral("/usr/lib/postgresql"));
        QStringList found = versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        std::sort(found.begin(), found.end(),
                  [](const QString &a, const QString &b) { return a.toInt() > b.toInt(); });
        for (const QString &version : found)
            if (QFile::exists(versions.filePath(version + QStringLiteral("/bin/initdb"))))
                return versions.filePath(version + QStringLiteral("/bin"));
        return {};
    }
    // Why a test cannot run here, or empty: for QSKIP.
    static QString missing()
    {
        if (binFolder().isEmpty())
            return QStringLiteral("PostgreSQL's server (package postgresql) is not installed");
        if (!QFile::exists(QStringLiteral("/usr/lib/x86_64-linux-gnu/qt6/plugins/sqldrivers/"
                                          "libqsqlpsql.so")) &&
            QStandardPaths::findExecutable(QStringLiteral("psql")).isEmpty())
            return QStringLiteral("Qt's PostgreSQL driver (libqt6sql6-psql) is not installed");
        return {};
    }

    // Starts the cluster with a database 'database'; 'settings' go into postgresql.conf.
    bool start(const QString &database = QStringLiteral("rvcentre"),
               const QStringList &settings = {})
    {
        m_database = database;
        if (!m_folder.isValid())
            return fail(QStringLiteral("no temporary folder"));
        m_data = m_folder.filePath(QStringLiteral("data"));
        QDir().mkpath(m_data);
        if (::geteuid() == 0)
            QProcess::execute(
                QStringLiteral("chown"),
                {QStringLiteral("-R"), QStringLiteral("postgres:postgres"), m_folder.path()});
        QFile::setPermissions(m_folder.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                   QFile::ExeOwner | QFile::ReadOther |
                                                   QFile::ExeOther | QFile::ReadGroup |
                                                   QFile::ExeGroup);
        if (!server(QStringLiteral("initdb"),
                    {QStringLiteral("-D"), m_data, QStringLiteral("-U"), QStringLiteral("postgres"),
                     QStringLiteral("-E"), QStringLiteral("UTF8"),
                     QStringLiteral("--locale=C.UTF-8"), QStringLiteral("-A"),
                     QStringLiteral("trust"), QStringLiteral("--auth-host=scram-sha-256")}))
            return false;
        m_port = freePort();
        QFile conf(m_data + QStringLiteral("/postgresql.conf"));
        if (!conf.open(QIODevice::Append))
            return fail(QStringLiteral("cannot write postgresql.conf"));
        QStringList lines{QStringLiteral("port = %1").arg(m_port),
                          QStringLiteral("unix_socket_directories = '%1'").arg(m_folder.path()),
                          QStringLiteral("listen_addresses = '127.0.0.1'"),
                          QStringLiteral("max_connections = 60"),
                          QStringLiteral("shared_buffers = 32MB")};
        lines += settings;
        conf.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
        conf.close();
        if (!startServer())
            return false;
        return psql(QStringLiteral("CREATE DATABASE \"%1\"").arg(database),
                    QStringLiteral("postgres"), QStringLiteral("postgres"));
    }
    bool startServer()
    {
        return server(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), m_data, QStringLiteral("-l"),
                                                 m_folder.filePath(QStringLiteral("server.log")),
                                                 QStringLiteral("-w"), QStringLiteral("start")});
    }
    // 'mode' as pg_ctl takes it: fast, or immediate for a server that goes away at once.
    bool stopServer(const QString &mode = QStringLiteral("fast"))
    {
        return server(QStringLiteral("pg_ctl"),
                      {QStringLiteral("-D"), m_data, QStringLiteral("-m"), mode,
                       QStringLiteral("-w"), QStringLiteral("stop")});
    }
    ~PgCluster()
    {
        if (!m_data.isEmpty() && QFile::exists(m_data + QStringLiteral("/postmaster.pid")))
            stopServer(QStringLiteral("immediate"));
    }

    QString socketFolder() const { return m_folder.path(); }
    QString folder() const { return m_folder.path(); }
    QString dataFolder() const { return m_data; }
    int port() const { return m_port; }
    QString database() const { return m_database; }
    QString error() const { return m_error; }

    // The administrator's address, over the socket: postgresql://postgres@/db?host=…&port=…
    QString adminAddress(const QString &engagement = QString()) const
    {
        QString address = QStringLiteral("postgresql://postgres@localhost/") + m_database +
                          QStringLiteral("?host=") +
                          QString::fromLatin1(QUrl::toPercentEncoding(m_folder.path())) +
                          QStringLiteral("&port=") + QString::number(m_port);
        if (!engagement.isEmpty())
            address += QStringLiteral("&engagement=") +
                       QString::fromLatin1(QUrl::toPercentEncoding(engagement));
        return address;
    }
    // A user's address over TCP, where the password is asked for.
    QString userAddress(const QString &user, const QString &engagement = QString()) const
    {
        QString address = QStringLiteral("postgresql://%1@127.0.0.1:%2/%3")
                              .arg(QString::fromLatin1(QUrl::toPercentEncoding(user)))
                              .arg(m_port)
                              .arg(m_database);
        if (!engagement.isEmpty())
            address += QStringLiteral("?engagement=") +
                       QString::fromLatin1(QUrl::toPercentEncoding(engagement));
        return address;
    }

    // Runs SQL through psql as 'user' over the socket (trusted), stopping at the first error.
    // The output is kept in lastOutput().
    bool psql(const QString &sql, const QString &user = QStringLiteral("postgres"),
              const QString &database = QString())
    {
        QProcess process;
        process.start(QStringLiteral("psql"),
                      {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-A"),
                       QStringLiteral("-t"), QStringLiteral("-v"),
                       QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"), m_folder.path(),
                       QStringLiteral("-p"), QString::number(m_port), QStringLiteral("-U"), user,
                       QStringLiteral("-d"), database.isEmpty() ? m_database : database,
                       QStringLiteral("-c"), sql});
        process.waitForFinished(60000);
        m_output = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
        m_error = QString::fromUtf8(process.readAllStandardError()).trimmed();
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }
    QString lastOutput() const { return m_output; }

    // A login user with a password, member of the server's roles named.
    bool addUser(const QString &name, const QString &password, const QStringList &roles = {})
    {
        QString sql = QStringLiteral("CREATE ROLE \"%1\" LOGIN PASSWORD '%2'").arg(name, password);
        if (!psql(sql))
            return false;
        for (const QString &role : roles)
            if (!psql(QStringLiteral("GRANT %1 TO \"%2\"").arg(role, name)))
                return false;
        return true;
    }

private:
    bool fail(const QString &why)
    {
        m_error = why;
        return false;
    }
    static int freePort()
    {
        const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        ::bind(probe, reinterpret_cast<sockaddr *>(&address), size);
        ::getsockname(probe, reinterpret_cast<sockaddr *>(&address), &size);
        ::close(probe);
        return ntohs(address.sin_port);
    }
    // Runs one of the server's programs, as postgres when the test runs as root.
    bool server(const QString &program, const QStringList &arguments)
    {
        QString path = binFolder() + QLatin1Char('/') + program;
        QStringList all = arguments;
        if (::geteuid() == 0) {
            all.prepend(path);
            all = QStringList{QStringLiteral("-u"), QStringLiteral("postgres"),
                              QStringLiteral("--")} +
                  all;
            path = QStringLiteral("runuser");
        }
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(path, all);
        if (!process.waitForFinished(120000) || process.exitCode() != 0)
            return fail(program + QStringLiteral(": ") + QString::fromUtf8(process.readAll()));
        return true;
    }

    QTemporaryDir m_folder;
    QString m_data;
    QString m_database;
    int m_port = 0;
    QString m_output;
    QString m_error;
};

#pragma once
// A certificate authority and a server certificate made with openssl for a test cluster, so
// that clients can check the server as they would a firm's: the CA signs a certificate for
// "localhost" (and nothing else), which the server presents. A second CA, unrelated, stands
// for a certificate the client was never told to trust.

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

class PgTls
{
public:
    // Writes ca.crt, other-ca.crt, server.crt and server.key into 'folder' (the cluster's,
    // before it starts, so that the cluster makes the server's user their owner).
    bool make(const QString &folder)
    {
        m_folder = folder;
        QFile config(path(QStringLiteral("openssl.cnf")));
        if (!config.open(QIODevice::WriteOnly))
            return fail(QStringLiteral("cannot write openssl.cnf"));
        config.write("[req]\ndistinguished_name = dn\n[dn]\n"
                     "[ca]\nbasicConstraints = critical, CA:TRUE\n"
                     "keyUsage = critical, keyCertSign, cRLSign\n"
                     "subjectKeyIdentifier = hash\n"
                     "[server]\nbasicConstraints = CA:FALSE\n"
                     "keyUsage = digitalSignature, keyEncipherment\n"
                     "extendedKeyUsage = serverAuth\nsubjectAltName = DNS:localhost\n");
        config.close();
        return authority(QStringLiteral("ca"), QStringLiteral("/CN=roviradavev test CA")) &&
               authority(QStringLiteral("other-ca"), QStringLiteral("/CN=another test CA")) &&
               openssl({QStringLiteral("req"), QStringLiteral("-new"), QStringLiteral("-config"),
                        path(QStringLiteral("openssl.cnf")), QStringLiteral("-newkey"),
                        QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                        QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                        QStringLiteral("-keyout"), path(QStringLiteral("server.key")),
                        QStringLiteral("-out"), path(QStringLiteral("server.csr")),
                        QStringLiteral("-subj"), QStringLiteral("/CN=localhost")}) &&
               openssl({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                        path(QStringLiteral("server.csr")), QStringLiteral("-CA"), caCertificate(),
                        QStringLiteral("-CAkey"), path(QStringLiteral("ca.key")),
                        QStringLiteral("-set_serial"), QStringLiteral("2"), QStringLiteral("-days"),
                        QStringLiteral("2"), QStringLiteral("-extfile"),
                        path(QStringLiteral("openssl.cnf")), QStringLiteral("-extensions"),
                        QStringLiteral("server"), QStringLiteral("-out"),
                        path(QStringLiteral("server.crt"))}) &&
               // The server refuses a key others may read.
               QFile::setPermissions(path(QStringLiteral("server.key")),
                                     QFile::ReadOwner | QFile::WriteOwner);
    }
    // What postgresql.conf needs for the server to offer TLS.
    QStringList settings() const
    {
        return {QStringLiteral("ssl = on"),
                QStringLiteral("ssl_cert_file = '%1'").arg(path(QStringLiteral("server.crt"))),
                QStringLiteral("ssl_key_file = '%1'").arg(path(QStringLiteral("server.key")))};
    }
    QString caCertificate() const { return path(QStringLiteral("ca.crt")); }
    QString otherCaCertificate() const { return path(QStringLiteral("other-ca.crt")); }
    QString error() const { return m_error; }

private:
    QString path(const QString &name) const { return m_folder + QLatin1Char('/') + name; }
    bool authority(const QString &name, const QString &subject)
    {
        return openssl({QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-config"),
                        path(QStringLiteral("openssl.cnf")), QStringLiteral("-extensions"),
                        QStringLiteral("ca"), QStringLiteral("-newkey"), QStringLiteral("ec"),
                        QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"),
                        QStringLiteral("-nodes"), QStringLiteral("-keyout"),
                        path(name + QStringLiteral(".key")), QStringLiteral("-out"),
                        path(name + QStringLiteral(".crt")), QStringLiteral("-days"),
                        QStringLiteral("2"), QStringLiteral("-subj"), subject});
    }
    bool openssl(const QStringList &arguments)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QStringLiteral("openssl"), arguments);
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
            process.exitCode() != 0)
            return fail(QStringLiteral("openssl %1: %2")
                            .arg(arguments.constFirst(), QString::fromUtf8(process.readAll())));
        return true;
    }
    bool fail(const QString &why)
    {
        m_error = why;
        return false;
    }

    QString m_folder;
    QString m_error;
};

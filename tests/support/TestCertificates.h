#pragma once

#include <QString>
#include <QTemporaryDir>

// Certificates for the loopback TLS server, made with the openssl command line in a
// temporary directory that lives as long as this object:
//   a test CA, a server certificate it signed for 127.0.0.1 and localhost, and a second
//   server certificate for the same names signed by another CA that nobody trusts.
class TestCertificates
{
public:
    // Runs openssl; on failure returns false and says why in *error.
    bool generate(QString *error);

    QString caFile() const { return dir.filePath(QStringLiteral("ca.pem")); }
    QString serverCertFile() const { return dir.filePath(QStringLiteral("server.pem")); }
    QString serverKeyFile() const { return dir.filePath(QStringLiteral("server.key")); }
    QString untrustedCertFile() const { return dir.filePath(QStringLiteral("rogue-server.pem")); }
    QString untrustedKeyFile() const { return dir.filePath(QStringLiteral("rogue-server.key")); }

private:
    bool run(const QStringList &arguments, QString *error);
    bool makeCa(const QString &name, const QString &subject, QString *error);
    bool makeServer(const QString &name, const QString &ca, QString *error);

    QTemporaryDir dir;
};

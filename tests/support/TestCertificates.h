// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMetaType>
#include <QString>
#include <QTemporaryDir>

// Certificates for the loopback TLS server, made with the openssl command line in a
// temporary directory that lives as long as this object:
//   a test CA and a server certificate it signed for 127.0.0.1 and localhost, and three
//   that a client must refuse: the same names signed by another CA that nobody trusts, one
//   from the test CA for another host name only, and one from the test CA that expired.
class TestCertificates
{
public:
    enum class Refused { UnknownCa, WrongHost, Expired };

    // A column "kind" and one row for each certificate a client must refuse.
    static void addRefusedRows();

    // Runs openssl; on failure returns false and says why in *error.
    bool generate(QString *error);

    QString caFile() const { return dir.filePath(QStringLiteral("ca.pem")); }
    QString serverCertFile() const { return dir.filePath(QStringLiteral("server.pem")); }
    QString serverKeyFile() const { return dir.filePath(QStringLiteral("server.key")); }
    QString untrustedCertFile() const { return dir.filePath(QStringLiteral("rogue-server.pem")); }
    QString untrustedKeyFile() const { return dir.filePath(QStringLiteral("rogue-server.key")); }
    QString refusedCertFile(Refused kind) const { return dir.filePath(refusedName(kind) + QStringLiteral(".pem")); }
    QString refusedKeyFile(Refused kind) const { return dir.filePath(refusedName(kind) + QStringLiteral(".key")); }

private:
    bool run(const QStringList &arguments, QString *error);
    bool makeCa(const QString &name, const QString &subject, QString *error);
    // days < 0 makes a certificate that has already expired.
    bool makeServer(const QString &name, const QString &ca, QString *error,
                    const QString &host = QStringLiteral("localhost"), int days = 2);
    static QString refusedName(Refused kind);

    QTemporaryDir dir;
};
Q_DECLARE_METATYPE(TestCertificates::Refused)

// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TestCertificates.h"

#include <QFile>
#include <QProcess>
#include <QTest>

bool TestCertificates::run(const QStringList &arguments, QString *error)
{
    QProcess openssl;
    openssl.setWorkingDirectory(dir.path());
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"), arguments);
    if (!openssl.waitForFinished(30000) || openssl.exitStatus() != QProcess::NormalExit
        || openssl.exitCode() != 0) {
        *error = QStringLiteral("openssl %1 failed: %2 %3")
                     .arg(arguments.join(QLatin1Char(' ')), openssl.errorString(),
                          QString::fromLocal8Bit(openssl.readAll()));
        return false;
    }
    return true;
}

bool TestCertificates::makeCa(const QString &name, const QString &subject, QString *error)
{
    return run({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                "-keyout", name + ".key", "-out", name + ".pem", "-days", "2", "-subj", subject,
                "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign"},
               error);
}

bool TestCertificates::makeServer(const QString &name, const QString &ca, QString *error, const QString &host,
                                  int days)
{
    QFile ext(dir.filePath(name + ".ext"));
    if (!ext.open(QIODevice::WriteOnly)) {
        *error = ext.errorString();
        return false;
    }
    // The loopback address is a name of the host only when the certificate is for localhost.
    const QByteArray names = host == QLatin1String("localhost") ? "IP:127.0.0.1,DNS:localhost"
                                                                 : "DNS:" + host.toLatin1();
    ext.write("subjectAltName=" + names + "\n"
              "basicConstraints=CA:FALSE\n"
              "keyUsage=critical,digitalSignature\n"
              "extendedKeyUsage=serverAuth\n");
    ext.close();
    return run({"req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout",
                name + ".key", "-out", name + ".csr", "-subj", "/CN=" + host},
               error)
           && run({"x509", "-req", "-in", name + ".csr", "-CA", ca + ".pem", "-CAkey", ca + ".key",
                   "-CAcreateserial", "-out", name + ".pem", "-days", QString::number(days), "-extfile",
                   name + ".ext"},
                  error);
}

bool TestCertificates::generate(QString *error)
{
    if (!dir.isValid()) {
        *error = dir.errorString();
        return false;
    }
    return makeCa("ca", "/CN=Quill Tool Test CA", error) && makeServer("server", "ca", error)
           && makeCa("rogue-ca", "/CN=Somebody Else's CA", error) && makeServer("rogue-server", "rogue-ca", error)
           && makeServer(refusedName(Refused::WrongHost), "ca", error, "elsewhere.example")
           && makeServer(refusedName(Refused::Expired), "ca", error, "localhost", -1);
}

void TestCertificates::addRefusedRows()
{
    QTest::addColumn<Refused>("kind");
    QTest::newRow("unknown CA") << Refused::UnknownCa;
    QTest::newRow("wrong host name") << Refused::WrongHost;
    QTest::newRow("expired") << Refused::Expired;
}

QString TestCertificates::refusedName(Refused kind)
{
    switch (kind) {
    case Refused::UnknownCa:
        return QStringLiteral("rogue-server");
    case Refused::WrongHost:
        return QStringLiteral("wrong-host-server");
    case Refused::Expired:
        return QStringLiteral("expired-server");
    }
    return {};
}

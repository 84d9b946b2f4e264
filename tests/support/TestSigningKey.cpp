// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TestSigningKey.h"

#include <QFile>
#include <QProcess>

namespace {

bool openssl(const QString &directory, const QStringList &arguments, QString *error)
{
    QProcess process;
    process.setWorkingDirectory(directory);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("openssl"), arguments);
    if (process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return true;
    *error = QStringLiteral("openssl %1 failed: %2 %3")
                 .arg(arguments.join(QLatin1Char(' ')), process.errorString(), QString::fromLocal8Bit(process.readAll()));
    return false;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

bool TestSigningKey::generate(QString *error)
{
    if (!dir.isValid()) {
        *error = dir.errorString();
        return false;
    }
    if (!openssl(dir.path(), {"genpkey", "-algorithm", "ed25519", "-out", "private.pem"}, error)
        || !openssl(dir.path(), {"pkey", "-in", "private.pem", "-pubout", "-out", "public.pem"}, error))
        return false;
    publicPem = readFile(dir.filePath(QStringLiteral("public.pem")));
    return !publicPem.isEmpty();
}

QByteArray TestSigningKey::sign(const QByteArray &data) const
{
    QFile input(dir.filePath(QStringLiteral("to-sign")));
    if (!input.open(QIODevice::WriteOnly | QIODevice::Truncate) || input.write(data) != data.size())
        return {};
    input.close();
    QString error;
    if (!openssl(dir.path(), {"pkeyutl", "-sign", "-rawin", "-inkey", "private.pem", "-in", "to-sign", "-out", "to-sign.sig"},
                 &error)) {
        qWarning("%s", qPrintable(error));
        return {};
    }
    return readFile(dir.filePath(QStringLiteral("to-sign.sig")));
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// An Ed25519 key pair made with openssl at test time (no private key is ever committed),
// and detached signatures made with it the way a release is signed:
//   openssl pkeyutl -sign -rawin -inkey private.pem -in FILE -out FILE.sig
class TestSigningKey
{
public:
    // Runs openssl; on failure returns false and says why in *error.
    bool generate(QString *error);

    QByteArray publicKeyPem() const { return publicPem; }
    // The raw signature of data; empty on failure.
    QByteArray sign(const QByteArray &data) const;
    // An installer's signature as docs/development.md says to make it: its name on the
    // server, a line feed, then its bytes.
    QByteArray signInstaller(const QString &serverName, const QByteArray &installer) const
    {
        return sign(serverName.toUtf8() + '\n' + installer);
    }

private:
    QTemporaryDir dir;
    QByteArray publicPem;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// Checks a downloaded installer against its detached signature before anything runs it.
//
// The signature is the raw 64-byte Ed25519 signature of the installer's file name on the
// server (which carries its version, e.g. "Quill_Tool_V2.2.0.run"), a line feed, and then
// the whole file, so that a signed older installer cannot be served as a newer one:
//   { printf '%s\n' FILE; cat FILE; } > FILE.signed
//   openssl pkeyutl -sign -rawin -inkey private.pem -in FILE.signed -out FILE.sig
// The public key is PEM ("-----BEGIN PUBLIC KEY-----").
namespace InstallerSignature {

enum class Verdict {
    Good,
    Bad,          // does not verify: altered file, wrong key, or not a signature at all
    UnusableKey,  // the key is not an Ed25519 public key in PEM
};

// The bytes that are signed: fileName in UTF-8, "\n", installer.
QByteArray signedMessage(const QString &fileName, const QByteArray &installer);

// fileName is the name the installer was offered under (no directory).
Verdict verify(const QString &fileName, const QByteArray &installer, const QByteArray &signature,
               const QByteArray &publicKeyPem);

// True when publicKeyPem holds an Ed25519 public key.
bool isUsableKey(const QByteArray &publicKeyPem);

} // namespace InstallerSignature

#pragma once

#include <QByteArray>

// Checks a downloaded installer against its detached signature before anything runs it.
//
// The signature is the raw 64-byte Ed25519 signature of the whole file, as
//   openssl pkeyutl -sign -rawin -inkey private.pem -in FILE -out FILE.sig
// writes it. The public key is PEM ("-----BEGIN PUBLIC KEY-----").
namespace InstallerSignature {

enum class Verdict {
    Good,
    Bad,          // does not verify: altered file, wrong key, or not a signature at all
    UnusableKey,  // the key is not an Ed25519 public key in PEM
};

Verdict verify(const QByteArray &installer, const QByteArray &signature, const QByteArray &publicKeyPem);

// True when publicKeyPem holds an Ed25519 public key.
bool isUsableKey(const QByteArray &publicKeyPem);

} // namespace InstallerSignature

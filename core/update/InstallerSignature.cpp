// SPDX-License-Identifier: GPL-3.0-or-later
#include "update/InstallerSignature.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <memory>

namespace InstallerSignature {

namespace {

struct KeyFree
{
    void operator()(EVP_PKEY *key) const { EVP_PKEY_free(key); }
};
struct ContextFree
{
    void operator()(EVP_MD_CTX *context) const { EVP_MD_CTX_free(context); }
};
struct BioFree
{
    void operator()(BIO *bio) const { BIO_free(bio); }
};

// A failed read or check leaves its reasons in the thread's OpenSSL error
// queue; left there, they would be taken for the cause of a later, unrelated
// failure, such as a TLS handshake of the next download.
template<typename T>
T cleared(T result)
{
    ERR_clear_error();
    return result;
}

std::unique_ptr<EVP_PKEY, KeyFree> readKey(const QByteArray &pem)
{
    if (pem.isEmpty())
        return nullptr;
    std::unique_ptr<BIO, BioFree> bio(BIO_new_mem_buf(pem.constData(), pem.size()));
    if (!bio)
        return cleared(nullptr);
    std::unique_ptr<EVP_PKEY, KeyFree> key(PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr));
    if (!key || EVP_PKEY_id(key.get()) != EVP_PKEY_ED25519)
        return cleared(nullptr);
    return key;
}

} // namespace

bool isUsableKey(const QByteArray &publicKeyPem)
{
    return readKey(publicKeyPem) != nullptr;
}

QByteArray signedMessage(const QString &fileName, const QByteArray &installer)
{
    return fileName.toUtf8() + '\n' + installer;
}

Verdict verify(const QString &fileName, const QByteArray &installer, const QByteArray &signature,
               const QByteArray &publicKeyPem)
{
    // A name with a line feed would let the name and the bytes be split another way.
    if (fileName.isEmpty() || fileName.contains(QLatin1Char('\n')))
        return Verdict::Bad;
    const QByteArray message = signedMessage(fileName, installer);
    const auto key = readKey(publicKeyPem);
    if (!key)
        return Verdict::UnusableKey;
    std::unique_ptr<EVP_MD_CTX, ContextFree> context(EVP_MD_CTX_new());
    // Ed25519 hashes internally: no digest is named, and the message goes in one piece.
    if (!context || EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1)
        return cleared(Verdict::Bad);
    const int result = EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char *>(signature.constData()),
                                        static_cast<size_t>(signature.size()),
                                        reinterpret_cast<const unsigned char *>(message.constData()),
                                        static_cast<size_t>(message.size()));
    return result == 1 ? Verdict::Good : cleared(Verdict::Bad);
}

} // namespace InstallerSignature

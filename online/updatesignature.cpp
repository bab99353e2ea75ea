#include "updatesignature.h"

#include <openssl/evp.h>

#include <memory>

namespace {

struct KeyFree
{
    void operator()(EVP_PKEY *key) const { EVP_PKEY_free(key); }
};
struct ContextFree
{
    void operator()(EVP_MD_CTX *context) const { EVP_MD_CTX_free(context); }
};

} // namespace

QByteArray builtInUpdateKey()
{
    const QByteArray key = QByteArray::fromBase64(QByteArrayLiteral(ZENTRIK_UPDATE_PUBLIC_KEY),
                                                  QByteArray::AbortOnBase64DecodingErrors);
    return key.size() == kUpdateKeyBytes ? key : QByteArray();
}

bool verifyAccepts(int verifyResult)
{
    return verifyResult == 1;
}

bool isSignedBy(const QByteArray &message, const QByteArray &signature,
                const QByteArray &publicKey)
{
    if (publicKey.size() != kUpdateKeyBytes || signature.size() != kUpdateSignatureBytes)
        return false;
    const std::unique_ptr<EVP_PKEY, KeyFree> key(EVP_PKEY_new_raw_public_key(
        EVP_PKEY_ED25519, nullptr, reinterpret_cast<const unsigned char *>(publicKey.constData()),
        size_t(publicKey.size())));
    const std::unique_ptr<EVP_MD_CTX, ContextFree> context(EVP_MD_CTX_new());
    if (!key || !context
        || !verifyAccepts(EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get())))
        return false;
    return verifyAccepts(EVP_DigestVerify(
        context.get(), reinterpret_cast<const unsigned char *>(signature.constData()),
        size_t(signature.size()), reinterpret_cast<const unsigned char *>(message.constData()),
        size_t(message.size())));
}

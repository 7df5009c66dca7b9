#include "foundation/storage/Secret.h"

#include <memory>

#include <openssl/evp.h>

QByteArray SecretDigest(const QByteArray& bytes, int times)
{
    // The library clears the context's memory when it is freed.
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    QByteArray digest(EVP_MAX_MD_SIZE, '\0');
    unsigned int size = 0;
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1)
        return {};
    for (int i = 0; i < times; ++i)
        if (EVP_DigestUpdate(ctx.get(), bytes.constData(), size_t(bytes.size())) != 1)
            return {};
    if (EVP_DigestFinal_ex(ctx.get(), reinterpret_cast<unsigned char*>(digest.data()), &size) != 1)
        return {};
    digest.truncate(int(size));
    return digest;
}

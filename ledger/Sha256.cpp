#include "Sha256.h"

#include <openssl/evp.h>

#include <memory>
#include <new>

namespace Sha256 {

QByteArray hex(QByteArrayView bytes)
{
    // Fetched once: an implicit fetch on every call costs as much as hashing a log entry.
    // So is a context made for every call.
    static EVP_MD *const sha256 = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    thread_local const std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX *)> context(EVP_MD_CTX_new(),
                                                                                   EVP_MD_CTX_free);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (!sha256 || !context || !EVP_DigestInit_ex(context.get(), sha256, nullptr) ||
        !EVP_DigestUpdate(context.get(), bytes.data(), size_t(bytes.size())) ||
        !EVP_DigestFinal_ex(context.get(), digest, &size))
        throw std::bad_alloc(); // OpenSSL fails here only when it cannot allocate
    return QByteArray(reinterpret_cast<const char *>(digest), int(size)).toHex();
}

} // namespace Sha256

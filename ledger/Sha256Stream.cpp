#include "Sha256Stream.h"

#include <openssl/evp.h>

#include <new>

namespace {
// OpenSSL fails in these calls only when it cannot allocate.
void check(int ok)
{
    if (!ok)
        throw std::bad_alloc();
}
} // namespace

Sha256Stream::Sha256Stream() : m_context(EVP_MD_CTX_new(), EVP_MD_CTX_free)
{
    // Fetched once: an implicit fetch for every stream costs as much as a short hash.
    static EVP_MD *const sha256 = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    check(sha256 && m_context && EVP_DigestInit_ex(m_context.get(), sha256, nullptr));
}

Sha256Stream::~Sha256Stream() = default;

void Sha256Stream::add(QByteArrayView bytes)
{
    check(EVP_DigestUpdate(m_context.get(), bytes.data(), size_t(bytes.size())));
}

QByteArray Sha256Stream::digest()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    check(EVP_DigestFinal_ex(m_context.get(), digest, &size));
    return QByteArray(reinterpret_cast<const char *>(digest), int(size));
}

#pragma once
// SHA-256 over bytes given piece by piece, so that a million-row table is hashed without
// first being written out whole.

#include <QByteArray>

#include <memory>

struct evp_md_ctx_st;

class Sha256Stream
{
public:
    Sha256Stream();
    ~Sha256Stream();
    Sha256Stream(const Sha256Stream &) = delete;
    Sha256Stream &operator=(const Sha256Stream &) = delete;

    void add(QByteArrayView bytes);
    // The 32 bytes of the digest, or their hex; either ends the stream.
    QByteArray digest();
    QByteArray hex() { return digest().toHex(); }

private:
    std::unique_ptr<evp_md_ctx_st, void (*)(evp_md_ctx_st *)> m_context;
};

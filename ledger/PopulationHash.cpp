#include "PopulationHash.h"

#include <openssl/evp.h>

struct PopulationHash::State
{
    EVP_MD_CTX *context = EVP_MD_CTX_new();
    ~State() { EVP_MD_CTX_free(context); }
};

PopulationHash::PopulationHash() : m_state(std::make_unique<State>())
{
    EVP_DigestInit_ex(m_state->context, EVP_sha256(), nullptr);
}

PopulationHash::~PopulationHash() = default;

void PopulationHash::addRow(QStringView customer, QStringView cutOff, QStringView amount,
                            QStringView number)
{
    m_row.clear();
    const QStringView texts[] = {customer, cutOff, amount, number};
    for (int i = 0; i < 4; ++i) {
        if (i > 0)
            m_row.append('\t');
        m_row.append(texts[i].trimmed().toUtf8());
    }
    m_row.append('\n');
    EVP_DigestUpdate(m_state->context, m_row.constData(), size_t(m_row.size()));
}

QByteArray PopulationHash::hex()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(m_state->context, digest, &length);
    return QByteArray(reinterpret_cast<const char *>(digest), int(length)).toHex();
}

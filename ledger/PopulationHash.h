#pragma once
// The fingerprint of a selection's population: SHA-256 over each row's four texts, trimmed,
// joined by tabs, each row ending in a newline, in UTF-8. The same rows in the same order
// give the same hash, whichever program or machine reads them.

#include "Sha256Stream.h"

#include <QByteArray>
#include <QStringView>
#include <vector>

class PopulationHash
{
public:
    PopulationHash();

    void addRow(QStringView customer, QStringView cutOff, QStringView amount, QStringView number);
    // The hex digest of the rows added; the hash is spent then.
    QByteArray hex();

private:
    void flush();
    // The rows' bytes gathered into blocks, so that a million rows make no string per cell
    // and few calls into the hash.
    Sha256Stream m_hash;
    std::vector<char> m_bytes;
    size_t m_used = 0;
};

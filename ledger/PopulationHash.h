#pragma once
// The fingerprint of a selection's population: SHA-256 over each row's four texts, trimmed,
// joined by tabs, each row ending in a newline, in UTF-8. The same rows in the same order
// give the same hash, whichever program or machine reads them.

#include <QByteArray>
#include <QStringView>
#include <memory>

class PopulationHash
{
public:
    PopulationHash();
    ~PopulationHash();
    PopulationHash(const PopulationHash &) = delete;
    PopulationHash &operator=(const PopulationHash &) = delete;

    void addRow(QStringView customer, QStringView cutOff, QStringView amount, QStringView number);
    // The hex digest of the rows added; the hash is spent then.
    QByteArray hex();

private:
    struct State;
    std::unique_ptr<State> m_state;
    QByteArray m_row; // reused, so that a million rows allocate once
};

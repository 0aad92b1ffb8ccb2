#pragma once
// The random draws of a selection, from its seed: draw i is the first eight bytes of
// SHA-256 over the seed's text, a colon and i in decimal, read big-endian. The same seed
// gives the same draws on any machine, and a later extension goes on where the last
// draw stopped.

#include <QString>

class SampleStream
{
public:
    // 'position' draws of the seed are taken as used already.
    explicit SampleStream(const QString &seed, qint64 position = 0);

    quint64 next();
    // A whole number from 0 to bound - 1, each equally likely (no modulo bias); bound > 0.
    qint64 below(qint64 bound);
    // How many draws have been used.
    qint64 position() const { return m_position; }

    // A new seed for a selection the user gave none: nine decimal digits.
    static QString newSeed();
    // Raises Exception when 'seed' is no seed: empty, or other than 1 to 18 decimal digits.
    static void requireSeed(const QString &seed);

private:
    QByteArray m_prefix; // the seed's text and the colon, UTF-8
    qint64 m_position;
};

#include "SampleStream.h"

#include "ledger/Sha256Stream.h"
#include "platform/Exception.h"

#include <QRandomGenerator>
#include <QtEndian>

SampleStream::SampleStream(const QString &seed, qint64 position)
    : m_prefix(seed.toUtf8() + ':'), m_position(position)
{
}

quint64 SampleStream::next()
{
    Sha256Stream hash;
    hash.add(m_prefix);
    hash.add(QByteArray::number(m_position++));
    return qFromBigEndian<quint64>(hash.digest().constData());
}

qint64 SampleStream::below(qint64 bound)
{
    Q_ASSERT(bound > 0);
    const quint64 n = quint64(bound);
    // Draws at or above the last whole multiple of n below 2^64 are drawn again, so
    // that every remainder has the same number of draws behind it.
    const quint64 excess = (0 - n) % n; // 2^64 mod n
    const quint64 limit = quint64(0) - excess;
    quint64 draw = next();
    while (excess != 0 && draw >= limit)
        draw = next();
    return qint64(draw % n);
}

QString SampleStream::newSeed()
{
    return QString::number(100000000 + QRandomGenerator::system()->bounded(900000000));
}

void SampleStream::requireSeed(const QString &seed)
{
    bool digits = !seed.isEmpty() && seed.size() <= 18;
    for (QChar c : seed)
        digits = digits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (!digits)
        throw Exception(QStringLiteral("随机种子必须是 1 至 18 位数字：“%1”").arg(seed));
}

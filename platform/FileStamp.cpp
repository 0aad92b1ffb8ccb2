#include "FileStamp.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

namespace {
QByteArray hashOf(const QString &path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return QByteArray();
    return hash.result();
}
} // namespace

FileStamp FileStamp::of(const QString &path)
{
    FileStamp stamp;
    const QFileInfo info(path);
    stamp.m_exists = info.exists();
    if (stamp.m_exists) {
        stamp.m_size = info.size();
        stamp.m_hash = hashOf(path);
    }
    return stamp;
}

bool FileStamp::matches(const QString &path) const
{
    const QFileInfo info(path);
    if (info.exists() != m_exists)
        return false;
    if (!m_exists)
        return true;
    // The content decides: a rewrite of the same size can keep the time to the clock's
    // tick, and a mere touch changes nothing. Templates are small to hash.
    return info.size() == m_size && hashOf(path) == m_hash;
}

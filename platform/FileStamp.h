#pragma once
// What a file was like when a window loaded or last saved it: whether it existed, its size
// and a hash of its content. A window compares it before it writes,
// so that it never overwrites, unasked, what another window or program saved meanwhile.

#include <QByteArray>
#include <QString>

class FileStamp
{
public:
    static FileStamp of(const QString &path);
    // True when the file is still as stamped: the same content (or still missing).
    bool matches(const QString &path) const;

private:
    bool m_exists = false;
    qint64 m_size = 0;
    QByteArray m_hash;
};

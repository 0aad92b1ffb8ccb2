#pragma once
// The CRC-32 of each entry of a zip file, as its central directory states it: the zip
// library inflates parts without checking them, so the package checks what it inflates.

#include <QByteArray>
#include <QHash>

#include <optional>

class ZipDirectory
{
public:
    // Reads the directory at the end of the open file; an empty directory when there is
    // none to be read (the zip library then refuses the file itself).
    static ZipDirectory read(int fd);

    // The CRC-32 stated for the entry of that exact name; nothing when no entry, or more
    // than one with different checksums, has the name.
    std::optional<quint32> crcOf(const QByteArray &name) const;

private:
    QHash<QByteArray, std::optional<quint32>> m_crcs;
};

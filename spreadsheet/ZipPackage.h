#pragma once
// The parts of a zip package, read whole or a piece at a time within one budget of inflated
// bytes for the whole package, set by the file's size, so that a decompression bomb, or one
// part named a thousand times, ends as a damaged file instead of eating memory or time.

#include "ZipDirectory.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

class ZipPart;

class ZipPackage
{
public:
    // Throws ReadFailure (damaged) when the zip structure cannot be read.
    explicit ZipPackage(const QString &path);
    ~ZipPackage();

    // The size of the package file itself.
    qint64 fileSize() const { return m_fileSize; }
    // Whether the package has such a part; reads nothing of it.
    bool hasPart(const QString &name) const;
    // The part's bytes, or nothing when the package has no such part. Each part read is
    // checked against the CRC-32 its zip entry states: a mismatch is damage.
    std::optional<QByteArray> part(const QString &name) const;
    // A second opening of the very file this one read, for another thread: a file replaced
    // at its path in between is not read. Its budget is its own.
    std::unique_ptr<ZipPackage> reopen() const;
    // A part to be read a piece at a time, on any one thread: it reads from a second
    // opening, and is charged against this package's budget. Nothing when there is no such
    // part.
    std::unique_ptr<ZipPart> openPart(const QString &name) const;

private:
    struct Handles;
    // Reads the file's directory when none is given.
    ZipPackage(int fd, std::shared_ptr<const ZipDirectory> directory);
    void openZip();
    // The part's input and its name as stored; null when there is no such part.
    struct _GsfInput *find(const QString &name, QByteArray &stored) const;
    // The part's input, its size spent from the budget, and the CRC-32 its entry states;
    // null when there is no such part.
    struct _GsfInput *spend(const QString &name, std::optional<quint32> &crc) const;
    static void checkCrc(const QString &name, std::optional<quint32> expected, quint32 actual);
    std::unique_ptr<Handles> m_handles;
    std::shared_ptr<const ZipDirectory> m_directory;
    mutable qint64 m_remaining = 0; // inflated bytes the package may still take
    qint64 m_fileSize = 0;
    friend class ZipPart;
};

class ZipPart
{
public:
    ~ZipPart();
    ZipPart(const ZipPart &) = delete;
    ZipPart &operator=(const ZipPart &) = delete;
    qint64 size() const { return m_size; }
    QString name() const { return m_name; }
    // Inflates up to 'room' bytes into 'into': 0 at the end. Throws ReadFailure on damage,
    // a CRC-32 that does not match among it once the last bytes are read.
    qsizetype read(char *into, qsizetype room);

private:
    friend class ZipPackage;
    ZipPart(std::unique_ptr<ZipPackage> package, struct _GsfInput *input, const QString &name,
            std::optional<quint32> crc);
    std::unique_ptr<ZipPackage> m_package;
    struct _GsfInput *m_input;
    QString m_name;
    qint64 m_size = 0;
    std::optional<quint32> m_expectedCrc;
    quint32 m_crc = 0;
};

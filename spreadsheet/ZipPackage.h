#pragma once
// The parts of a zip package, read whole within one budget of inflated bytes for the whole
// package, set by the file's size, so that a decompression bomb, or one part named a
// thousand times, ends as a damaged file instead of eating memory.

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

class ZipPackage
{
public:
    // Throws ReadFailure (damaged) when the zip structure cannot be read.
    explicit ZipPackage(const QString &path);
    ~ZipPackage();

    // The size of the package file itself.
    qint64 fileSize() const { return m_fileSize; }
    // The part's bytes, or nothing when the package has no such part.
    std::optional<QByteArray> part(const QString &name) const;
    // Counts a part against the budget as if read, for a part that a second opening of the
    // package reads; nothing when the package has no such part.
    void charge(const QString &name) const;
    // A second opening of the very file this one read, for another thread: a file replaced
    // at its path in between is not read. Its budget is its own.
    std::unique_ptr<ZipPackage> reopen() const;

private:
    struct Handles;
    explicit ZipPackage(int fd);
    void openZip();
    // The part's input, its size spent from the budget; null when there is no such part.
    struct _GsfInput *spend(const QString &name) const;
    std::unique_ptr<Handles> m_handles;
    mutable qint64 m_remaining = 0; // inflated bytes the package may still take
    qint64 m_fileSize = 0;
};

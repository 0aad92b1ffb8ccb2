#pragma once
// The parts of a zip package, read whole with a bound on their inflated size, so that a
// decompression bomb ends as a damaged file instead of eating memory.

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

    // The part's bytes, or nothing when the package has no such part.
    std::optional<QByteArray> part(const QString &name) const;

private:
    struct Handles;
    std::unique_ptr<Handles> m_handles;
    qint64 m_limit = 0;
};

#include "LedgerFile.h"

#include "platform/Exception.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace LedgerFile {
namespace {
quint32 bigEndian(const QByteArray &bytes, int at, int size)
{
    quint32 value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | quint8(bytes[at + i]);
    return value;
}
} // namespace

void requireWhole(const QString &path)
{
    const QString name = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!file.exists())
        throw Exception(QStringLiteral("找不到函证台账“%1”").arg(name));
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("无法读取函证台账“%1”：%2").arg(name, file.errorString()));
    const QByteArray header = file.read(100);
    if (header.size() < 100 || !header.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        throw Exception(QStringLiteral("“%1”不是函证台账文件（或已损坏），未作任何改动").arg(name));
    // The header's page count holds only while the change counter it was written with is
    // still the file's; then the file must be at least that long.
    quint32 pageSize = bigEndian(header, 16, 2);
    if (pageSize == 1)
        pageSize = 65536;
    const quint32 pages = bigEndian(header, 28, 4);
    const bool countValid = bigEndian(header, 92, 4) == bigEndian(header, 24, 4);
    if (pageSize < 512 || (countValid && file.size() < qint64(pages) * pageSize) ||
        file.size() % pageSize != 0)
        throw Exception(
            QStringLiteral("函证台账“%1”不完整（文件被截断或已损坏），未作任何改动").arg(name));
}

void finishInterruptedWrite(const QString &path)
{
    const QString journal = path + QStringLiteral("-journal");
    if (QFileInfo(journal).size() == 0 || !QFileInfo::exists(path))
        return;
    const QString name = QDir::toNativeSeparators(path);
    if (const QString reason = whyReadOnly(path); !reason.isEmpty())
        throw Exception(
            QStringLiteral("函证台账“%1”上次写入时被中断，需要先恢复，但它不能写入（%2）；"
                           "请把它连同旁边的“%3”一起复制到可写的位置再打开")
                .arg(name, reason, QFileInfo(journal).fileName()));
    sqlite3 *db = nullptr;
    bool done = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE,
                                nullptr) == SQLITE_OK;
    if (done) {
        // Another writer may hold the file meanwhile; it is waited for as the store waits.
        sqlite3_busy_timeout(db, 10000);
        done = sqlite3_exec(db, "SELECT COUNT(*) FROM sqlite_master", nullptr, nullptr, nullptr) ==
               SQLITE_OK;
    }
    const QString error = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_close(db);
    if (!done)
        throw Exception(
            QStringLiteral("函证台账“%1”上次写入时被中断，未能恢复：%2").arg(name, error));
}

QString whyReadOnly(const QString &path)
{
    const QFileInfo info(path);
    const QByteArray file = QFile::encodeName(info.absoluteFilePath());
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    struct statvfs medium = {};
    if (::statvfs(folder.constData(), &medium) == 0 && (medium.f_flag & ST_RDONLY))
        return QStringLiteral("它所在的磁盘是只读的");
    // The write bits count even for a user whom the system would let write: a file or
    // folder marked read-only is meant to stay as it is.
    struct stat status = {};
    if (::access(file.constData(), W_OK) != 0 ||
        (::stat(file.constData(), &status) == 0 && (status.st_mode & 0222) == 0))
        return QStringLiteral("文件是只读的");
    if (::access(folder.constData(), W_OK) != 0 ||
        (::stat(folder.constData(), &status) == 0 && (status.st_mode & 0222) == 0))
        return QStringLiteral("它所在的文件夹不能写入");
    return {};
}

} // namespace LedgerFile

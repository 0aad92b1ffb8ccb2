// The reply list's refusal to write over the register. The input is two paths, a line each:
// where the list goes and the register, taken in a folder that holds a register, a link and
// a symbolic link to it, a folder linked to its folder and another file. Whenever the check
// lets the list be written, the place it would be renamed into must not be the register.

#include "control/ReplyListWriter.h"
#include "platform/Exception.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString sandbox()
{
    static const QString top = QStringLiteral("/tmp/roviradavev-fuzz-target-%1").arg(getpid());
    return top;
}

// Relative paths are taken in the sandbox for one input, and the fuzzer's own paths (its
// corpus, the program it runs again to merge) where they were.
class InSandbox
{
public:
    InSandbox() : m_previous(QDir::currentPath()) { QDir::setCurrent(sandbox()); }
    ~InSandbox() { QDir::setCurrent(m_previous); }

private:
    QString m_previous;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    const QString top = sandbox();
    QDir().mkpath(top + QStringLiteral("/reg/sub"));
    for (const char *name : {"reg/regA.xlsx", "reg/other.xlsx"}) {
        QFile file(top + QLatin1Char('/') + QLatin1String(name));
        file.open(QIODevice::WriteOnly);
        file.write(name);
    }
    (void)::link(QFile::encodeName(top + QStringLiteral("/reg/regA.xlsx")).constData(),
                 QFile::encodeName(top + QStringLiteral("/reg/hard.xlsx")).constData());
    QFile::link(QStringLiteral("regA.xlsx"), top + QStringLiteral("/reg/soft.xlsx"));
    QFile::link(QStringLiteral("reg"), top + QStringLiteral("/linked"));
    QFile::link(QStringLiteral("../.."), top + QStringLiteral("/reg/sub/up"));
    QFile::link(QStringLiteral("loop"), top + QStringLiteral("/loop"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype split = text.indexOf(QLatin1Char('\n'));
    if (split <= 0 || text.contains(QChar(0)) || size > 4096)
        return 0;
    const QString out = text.left(split), registerFile = text.mid(split + 1);
    if (registerFile.isEmpty())
        return 0;
    const InSandbox here;
    try {
        ReplyListWriter::checkTarget(out, registerFile);
    } catch (const Exception &) {
        return 0;
    }
    // The register as the kernel finds it; none there, nothing to write over.
    struct stat registerStat, entryStat;
    if (::stat(QFile::encodeName(registerFile).constData(), &registerStat) != 0)
        return 0;
    // XlsxBook renames the list into its absolute path: the kernel resolves the folder, and
    // the last name is the entry replaced.
    const QFileInfo target(QFileInfo(out).absoluteFilePath());
    char *folder = ::realpath(QFile::encodeName(target.absolutePath()).constData(), nullptr);
    if (!folder)
        return 0; // no such folder: the rename fails
    const QByteArray entry = QByteArray(folder) + '/' + QFile::encodeName(target.fileName());
    std::free(folder);
    if (::lstat(entry.constData(), &entryStat) == 0 && entryStat.st_dev == registerStat.st_dev &&
        entryStat.st_ino == registerStat.st_ino)
        std::abort();
    return 0;
}

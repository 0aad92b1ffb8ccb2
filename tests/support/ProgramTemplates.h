#pragma once
// The shipped letter templates beside the test program, where the program looks for them.

#include "platform/ProgramDirectory.h"

#include <QFile>
#include <QStringList>

// Puts the shipped templates beside the test program for the length of a test.
struct TemplatesInProgramDirectory
{
    QStringList copied;
    // 'others': further shipped templates by file name, beside the two letters.
    explicit TemplatesInProgramDirectory(const QStringList &others = {})
    {
        for (const QString &name : QStringList{QStringLiteral("应收帐款确认函.grf"),
                                               QStringLiteral("预收帐款确认函.grf")} +
                                       others) {
            const QString target = programDirectory() + name;
            QFile::remove(target);
            QFile::copy(qEnvironmentVariable("PROGRAM_DIR") + QLatin1Char('/') + name, target);
            copied.append(target);
        }
    }
    ~TemplatesInProgramDirectory()
    {
        for (const QString &path : copied)
            QFile::remove(path);
    }
};

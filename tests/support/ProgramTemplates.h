#pragma once
// The shipped letter templates beside the test program, where the program looks for them.

#include "platform/ProgramDirectory.h"

#include <QFile>
#include <QStringList>

// Puts the shipped templates beside the test program for the length of a test.
struct TemplatesInProgramDirectory
{
    QStringList copied;
    TemplatesInProgramDirectory()
    {
        for (const char *name : {"应收帐款确认函.grf", "预收帐款确认函.grf"}) {
            const QString target = programDirectory() + QString::fromUtf8(name);
            QFile::remove(target);
            QFile::copy(qEnvironmentVariable("PROGRAM_DIR") + QLatin1Char('/') +
                            QString::fromUtf8(name),
                        target);
            copied.append(target);
        }
    }
    ~TemplatesInProgramDirectory()
    {
        for (const QString &path : copied)
            QFile::remove(path);
    }
};

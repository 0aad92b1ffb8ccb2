#pragma once
// Runs a Python script with Debian's python3 (which has openpyxl), for tests that read back
// a workbook as another program does.

#include <QProcess>
#include <QString>

struct PythonRun
{
    bool ok = false; // finished with exit status 0
    QString out;
};

inline PythonRun runPython(const QString &script, const QStringList &arguments)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 QStringList{QStringLiteral("-c"), script} + arguments);
    const bool finished = python.waitForFinished(60000);
    return {finished && python.exitStatus() == QProcess::NormalExit && python.exitCode() == 0,
            QString::fromUtf8(python.readAllStandardOutput())};
}

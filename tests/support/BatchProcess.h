#pragma once
// roviradavev-batch run as a user runs it, in a process of its own and without a display:
// its exit status and what it wrote.

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

struct BatchProcessRun
{
    int status = -1; // -1 when it crashed or did not finish
    QString out;
    QString err;
};

inline BatchProcessRun batch(const QStringList &arguments,
                             const QString &lang = QStringLiteral("zh_CN.UTF-8"))
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("LC_ALL"));
    env.insert(QStringLiteral("LANG"), lang);
    process.setProcessEnvironment(env);
    process.start(qEnvironmentVariable("PROGRAM_DIR") + QStringLiteral("/roviradavev-batch"),
                  arguments);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

#pragma once
// Runs a command as the user would, start to exit, output to /dev/null: its wall time and
// its peak memory, read from the kernel's account of that one child.

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char **environ;

struct ChildRun
{
    double milliseconds = 0;
    long peakKilobytes = 0;
    bool ok = false;
};

inline ChildRun runChild(const QString &program, const QStringList &arguments)
{
    std::vector<QByteArray> storage{program.toLocal8Bit()};
    for (const QString &argument : arguments)
        storage.push_back(argument.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &item : storage)
        argv.push_back(item.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    ChildRun run;
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        run.milliseconds = timer.nsecsElapsed() / 1e6;
        run.peakKilobytes = usage.ru_maxrss;
        run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    posix_spawn_file_actions_destroy(&actions);
    if (!run.ok)
        std::fprintf(stderr, "failed: %s\n",
                     qPrintable(program + QLatin1Char(' ') + arguments.join(QLatin1Char(' '))));
    return run;
}

// The best of several runs: the least disturbed by the rest of the machine.
inline ChildRun bestChildRun(int runs, const QString &program, const QStringList &arguments)
{
    ChildRun best{1e300, 0, false};
    for (int i = 0; i < runs; ++i) {
        const ChildRun run = runChild(program, arguments);
        if (run.milliseconds < best.milliseconds)
            best = run;
    }
    return best;
}

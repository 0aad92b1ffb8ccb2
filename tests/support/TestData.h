#pragma once
// Paths of the committed test files.

#include <QString>

inline QString testDataPath(const QString &relative)
{
    return qEnvironmentVariable("TESTS_DATA_DIR") + QLatin1Char('/') + relative;
}

inline QString workbookPath(const QString &name)
{
    return testDataPath(QStringLiteral("workbooks/") + name);
}

#pragma once
// The desktop program's command line: a workbook to import or a ledger to open at start (how
// "open with" and a double-click reach the program), a template to design, help and version.

#include <QString>
#include <QStringList>

struct DesktopCommandLine
{
    enum class Action
    {
        Run,
        Help,
        Version,
        Error
    };
    Action action = Action::Run;
    QString workbook;     // imported at start, as 导入应收帐款 would
    QString templateFile; // --design, or a .grf file: opened in a designer, saved back to it
    QString ledger;       // a confirmation ledger (.rvledger) opened at start
    QString error;        // for Error: what is wrong

    // The arguments after the program's name.
    static DesktopCommandLine parse(const QStringList &arguments);
    static QString help();
    static QString version();
};
